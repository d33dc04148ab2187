#include "codepages.h"

namespace platform {

unsigned windowsCodePageFor(const QByteArray& encoding) {
    const QByteArray upper = encoding.toUpper();
    // What is not a number reads as 0, which no code page has.
    if (upper.startsWith("ISO-8859-")) {
        const int part = upper.mid(9).toInt();
        // Windows has no code page for parts 10, 11, 12, 14 and 16.
        if ((part >= 1 && part <= 9) || part == 13 || part == 15)
            return 28590 + part;
    } else if (upper.startsWith("WINDOWS-")) {
        const int page = upper.mid(8).toInt();
        if (page >= 1250 && page <= 1258)
            return page;
    } else if (upper == "KOI8-R") {
        return 20866;
    } else if (upper == "KOI8-U") {
        return 21866;
    } else if (upper == "TIS-620") {
        return 874;
    }
    return 0;
}

} // namespace platform
