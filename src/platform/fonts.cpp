#include "fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

#include <cmath>

namespace platform {

namespace {

// The faces tried for "MS Sans Serif", widest first; the narrow ones serve the
// long lines of the About window where a regular face would not fit.
const QStringList& standInFaces() {
    static const QStringList faces{"Liberation Sans",       "Arimo",
                                   "DejaVu Sans",           "Liberation Sans Narrow",
                                   "DejaVu Sans Condensed", "Nimbus Sans Narrow"};
    return faces;
}

bool fits(const QFont& font, const QString& caption, int width) {
    return QFontMetrics(font).horizontalAdvance(caption) <= width;
}

} // namespace

QFont formFont(double points, bool bold) {
    // One installed face is named, not "MS Sans Serif" with the stand-ins as its
    // substitutes: for a missing first face the font database sorts every
    // installed font into a fallback list before it tries the substitutes, and
    // again for the substitute it takes, at the first use of each font. Text the
    // face lacks still falls back to other fonts, sorted when first needed.
    static const QString face = [] {
        const QString wanted = QStringLiteral("MS Sans Serif");
        // Asks as the font database would, aliases included (on Windows the
        // name stands for "Microsoft Sans Serif").
        if (QFontDatabase::hasFamily(wanted))
            return wanted;
        const QStringList installed = QFontDatabase::families();
        for (const QString& standIn : standInFaces()) {
            if (installed.contains(standIn, Qt::CaseInsensitive))
                return standIn;
        }
        QFont::insertSubstitutions(wanted, standInFaces());
        return wanted;
    }();
    QFont font(face);
    // Sizes are fixed in pixels, like the twips layout, so text keeps its place
    // in the controls whatever the screen reports as its dots per inch.
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void fitCaption(QWidget* widget, const QString& caption, int width) {
    QFont font = widget->font();
    if (fits(font, caption, width))
        return;
    for (const QString& face : standInFaces()) {
        QFont candidate = font;
        candidate.setFamilies({face});
        if (QFontInfo(candidate).family() != face)
            continue; // not installed
        if (fits(candidate, caption, width)) {
            widget->setFont(candidate);
            return;
        }
    }
    while (font.pixelSize() > 6 && !fits(font, caption, width))
        font.setPixelSize(font.pixelSize() - 1);
    widget->setFont(font);
}

} // namespace platform
