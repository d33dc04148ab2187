#include "programicon.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPolygonF>

#include <map>
#include <utility>

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

// Reads the hand-drawn picture as PNG by name. Left to guess the format, the
// image reader would load every image plugin installed to ask each whether it
// reads PNG, which costs the program's start more than the rest of its icon.
QPixmap handDrawn(int side) {
    QImageReader reader(QStringLiteral(":/verimond/icons/verimond-%1.png").arg(side), "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

class PyramidEngine final : public QIconEngine {
  public:
    QIconEngine* clone() const override { return new PyramidEngine; }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        paintPyramid(*painter, rect);
    }

    // The window system takes every offered size when the window is made and
    // again when its icon is set, so each size is drawn once and kept.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap& kept = kept_[{size.width(), size.height()}];
        if (kept.isNull())
            kept = draw(size, mode, state);
        return kept;
    }

    // The sizes a window system is offered for the window's icon. It may take
    // them all at start, so larger ones, which only a desktop's own icon
    // theme shows, are left to it.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }

  private:
    QPixmap draw(const QSize& size, QIcon::Mode mode, QIcon::State state) {
        if (size == QSize(16, 16) || size == QSize(32, 32))
            return handDrawn(size.width());
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const int side = qMin(size.width(), size.height());
        paint(&painter, QRect((size.width() - side) / 2, (size.height() - side) / 2, side, side),
              mode, state);
        return pixmap;
    }

    std::map<std::pair<int, int>, QPixmap> kept_;
};

} // namespace

QIcon programIcon() {
    return QIcon(new PyramidEngine);
}
