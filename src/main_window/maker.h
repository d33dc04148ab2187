#pragma once

// The program's maker, as the distribution notice, the version record and the
// package name it. The macro serves the Windows resource compiler and CMake,
// which read this file too; the rest of the program uses the constants.
#define VERIMOND_MAKER_NAME "Verimond Project"

#ifndef RC_INVOKED
namespace maker {
inline constexpr const char* kName = VERIMOND_MAKER_NAME;
inline constexpr const char* kPostalBox = "P.O. Box 0000";
inline constexpr const char* kTown = "Anytown, ST 00000";
inline constexpr const char* kEmail = "verimond@example.org";
} // namespace maker
#endif
