#pragma once

#include <QSvgRenderer>
#include <QWidget>

// The fish symbol at the top of the main window: a vector picture drawn at its
// own size from the control's top-left corner, sharp at any screen scale.
// Only a mouse click on it counts; it takes part in the tab order but ignores keys.
class FishPicture : public QWidget {
    Q_OBJECT
  public:
    explicit FishPicture(QWidget* parent = nullptr);

    static constexpr QSize kImageSize{130, 48};

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QSvgRenderer renderer_;
    bool pressed_ = false;
};
