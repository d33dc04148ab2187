#pragma once

#include <QWidget>

class QPainter;

// The fish symbol at the top of the main window: a black fish outline facing
// left with the Greek letters ΙΧΘΥΣ in red inside it, on a transparent
// background, drawn at its own size from the control's top-left corner. It is
// drawn as vectors, so it stays sharp at any screen scale. Only a mouse click
// on it counts; it takes part in the tab order but ignores keys.
class FishPicture : public QWidget {
    Q_OBJECT
  public:
    explicit FishPicture(QWidget* parent = nullptr);

    // Draws the symbol into the 130 x 48 box at the painter's origin.
    static void paintFish(QPainter& painter);

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};
