#include "fishpicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

FishPicture::FishPicture(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
}

void FishPicture::paintFish(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Two arcs that meet at the nose on the left and cross into the tail.
    QPainterPath outline(QPointF(4, 24));
    outline.cubicTo(34, -4, 84, -2, 124, 42);
    outline.moveTo(4, 24);
    outline.cubicTo(34, 52, 84, 50, 124, 6);
    painter.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Tahoma")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    painter.setFont(font);
    painter.setPen(QColor(0xd0, 0x00, 0x00));
    const QString letters = QStringLiteral("ΙΧΘΥΣ");
    const qreal width = QFontMetricsF(font).horizontalAdvance(letters);
    painter.drawText(QPointF(52 - width / 2, 29.5), letters);
    painter.restore();
}

void FishPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFish(painter);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}
