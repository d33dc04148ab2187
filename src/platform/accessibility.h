#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QString>

class QTimer;
class QWidget;

namespace platform {

// Screen readers introduce a window by its role, and Qt gives a window made
// from a plain QWidget the role of a filler. Gives `widget` `role` instead;
// called before anything asks for the widget's accessibility.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// Tells a screen reader that `control` has the keyboard focus, for where Qt
// gives it back without saying so: as a list or a menu over it closes.
void tellFocus(QWidget* control);

// Enter and Return on a focused button of `window` click it, as on the
// Windows desktop; no button becomes a default button, and keys typed into the
// boxes are left alone.
void clickFocusedButtonOnEnter(QWidget* window);

// How a message reaches a screen reader. Qt 6.4 has no announcement event, and
// each platform's bridge carries a different one of these to its readers:
// - Notification: an object with the notification role appears, which Orca
//   speaks. Orca cannot speak a name change, because Qt 6.4's AT-SPI bridge
//   sends it without the new name.
// - FocusedName: the focused control takes the message as its accessible
//   name for a moment, which UI Automation readers speak; Qt's UI Automation
//   bridge passes on no notification that appears.
enum class AnnounceChannel { Notification, FocusedName };

// The channel the readers of this platform hear; tests may choose the other.
AnnounceChannel announceChannel();
void setAnnounceChannel(AnnounceChannel channel);

// Tells a screen reader what just happened in a window without moving the
// keyboard focus, through announceChannel(). Nothing on the screen changes:
// the notification has no size, and it is hidden again once spoken; a
// control's own name comes back within a second, and at once when the focus
// leaves it.
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
    QTimer* hideNotification_;
    QTimer* restoreName_;
    QPointer<QWidget> carrier_;
    QString ownName_;
};

} // namespace platform
