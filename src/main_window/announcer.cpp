#include "announcer.h"

#include "platform.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

Announcer::Announcer(QWidget* window)
    : QObject(window), window_(window), notification_(new QWidget(window)) {
    notification_->setObjectName(QStringLiteral("Announcement"));
    platform::setAccessibleRole(notification_, QAccessible::Notification);
    notification_->setGeometry(0, 0, 0, 0);
    notification_->hide();
}

void Announcer::announce(const QString& message) {
    QWidget* target = window_->focusWidget();
    if (!target)
        target = window_;
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

    notification_->hide();
    notification_->setAccessibleName(message);
    notification_->show();
}

bool Announcer::eventFilter(QObject* watched, QEvent* event) {
    // Given back at once, the name would reach the reader before the focus
    // change and be read out as if it were news.
    if (watched == carrier_ && event->type() == QEvent::FocusOut)
        QTimer::singleShot(0, this, [this, carrier = carrier_] {
            if (carrier == carrier_ && !carrier_->hasFocus())
                giveNameBack();
        });
    return false;
}

void Announcer::giveNameBack() {
    if (!carrier_)
        return;
    carrier_->removeEventFilter(this);
    carrier_->setAccessibleName(ownName_);
    carrier_ = nullptr;
}
