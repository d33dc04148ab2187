#include "fontwarmup.h"

namespace platform {

// The system keeps its fonts loaded for every program; there is nothing to read first.
FontWarmUp::FontWarmUp() = default;

FontWarmUp::~FontWarmUp() = default;

void FontWarmUp::wait() {}

} // namespace platform
