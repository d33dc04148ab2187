#pragma once

#include <string_view>

namespace entry_store {

// Whether `c` can follow a field's value: a comma, a closing quote or a line end.
inline bool mayEndField(char c) {
    return c == ',' || c == '"' || c == '\r' || c == '\n';
}

// The first occurrence of `needle` in [from, to) that a byte which can end a
// field follows, or that ends at `to`, whose next byte is not known; or null.
// Whether the bytes before it let it start a field is the caller's to judge.
const char* findFieldCandidate(const char* from, const char* to, std::string_view needle);

} // namespace entry_store
