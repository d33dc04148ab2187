#pragma once

#include <QByteArray>

namespace platform {

// The Windows code page for an 8-bit encoding as Qt names it ("ISO-8859-2",
// "windows-1251", "KOI8-R"); 0 for one Windows has no code page for. Plain
// naming, so it is built and tested on every system.
unsigned windowsCodePageFor(const QByteArray& encoding);

} // namespace platform
