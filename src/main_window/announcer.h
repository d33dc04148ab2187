#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// Tells a screen reader what just happened in a window without moving the
// keyboard focus. Qt 6.4 has no announcement event, so a message goes out in
// the two ways that readers speak on their own:
// - as the new accessible name of the control that has the focus, which UI
//   Automation readers speak; the control gets its own name back just after
//   the focus has left it, when no reader listens to it any more;
// - as a notification that appears, which Orca speaks. Orca cannot speak the
//   name change, because Qt 6.4's AT-SPI bridge sends it without the new name.
//   The notification has no size, so nothing on the screen changes.
class Announcer : public QObject {
    Q_OBJECT
  public:
    explicit Announcer(QWidget* window);

    void announce(const QString& message);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void giveNameBack();

    QWidget* window_;
    QWidget* notification_;
    QPointer<QWidget> carrier_;
    QString ownName_;
};
