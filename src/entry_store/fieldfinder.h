#pragma once

#include "fieldrules.h"

#include <cstring>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VERIMOND_FINDER_AVX2 1
#endif

namespace entry_store {

#ifdef VERIMOND_FINDER_AVX2
namespace finder {

inline bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// The loop of findFieldCandidate, 32 places at a time, for the processors
// that have AVX2: it leaves `p` where it stopped.
template <typename Matches>
__attribute__((target("avx2"))) const char* findWide(const char*& p, const char* to,
                                                     std::string_view needle, Matches& matches) {
    const std::size_t n = needle.size();
    const __m256i first = _mm256_set1_epi8(needle[0]);
    const __m256i last = _mm256_set1_epi8(needle[n - 1]);
    const __m256i comma = _mm256_set1_epi8(',');
    const __m256i space = _mm256_set1_epi8(' ');
    for (; p + n + 32 <= to; p += 32) {
        const __m256i after = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + n));
        const __m256i ends =
            _mm256_andnot_si256(_mm256_cmpeq_epi8(after, space),
                                _mm256_cmpeq_epi8(_mm256_min_epu8(after, comma), after));
        const __m256i bounds = _mm256_and_si256(
            _mm256_cmpeq_epi8(first, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))),
            _mm256_cmpeq_epi8(last,
                              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + n - 1))));
        unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(bounds, ends)));
        for (; mask; mask &= mask - 1) {
            const char* at = p + __builtin_ctz(mask);
            if (matches(at, n < 3 ? 0 : n - 2))
                return at;
        }
    }
    return nullptr;
}

} // namespace finder
#endif

// The first occurrence of `needle` in [from, to) that a byte which can end a
// field follows, or that ends at `to`, whose next byte is not known, and that
// `accept` takes; or null. `accept` judges the rest, such as the bytes before.
//
// 16 places at a time (32 with AVX2), it tests the needle's first and last bytes and the
// byte after the needle; an occurrence inside a sentence, such as a common
// word followed by a space, never leaves the loop, and one that `accept`
// turns down does not either. The rest of the needle is compared last.
template <typename Accept>
const char* findFieldCandidate(const char* from, const char* to, std::string_view needle,
                               Accept&& accept) {
    const std::size_t n = needle.size();
    if (n == 0)
        return accept(from) ? from : nullptr;
    if (static_cast<std::size_t>(to - from) < n)
        return nullptr;
    const char* p = from;
    auto matches = [&](const char* at, std::size_t compared) {
        return std::memcmp(at + 1, needle.data() + 1, compared) == 0 && accept(at);
    };
#ifdef VERIMOND_FINDER_AVX2
    if (finder::hasAvx2()) {
        if (const char* hit = finder::findWide(p, to, needle, matches))
            return hit;
    }
#endif
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[n - 1]);
    // A byte that can end a field is at most ',' (0x2C) and no space: a few
    // rare punctuation marks pass as well, and `accept` turns them down.
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i space = _mm_set1_epi8(' ');
    auto load = [](const char* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // The byte after each of the 16 places must be in the buffer. No branch
    // but the loop's: where the first and last bytes meet half the time, as
    // for a short common word, a test of them alone would be mispredicted.
    for (; p + n + 16 <= to; p += 16) {
        const __m128i after = load(p + n);
        const __m128i ends = _mm_andnot_si128(_mm_cmpeq_epi8(after, space),
                                              _mm_cmpeq_epi8(_mm_min_epu8(after, comma), after));
        const __m128i bounds =
            _mm_and_si128(_mm_cmpeq_epi8(first, load(p)), _mm_cmpeq_epi8(last, load(p + n - 1)));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(bounds, ends)));
        for (; mask; mask &= mask - 1) {
            const char* at = p + __builtin_ctz(mask);
            if (matches(at, n < 3 ? 0 : n - 2))
                return at;
        }
    }
#endif
    for (; p + n <= to; ++p) {
        if (*p == needle[0] && (p + n == to || mayEndField(p[n])) && matches(p, n - 1))
            return p;
    }
    return nullptr;
}

} // namespace entry_store
