#pragma once

#include <QAbstractButton>

class QPainter;

// The fish symbol at the top of the main window: a black fish outline facing
// left with the Greek letters ΙΧΘΥΣ in red inside it, on a transparent
// background, drawn at its own size from the control's top-left corner. It is
// drawn as vectors, so it stays sharp at any screen scale. It is a button
// without a frame, so a click, Space or Enter presses it and a screen reader
// reports a button it can press; the mouse does not give it the focus.
class FishPicture : public QAbstractButton {
    Q_OBJECT
  public:
    explicit FishPicture(QWidget* parent = nullptr);

    // Draws the symbol into the 130 x 48 box at the painter's origin.
    static void paintFish(QPainter& painter);

  protected:
    void paintEvent(QPaintEvent* event) override;
};
