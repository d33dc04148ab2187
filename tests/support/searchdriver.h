#pragma once

#include "form1.h"
#include "platform.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

// Drives searches on a real Form1 as a user would, for the window tests.
namespace searchdriver {

template <typename T = QWidget> inline T* child(Form1& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

// What the window shows while a search waits.
struct Wait {
    QString text;
    bool text1 = false, save = false, find = false, others = false;
};

inline QString shown(Form1& form) {
    return platform::boxText(child<QPlainTextEdit>(form, "Text2"));
}

// Clicks Find with `keyword` and lets the search run to its end. At every wait
// the window is recorded, `onWait` may act (nested in the wait, as the user
// would), and then Find Next is clicked unless the wait was already released.
inline QList<Wait> find(Form1& form, const QString& keyword,
                        const std::function<void(Form1&, int)>& onWait = {}) {
    QList<Wait> waits;
    auto* label1 = child<QLabel>(form, "Label1");
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (label1->text() != "Paused")
            return;
        if (waits.size() > 1000)
            qFatal("the search never ends");
        Wait wait;
        wait.text = shown(form);
        wait.text1 = child(form, "Text1")->isEnabled();
        wait.save = child(form, "Command1")->isEnabled();
        wait.find = child(form, "Command2")->isEnabled();
        wait.others = child(form, "Command3")->isEnabled() &&
                      child(form, "Command4")->isEnabled() &&
                      child(form, "Command5")->isEnabled() && child(form, "Text2")->isEnabled() &&
                      child(form, "Text3")->isEnabled();
        waits << wait;
        if (onWait)
            onWait(form, static_cast<int>(waits.size()) - 1);
        if (label1->text() == "Paused")
            QTest::mouseClick(child(form, "Command3"), Qt::LeftButton);
    });
    poll.start();
    child<QLineEdit>(form, "Text1")->setText(keyword);
    QTest::mouseClick(child(form, "Command2"), Qt::LeftButton);
    poll.stop();
    return waits;
}

inline QStringList texts(const QList<Wait>& waits) {
    QStringList out;
    for (const Wait& wait : waits)
        out << wait.text;
    return out;
}

inline bool idle(Form1& form) {
    return child(form, "Text1")->isEnabled() && child(form, "Command1")->isEnabled() &&
           child(form, "Command2")->isEnabled() &&
           child<QLabel>(form, "Label1")->text().isEmpty() && !form.store().reader().isOpen();
}

} // namespace searchdriver
