#include "programicon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPolygonF>

namespace {

// The shapes on a 32-unit square, the grid the hand-drawn sizes follow.
struct Face {
    QPolygonF points;
    QColor colour;
};

const Face kFaces[] = {
    {QPolygonF({{16, 2}, {2, 25}, {16, 25}}), QColor(0xc0, 0xc0, 0xc0)},
    {QPolygonF({{16, 2}, {30, 25}, {16, 25}}), QColor(0x00, 0x00, 0x00)},
    {QPolygonF({{2, 25}, {30, 25}, {27, 30}, {5, 30}}), QColor(0x80, 0x80, 0x80)},
};

// Draws the pyramid into `box`, a square.
void paintPyramid(QPainter& painter, const QRectF& box) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 32.0, box.height() / 32.0);
    painter.setPen(Qt::NoPen);
    for (const Face& face : kFaces) {
        painter.setBrush(face.colour);
        painter.drawPolygon(face.points);
    }
    painter.restore();
}

class PyramidEngine final : public QIconEngine {
  public:
    QIconEngine* clone() const override { return new PyramidEngine; }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        paintPyramid(*painter, rect);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (size == QSize(16, 16) || size == QSize(32, 32))
            return QPixmap(QStringLiteral(":/verimond/icons/verimond-%1.png").arg(size.width()));
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const int side = qMin(size.width(), size.height());
        paint(&painter, QRect((size.width() - side) / 2, (size.height() - side) / 2, side, side),
              mode, state);
        return pixmap;
    }

    // The sizes a window system is offered for the window's icon. It may take
    // them all at start, so larger ones, which only a desktop's own icon
    // theme shows, are left to it.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }
};

} // namespace

QIcon programIcon() {
    return QIcon(new PyramidEngine);
}
