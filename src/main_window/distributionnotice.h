#pragma once

#include <QStringList>

// The 30 lines of the distribution notice shown by a click on the fish symbol:
// the terms of use, why they are asked, and the maker's contact details.
QStringList distributionNotice();
