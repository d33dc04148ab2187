#include "fieldfinder.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace entry_store {

// The scan and the keyword tally call this once per candidate, so it has no
// set-up to speak of. 16 places at a time, it tests the needle's first and last bytes and the
// byte after the needle; an occurrence inside a sentence, such as a common
// word followed by a space, never leaves the loop. The rest of the needle is
// compared last.
const char* findFieldCandidate(const char* from, const char* to, std::string_view needle) {
    const std::size_t n = needle.size();
    if (n == 0)
        return from;
    if (static_cast<std::size_t>(to - from) < n)
        return nullptr;
    const char* p = from;
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[n - 1]);
    // A byte that can end a field is at most ',' (0x2C) and no space: a few
    // rare punctuation marks pass as well, and the caller sorts them out.
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
            if (n < 3 || std::memcmp(at + 1, needle.data() + 1, n - 2) == 0)
                return at;
        }
    }
#endif
    for (; p + n <= to; ++p) {
        if (*p == needle[0] && std::memcmp(p + 1, needle.data() + 1, n - 1) == 0 &&
            (p + n == to || mayEndField(p[n])))
            return p;
    }
    return nullptr;
}

} // namespace entry_store
