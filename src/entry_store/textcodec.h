#pragma once

#include <string>
#include <string_view>
#include <vector>

// How text in the entry file maps to the program's strings (UTF-8 in memory).
// Files are Windows-1252 as far as that code page reaches, so Windows programs
// that read that encoding (Notepad among them) read the diary too; a line holding a character
// Windows-1252 lacks is written as UTF-8 instead, and each field is decoded as UTF-8 when it is
// valid UTF-8 holding a byte above 0x7F, else as Windows-1252.
namespace entry_store::textcodec {

bool isValidUtf8(std::string_view bytes);
bool hasHighByte(std::string_view bytes);

// A field's bytes as read from the file, decoded by the rule above.
std::string decodeField(std::string bytes);

// One line of text as the bytes to write. Windows-1252 unless a character is
// missing from it, or the Windows-1252 bytes would read back as UTF-8; then UTF-8.
std::string encodeLine(std::string_view utf8);

// Every byte sequence that decodeField turns into exactly `text`: one or two forms.
std::vector<std::string> byteForms(std::string_view text);

} // namespace entry_store::textcodec
