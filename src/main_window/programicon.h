#pragma once

#include <QIcon>

// The pyramid program icon: a light-grey left face, a black right face and a
// dark-grey base on a transparent background. At 16 and 32 pixels it is the
// hand-drawn 16-colour picture; at every other size it is drawn as vectors,
// so it stays sharp on any screen.
QIcon programIcon();
