#pragma once

// The platform layer: the narrow set of window, file and process operations
// through which the rest of the program reaches the system. Windows, the
// entry store and the tests use these instead of calling Qt or the operating
// system for them directly, so each can be replaced or observed in one place.
// One concern a file; this header brings in all of the window half:
// - filesystem.h: byte access to files (plain C++, used by the entry store),
//   with filesystem_posix.cpp and filesystem_windows.cpp behind it;
// - fontwarmup.h: reading the font configuration while the program starts;
// - failure.h: failure messages and program end, with the catch-all around
//   every click;
// - events.h: processing pending events, which the search's wait relies on
//   (processPendingEvents), and window events alone, which long work in a
//   handler relies on (processWindowEvents);
// - textbox.h: text access that turns the boxes' line breaks into CR LF;
// - placement.h: twips, and placing a window on its screen (placeOnScreen);
// - fonts.h: the forms' font and the fitting of captions into their controls;
// - accessibility.h: accessible roles, Enter on a focused button as a click,
//   and the announcer that tells a screen reader what happened, through the
//   channel this platform's readers hear.

#include "accessibility.h"
#include "events.h"
#include "failure.h"
#include "fonts.h"
#include "placement.h"
#include "textbox.h"
