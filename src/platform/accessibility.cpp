#include "accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace platform {

namespace {

class EnterClicksButton final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // A held key would save the same entry again and again.
        if (!enter || key->isAutoRepeat() || (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

const char* const kRoleProperty = "verimondAccessibleRole";

QAccessibleInterface* roleFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const QVariant role = widget ? widget->property(kRoleProperty) : QVariant();
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

AnnounceChannel& channel() {
#ifdef Q_OS_WIN
    static AnnounceChannel chosen = AnnounceChannel::FocusedName;
#else
    static AnnounceChannel chosen = AnnounceChannel::Notification;
#endif
    return chosen;
}

// Long enough for a reader to have fetched the notification's name or heard the
// new name of the focused control; short enough that nobody meets either later.
constexpr int kNotificationShownMs = 2000;
constexpr int kNameLentMs = 750;

} // namespace

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(roleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kRoleProperty, static_cast<int>(role));
}

void tellFocus(QWidget* control) {
    QAccessibleEvent event(control, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void clickFocusedButtonOnEnter(QWidget* window) {
    auto* filter = new EnterClicksButton(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->installEventFilter(filter);
}

AnnounceChannel announceChannel() {
    return channel();
}

void setAnnounceChannel(AnnounceChannel chosen) {
    channel() = chosen;
}

Announcer::Announcer(QWidget* window)
    : QObject(window), window_(window), notification_(new QWidget(window)),
      hideNotification_(new QTimer(this)), restoreName_(new QTimer(this)) {
    notification_->setObjectName(QStringLiteral("Announcement"));
    setAccessibleRole(notification_, QAccessible::Notification);
    notification_->setGeometry(0, 0, 0, 0);
    notification_->hide();
    hideNotification_->setSingleShot(true);
    hideNotification_->setInterval(kNotificationShownMs);
    connect(hideNotification_, &QTimer::timeout, notification_, &QWidget::hide);
    restoreName_->setObjectName(QStringLiteral("NameRestore"));
    restoreName_->setSingleShot(true);
    connect(restoreName_, &QTimer::timeout, this, &Announcer::giveNameBack);
}

void Announcer::announce(const QString& message) {
    if (announceChannel() == AnnounceChannel::Notification) {
        notification_->hide();
        notification_->setAccessibleName(message);
        notification_->show();
        hideNotification_->start();
        return;
    }
    // A reader follows the focus of the active window only.
    QWidget* target = window_->focusWidget();
    if (!target || !window_->isActiveWindow())
        return;
    if (target != carrier_) {
        giveNameBack();
        carrier_ = target;
        ownName_ = target->accessibleName();
        target->installEventFilter(this);
    }
    // Readers skip a name equal to the one they last heard, so the same
    // message twice in a row (two entries that begin alike) differs by a space.
    QString name = message;
    if (target->accessibleName() == name)
        name += QLatin1Char(' ');
    target->setAccessibleName(name);
    restoreName_->start(kNameLentMs);
}

bool Announcer::eventFilter(QObject* watched, QEvent* event) {
    // Given back at once, the name would reach the reader before the focus
    // change and be read out as if it were news; so it waits for the next pass.
    if (watched == carrier_ && event->type() == QEvent::FocusOut)
        restoreName_->start(0);
    return false;
}

void Announcer::giveNameBack() {
    if (!carrier_)
        return;
    carrier_->removeEventFilter(this);
    carrier_->setAccessibleName(ownName_);
    carrier_ = nullptr;
}

} // namespace platform
