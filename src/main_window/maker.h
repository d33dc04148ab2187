#pragma once

// The program's maker, as the distribution notice and the version record name it.
namespace maker {
inline constexpr const char* kName = "Verimond Project";
inline constexpr const char* kPostalBox = "P.O. Box 0000";
inline constexpr const char* kTown = "Anytown, ST 00000";
inline constexpr const char* kEmail = "verimond@example.org";
} // namespace maker
