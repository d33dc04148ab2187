#pragma once

// How the entry file's bytes are read as fields, written once for the field
// reader and the keyword tally, so that what the keyword box offers and what
// Find finds never drift apart.
//
//  1. Spaces (0x20) before a field are skipped; tabs are not, they are text.
//  2. A field that then begins with a double quote is the text up to the next
//     double quote. A quoted value never runs over a line end: an opening quote
//     with no closing quote on its line ends at the line end. Whatever stands
//     between a closing quote and the next comma or line end is dropped.
//  3. Otherwise the field is the text up to the next comma or line end, or the
//     end of the file. Trailing spaces stay part of it, and so do double quotes
//     inside it. The comma or line end is consumed.
//  4. An empty line, or a line of spaces only, yields one empty field.
//  A line ends at CR LF, at a lone LF (files edited on other systems) and at a
//  lone CR (old Macintosh files). NUL and other control bytes are ordinary text.

#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace entry_store {

// A line ends at CR LF, a lone CR or a lone LF.
inline bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Whether `c` can follow a field's value: a comma, a closing quote or a line end.
inline bool mayEndField(char c) {
    return c == ',' || c == '"' || isLineEnd(c);
}

// The first CR or LF in [from, to), or null. One pass, so that looking for
// the ends of many lines costs no more than the bytes they hold.
inline const char* findLineEnd(const char* from, const char* to) {
    const char* p = from;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; p + 16 <= to; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
        if (mask)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    for (; p < to; ++p) {
        if (isLineEnd(*p))
            return p;
    }
    return nullptr;
}

// The last CR or LF in [from, to), or null.
inline const char* findLastLineEnd(const char* from, const char* to) {
#ifdef __GLIBC__
    const auto* lf = static_cast<const char*>(memrchr(from, '\n', to - from));
    const char* scanFrom = lf ? lf + 1 : from;
    const auto* cr = static_cast<const char*>(memrchr(scanFrom, '\r', to - scanFrom));
    return cr ? cr : lf;
#else
    for (const char* p = to; p != from;) {
        if (isLineEnd(*--p))
            return p;
    }
    return nullptr;
#endif
}

enum class Delimiter { Comma, LineEnd, EndOfFile };

namespace fields {
using ByteSet = std::array<bool, 256>;
constexpr ByteSet byteSet(std::string_view bytes) {
    ByteSet set{};
    for (const char c : bytes)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}
inline constexpr ByteSet kFieldEnd = byteSet(",\r\n");
inline constexpr ByteSet kQuoteEnd = byteSet("\"\r\n");
} // namespace fields

// Reads one field at a time from bytes that may come in pieces of any size,
// by the rules above. The end of the file is the caller's to see: it ends the
// field being read.
class FieldParser {
  public:
    struct Step {
        std::size_t used;               // bytes of the piece taken
        std::optional<Delimiter> ended; // the field's delimiter, where it was met
    };

    // Takes the current field's bytes from [data, data + size) up to and with
    // its delimiter, and hands its value's bytes to take(const char*, size_t).
    // The LF of a CR LF is taken with the CR where the piece holds it; where
    // the piece ends at the CR, lineEndRest() takes it from the next piece.
    template <typename Take> Step feed(const char* data, std::size_t size, Take&& take) {
        std::size_t i = lineEndRest(data, size);
        while (i < size) {
            switch (state_) {
            case State::Start:
                if (data[i] == ' ') {
                    ++i;
                } else if (data[i] == '"') {
                    state_ = State::Quoted;
                    ++i;
                } else {
                    state_ = State::Plain;
                }
                break;
            case State::Plain:
            case State::Quoted: {
                const ByteSet& stops = state_ == State::Plain ? kFieldEnd : kQuoteEnd;
                std::size_t end = i;
                while (end < size && !stops[static_cast<unsigned char>(data[end])])
                    ++end;
                if (end > i)
                    take(data + i, end - i);
                i = end;
                if (i < size && data[i] == '"') {
                    state_ = State::AfterQuote;
                    ++i;
                } else if (i < size) {
                    return delimit(data, size, i);
                }
                break;
            }
            case State::AfterQuote:
                while (i < size && !kFieldEnd[static_cast<unsigned char>(data[i])])
                    ++i;
                if (i < size)
                    return delimit(data, size, i);
                break;
            }
        }
        return {i, std::nullopt};
    }

    // Where the last field ended at a CR that ended its piece: the LF that
    // makes it CR LF, if `data` starts with one. Returns the bytes it took.
    std::size_t lineEndRest(const char* data, std::size_t size) {
        if (!afterCR_ || size == 0)
            return 0;
        afterCR_ = false;
        return data[0] == '\n' ? 1 : 0;
    }
    bool awaitsLineEndRest() const { return afterCR_; }

  private:
    using ByteSet = fields::ByteSet;
    static constexpr const ByteSet& kFieldEnd = fields::kFieldEnd;
    static constexpr const ByteSet& kQuoteEnd = fields::kQuoteEnd;

    enum class State { Start, Plain, Quoted, AfterQuote };

    // The field ends at data[at], a comma or a line end, which is taken.
    Step delimit(const char* data, std::size_t size, std::size_t at) {
        state_ = State::Start;
        if (data[at] == ',')
            return {at + 1, Delimiter::Comma};
        std::size_t used = at + 1;
        if (data[at] == '\r') {
            if (used == size)
                afterCR_ = true;
            else if (data[used] == '\n')
                ++used;
        }
        return {used, Delimiter::LineEnd};
    }

    State state_ = State::Start;
    bool afterCR_ = false;
};

} // namespace entry_store
