#include "textcodec.h"

#include <array>
#include <cstdint>
#include <optional>

namespace entry_store::textcodec {

namespace {

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves
// undefined map to the C1 controls of the same value, as Windows itself does,
// so every byte decodes to something and encodes back to itself.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

std::optional<unsigned char> unicodeToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at `i`, or 0 when none starts there.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i, char32_t* decoded = nullptr) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t len;
    char32_t c;
    if (b0 < 0x80) {
        len = 1;
        c = b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        c = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        c = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    if (decoded)
        *decoded = c;
    return len;
}

// True when some multi-byte UTF-8 sequence stands anywhere in the bytes, so that
// a field cut from them could read back as UTF-8.
bool holdsUtf8Sequence(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0xC2 && utf8SequenceLength(s, i) > 1)
            return true;
    }
    return false;
}

// The Windows-1252 bytes of `utf8`, or nothing when a character is missing
// from the code page or the input is not UTF-8.
std::optional<std::string> toCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const std::size_t len = utf8SequenceLength(utf8, i, &c);
        if (len == 0)
            return std::nullopt;
        const auto byte = unicodeToCp1252(c);
        if (!byte)
            return std::nullopt;
        out += static_cast<char>(*byte);
        i += len;
    }
    return out;
}

} // namespace

bool hasHighByte(std::string_view bytes) {
    for (const char ch : bytes) {
        if (static_cast<unsigned char>(ch) >= 0x80)
            return true;
    }
    return false;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string decodeField(std::string bytes) {
    if (!hasHighByte(bytes) || isValidUtf8(bytes))
        return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes)
        appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string encodeLine(std::string_view utf8) {
    if (!hasHighByte(utf8))
        return std::string(utf8);
    if (auto cp1252 = toCp1252(utf8); cp1252 && !holdsUtf8Sequence(*cp1252))
        return *cp1252;
    return std::string(utf8);
}

std::vector<std::string> byteForms(std::string_view text) {
    std::vector<std::string> forms{std::string(text)};
    if (!hasHighByte(text))
        return forms;
    if (!isValidUtf8(text)) {
        // Text that is not UTF-8 cannot come out of decodeField at all.
        forms.clear();
        return forms;
    }
    if (auto cp1252 = toCp1252(text); cp1252 && !isValidUtf8(*cp1252))
        forms.push_back(*cp1252);
    return forms;
}

} // namespace entry_store::textcodec
