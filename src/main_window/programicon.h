#pragma once

#include <QIcon>

// The pyramid program icon: drawn by hand for 16 and 32 pixels, and from its
// vector source at every other size, so it stays sharp on any screen.
QIcon programIcon();
