#include "distributionnotice.h"
#include "entrystore.h"
#include "filebytes.h"
#include "fishpicture.h"
#include "form1.h"
#include "form2.h"
#include "platform.h"
#include "programicon.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString("<none>");
}

// What a screen reader is sent: each event with the object's role and name at
// that moment, as the platform bridges read them.
struct Heard {
    QAccessible::Event type;
    QObject* object;
    QAccessible::Role role;
    QString name;
};
QList<Heard> heard;

void listen(QAccessibleEvent* event) {
    QAccessibleInterface* face = event->accessibleInterface();
    heard << Heard{event->type(), event->object(), face ? face->role() : QAccessible::NoRole,
                   face ? face->text(QAccessible::Name) : QString()};
}

// Listens as a screen reader does, told by notifications, while it lives; all
// it changed is put back however the test ends.
class Listening {
  public:
    Listening() : bridge_(*QGuiApplicationPrivate::platformIntegration()->accessibility()) {
        bridge_.setActive(true);
        QAccessible::installUpdateHandler(listen);
        platform::setAnnounceChannel(platform::AnnounceChannel::Notification);
    }
    ~Listening() {
        QAccessible::installUpdateHandler(nullptr);
        bridge_.setActive(false);
        platform::setAnnounceChannel(native_);
    }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

  private:
    QPlatformAccessibility& bridge_;
    const platform::AnnounceChannel native_ = platform::announceChannel();
};

// The message a reader was last told, by the notification that appeared; a
// control renamed meanwhile is noted after it. Forgets what was heard.
QString told() {
    QString note = "<no notification>";
    for (const Heard& event : std::as_const(heard)) {
        if (event.type == QAccessible::ObjectShow && event.role == QAccessible::Notification)
            note = event.name;
        if (event.type == QAccessible::NameChanged && event.role != QAccessible::StaticText &&
            event.role != QAccessible::Notification)
            note += " | renamed " + event.object->objectName() + ": " + event.name;
    }
    heard.clear();
    return note;
}

// The names a reader was told with each event of `type` on the control.
QStringList heardOf(QAccessible::Event type, const char* objectName) {
    QStringList names;
    for (const Heard& event : std::as_const(heard))
        if (event.type == type && event.object->objectName() == objectName)
            names << event.name;
    return names;
}

// Mean squared brightness step between neighbouring pixels. An edge blown up
// from a smaller picture climbs in several small steps instead of one large
// one, which this measure halves.
double sharpness(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    long count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 1; x < image.width(); ++x) {
            const int step = qGray(image.pixel(x, y)) - qGray(image.pixel(x - 1, y));
            sum += step * step;
            ++count;
        }
    }
    return sum / count;
}

// How long a message stays: the notification, and a control's lent name. Each
// is a coarse timer, which may fire up to 5 % early, so "not before" is
// checked against 95 % of it.
constexpr qint64 kNotificationShownMs = 2000;
constexpr qint64 kNameLentMs = 750;
constexpr qint64 notBefore(qint64 ms) {
    return ms * 95 / 100;
}

// A limit for waiting on something that comes after a timer, generous
// enough for a machine busy with other work.
constexpr int kPatienceMs = 10000;

// Runs the passes of the event loop that are due now, stopping early once
// `done` holds; `done` after that means it came without waiting for a timer.
template <typename Done> bool withinAFewPasses(Done done) {
    for (int pass = 0; pass < 10 && !done(); ++pass)
        QCoreApplication::processEvents();
    return done();
}

// Whether what is shown for `ms` from `since` outlasts the passes of the event
// loop due now, `over` telling when it is gone. A machine that stood still for
// the whole time may rightly have let it go, which counts as lasting.
template <typename Over> bool outlastsAFewPasses(const QElapsedTimer& since, qint64 ms, Over over) {
    return !withinAFewPasses(over) || since.elapsed() >= notBefore(ms);
}

bool captionsFit(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (QFontMetrics(label->font()).horizontalAdvance(label->text()) > label->width())
            return false;
    }
    return true;
}

} // namespace

// What a desktop asks of the windows: screen readers, keyboard use, and
// high-density screens (this test runs at QT_SCALE_FACTOR=2).
class TestDesktop : public QObject {
    Q_OBJECT

  private slots:
    // Each platform's readers hear one channel only: Orca speaks a
    // notification that appears but not a renamed control, UI Automation
    // readers the reverse. First, before any test chooses a channel.
    void eachPlatformAnnouncesWhereItsReadersListen() {
#ifdef Q_OS_WIN
        const auto heard = platform::AnnounceChannel::FocusedName;
#else
        const auto heard = platform::AnnounceChannel::Notification;
#endif
        const bool toTheName =
            platform::announceChannel() == platform::AnnounceChannel::FocusedName;
        QVERIFY2(platform::announceChannel() == heard,
                 toTheName ? "announced by the focused control's name"
                           : "announced by a notification");
    }

    void everyControlHasAnAccessibleName() {
        Form1 form;
        const QList<QPair<const char*, QString>> names{
            {"Text1", "Keyword"},  {"Text2", "Entry text"},     {"Text3", "Entry Date"},
            {"Label1", ""},        {"Picture1", "Fish symbol"}, {"Command1", "Save"},
            {"Command2", "Find"},  {"Command3", "Find Next"},   {"Command4", "Done"},
            {"Command5", "About"}, {"Label2", "Keyword"},       {"Label3", "Entry Date"}};
        for (const auto& [control, name] : names)
            QCOMPARE(accessibleName(form.findChild<QWidget*>(control)), name);
        Form2::showAbout(&form);
        QCOMPARE(accessibleName(Form2::instance()->findChild<QWidget*>("Command1")), QString("OK"));
        QCOMPARE(accessibleName(Form2::instance()->findChild<QWidget*>("Label19")),
                 QString("God Bless You!"));
    }

    // Each step, taken from the keyboard, is told to a screen reader on the
    // control that keeps the focus.
    void aScreenReaderHearsWhatIsShown() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        entry_store::EntryStore store;
        QVERIFY(!store.save("hope", "May 4", "second"));
        QVERIFY(!store.save("grace", "May 5", "Third thought?\r\nmore"));
        QVERIFY(!store.save("long", "", std::string(300, 'x')));
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QVERIFY(form.findChild<QWidget*>("Announcement")->isHidden());
        const Listening listening;
        auto press = [&](const char* name, Qt::Key key = Qt::Key_Space) {
            auto* control = form.findChild<QWidget*>(name);
            control->setFocus();
            heard.clear();
            QTest::keyClick(control, key);
        };
        const QString next = " Paused: Find Next shows the next entry.";

        form.findChild<QLineEdit*>("Text1")->setText("grace");
        platform::setBoxText(form.findChild<QPlainTextEdit*>("Text2"), "First thought");
        form.findChild<QLineEdit*>("Text3")->setText("May 3");
        QElapsedTimer shown;
        shown.start();
        press("Command1");
        QCOMPARE(told(), QString("The entry was saved."));
        // It stays for the reader to fetch, and then nobody moving through
        // the objects meets it any more.
        QWidget* notification = form.findChild<QWidget*>("Announcement");
        QVERIFY(outlastsAFewPasses(shown, kNotificationShownMs,
                                   [&] { return notification->isHidden(); }));
        QCOMPARE(notification->geometry(), QRect(0, 0, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(notification->isHidden(), kPatienceMs);
        QVERIFY2(shown.elapsed() >= notBefore(kNotificationShownMs),
                 qPrintable(QString::number(shown.elapsed())));
        for (const QTimer* timer : form.findChildren<QTimer*>())
            QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));

        QStringList waits;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (form.findChild<QLabel*>("Label1")->text() != "Paused")
                return;
            const QStringList marker = heardOf(QAccessible::NameChanged, "Label1");
            waits << marker.value(marker.size() - 1, "<not told>") + ": " + told();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        });
        poll.start(0);
        press("Command2");
        QCOMPARE(waits, (QStringList{"Paused: May 5: Third thought?" + next,
                                     "Paused: May 3: First thought." + next}));
        QCOMPARE(heardOf(QAccessible::NameChanged, "Label1").value(0, "<not told>"), QString());
        QCOMPARE(told(),
                 QString("No further entry is filed under \"grace\". The search has ended."));
        form.findChild<QLineEdit*>("Text1")->setText("none");
        press("Command2");
        QCOMPARE(told(), QString("Nothing is filed under \"none\"."));
        QCOMPARE(waits.size(), 2);
        // An empty date is not spoken, and a long line only in part.
        form.findChild<QLineEdit*>("Text1")->setText("long");
        press("Command2");
        QCOMPARE(waits.value(2), "Paused: " + QString(200, 'x') + "." + next);
        QCOMPARE(waits.size(), 3);
        poll.stop();

        press("Picture1", Qt::Key_Return);
        QCOMPARE(heardOf(QAccessible::TextInserted, "Text2").size() +
                     heardOf(QAccessible::TextUpdated, "Text2").size(),
                 1);
        QCOMPARE(told(), "The distribution notice is in the entry text box. " +
                             distributionNotice().join(' ').simplified());
        QAccessibleInterface* fish =
            QAccessible::queryAccessibleInterface(form.findChild<QWidget*>("Picture1"));
        QCOMPARE(fish->role(), QAccessible::Button);
        QVERIFY(fish->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));

        press("Command5");
        Form2* about = Form2::instance();
        QApplication::setActiveWindow(about); // as the window manager does
        QAccessibleInterface* page = QAccessible::queryAccessibleInterface(about);
        QCOMPARE(page->role(), QAccessible::Dialog);
        const QString description = page->text(QAccessible::Description);
        QVERIFY2(description.startsWith("Verimond Version 1.0. Verimond is a place") &&
                     description.endsWith("at the top of the program box. God Bless You!") &&
                     !description.contains("  "),
                 qPrintable(description));
        QCOMPARE(QApplication::focusWidget(), about->findChild<QWidget*>("Command1"));
        // Labels a reader would speak before the description, broken mid-sentence.
        for (QLabel* label : about->findChildren<QLabel*>())
            QCOMPARE(QAccessible::queryAccessibleInterface(label)->role(), QAccessible::Paragraph);
        // Only a plain Esc closes it; keys the buttons ignore leave it open.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
        QVERIFY(about->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(about->isHidden());
    }

    // A reader is told, once, how many keywords the list offers when it opens
    // and when that number changes, and is back on the keyword box when the
    // list closes with Esc or Return. No control is renamed for it.
    void aScreenReaderHearsTheKeywordOffers() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        writeBytes("verimond.dat",
                   "grace\r\nd\r\nt\r\n**EOE**\r\ngratitude\r\nd\r\nt\r\n**EOE**\r\n");
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const Listening listening;
        auto* text1 = form.findChild<QLineEdit*>("Text1");
        QWidget* list = text1->completer()->popup();
        auto type = [&](const QString& keys) {
            for (const QChar key : keys)
                QTest::keyClicks(list->isVisible() ? list : text1, QString(key));
        };
        auto notifications = [] {
            return std::count_if(heard.cbegin(), heard.cend(), [](const Heard& event) {
                return event.type == QAccessible::ObjectShow &&
                       event.role == QAccessible::Notification;
            });
        };
        text1->setFocus();
        heard.clear();
        type("g");
        QTRY_VERIFY(notifications() > 0);
        QCoreApplication::processEvents();
        QCOMPARE(notifications(), 1);
        QCOMPARE(told(), QString("2 keywords offered"));
        type("ra");
        QCoreApplication::processEvents();
        QCOMPARE(told(), QString("<no notification>"));
        type("c");
        QTRY_VERIFY(notifications() > 0);
        QCOMPARE(told(), QString("1 keyword offered"));
        // A list left with only what was typed closes untold, though one key
        // changes it in two steps.
        type("e");
        QTRY_VERIFY(!list->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(told(), QString("<no notification>"));
        type("\b");
        QTRY_VERIFY(list->isVisible());
        // Tab takes the reader on to the next control, not back. Opened
        // again, the list is told again.
        for (const Qt::Key close : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Tab}) {
            heard.clear();
            QTest::keyClick(list, close);
            QTRY_VERIFY(!list->isVisible());
            QCoreApplication::processEvents();
            QStringList order; // Orca names the window a frame if the list goes first
            for (const Heard& event : std::as_const(heard))
                if (event.type == QAccessible::Focus ||
                    (event.type == QAccessible::ObjectHide && event.object == list))
                    order << event.object->objectName();
            const QStringList first = close == Qt::Key_Tab ? QStringList{"Text2", "KeywordOffers"}
                                                           : QStringList{"Text1", "KeywordOffers"};
            QCOMPARE(order.mid(0, 2), first);
            text1->setFocus();
            type("\b");
            QTRY_VERIFY(notifications() > 0);
        }
        // A click beside the list on a caption, which takes no focus, leaves
        // the reader on Keyword too, told once.
        heard.clear();
        QWidget* caption = form.findChild<QWidget*>("Label2");
        QTest::mousePress(list, Qt::LeftButton, {},
                          list->mapFromGlobal(caption->mapToGlobal(caption->rect().center())));
        QTRY_VERIFY(!list->isVisible());
        QCoreApplication::processEvents();
        QObjectList focused;
        for (const Heard& event : std::as_const(heard))
            if (event.type == QAccessible::Focus)
                focused << event.object;
        QCOMPARE(focused, QObjectList{text1});
        // Closed so, the list stays closed when the diary changes meanwhile.
        appendBytes("verimond.dat", "grail\r\nd\r\nt\r\n**EOE**\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(text1->completer()->model()->rowCount() == 3, 10000);
        QCoreApplication::processEvents();
        QVERIFY(!list->isVisible());
        // A click outside every window closes the list with the reader on Keyword.
        text1->setText("g");
        type("r");
        QTRY_VERIFY(list->isVisible());
        heard.clear();
        const QPoint above = form.frameGeometry().topLeft() - QPoint(0, 100);
        QTest::mousePress(list, Qt::LeftButton, {}, list->mapFromGlobal(above));
        QVERIFY(!list->isVisible());
        focused.clear();
        for (const Heard& event : std::as_const(heard))
            if (event.type == QAccessible::Focus)
                focused << event.object;
        QCOMPARE(focused, QObjectList{text1});
    }

    // Qt gives the entry box back its focus from the box's menu without
    // telling a reader, which Orca then leaves on the window: it is told, and
    // before the menu goes, as for the keyword list.
    void theReaderIsBackInTheBoxAfterItsMenu() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const Listening listening;
        auto* text2 = form.findChild<QPlainTextEdit*>("Text2");
        text2->setFocus();
        const QPoint at = text2->cursorRect().center();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, at, text2->mapToGlobal(at));
        QApplication::sendEvent(text2, &request);
        QWidget* menu = QApplication::activePopupWidget();
        QVERIFY(menu);
        heard.clear();
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCoreApplication::processEvents();
        QObjectList order;
        for (const Heard& event : std::as_const(heard))
            if (event.type == QAccessible::Focus ||
                (event.type == QAccessible::ObjectHide && event.object == menu))
                order << event.object;
        QCOMPARE(order.size(), 2);
        QCOMPARE(order.first(), text2);
    }

    // What UI Automation readers hear: the focused control's name, lent for
    // less than a second even while the focus stays, and only in the active window.
    void theFocusedControlLendsItsNameForAMoment() {
        const platform::AnnounceChannel native = platform::announceChannel();
        platform::setAnnounceChannel(platform::AnnounceChannel::FocusedName);
        QWidget window, other;
        auto* save = new QPushButton("Save", &window);
        auto* find = new QPushButton("Find", &window);
        find->move(0, 40);
        save->setAccessibleName("Save the entry");
        find->setAccessibleName("Find entries");
        auto* announcer = new platform::Announcer(&window);
        window.show();
        QApplication::setActiveWindow(&window);
        save->setFocus();
        QElapsedTimer lent;
        lent.start();
        announcer->announce("The entry was saved.");
        QCOMPARE(accessibleName(save), QString("The entry was saved."));
        QVERIFY(window.findChild<QWidget*>("Announcement")->isHidden());
        // A reader fetches the name some time after the event, so the name
        // outlasts the passes of the event loop that follow, and comes back later.
        QVERIFY(outlastsAFewPasses(lent, kNameLentMs,
                                   [&] { return accessibleName(save) == "Save the entry"; }));
        QTRY_COMPARE_WITH_TIMEOUT(accessibleName(save), QString("Save the entry"), kPatienceMs);
        QVERIFY2(lent.elapsed() >= notBefore(kNameLentMs),
                 qPrintable(QString::number(lent.elapsed())));
        QVERIFY(save->hasFocus());
        QVERIFY(!window.findChild<QTimer*>("NameRestore")->isActive()); // no wake-ups while idle
        // A control lending its name still works, and has the name back as
        // soon as the focus leaves it: not in the same pass, where the reader
        // would hear it before the focus change, but in the next.
        announcer->announce("Again.");
        QSignalSpy clicked(save, &QPushButton::clicked);
        QTest::keyClick(save, Qt::Key_Space);
        QCOMPARE(clicked.count(), 1);
        find->setFocus();
        QCOMPARE(accessibleName(save), QString("Again."));
        QVERIFY(withinAFewPasses([&] { return accessibleName(save) == "Save the entry"; }));
        // A message for the next control gives it back even sooner.
        save->setFocus();
        announcer->announce("Again.");
        find->setFocus();
        announcer->announce("Found.");
        QCOMPARE(accessibleName(save), QString("Save the entry"));
        QTRY_COMPARE_WITH_TIMEOUT(accessibleName(find), QString("Find entries"), kPatienceMs);

        // A carrier deleted while it holds a message.
        announcer->announce("Found.");
        QSignalSpy restoring(window.findChild<QTimer*>("NameRestore"), &QTimer::timeout);
        delete find;
        QVERIFY(restoring.wait(kPatienceMs));

        save->setFocus();
        other.show();
        QApplication::setActiveWindow(&other);
        announcer->announce("Behind another window.");
        QCOMPARE(accessibleName(save), QString("Save the entry"));
        platform::setAnnounceChannel(native);
    }

    // Space, Return and Enter on a focused button click it, in both windows;
    // in the boxes Return keeps its meaning.
    void keysOnAFocusedButtonClickIt_data() {
        QTest::addColumn<int>("pressed");
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) + int(Qt::KeypadModifier);
    }

    void keysOnAFocusedButtonClickIt() {
        QFETCH(int, pressed);
        const auto key = Qt::Key(pressed & ~Qt::KeyboardModifierMask);
        const auto modifiers = Qt::KeyboardModifiers(pressed & Qt::KeyboardModifierMask);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* save = form.findChild<QPushButton*>("Command1");
        save->setFocus();
        QTest::keyClick(save, key, modifiers);
        QCOMPARE(readBytes("verimond.dat"), std::string("\r\n\r\n\r\n**EOE**\r\n"));

        // Every button of both windows (the About window is the main one's
        // child), its handler cut off: one click each.
        Form2::showAbout(&form);
        const QList<QPushButton*> buttons = form.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 6);
        for (QPushButton* button : buttons) {
            button->disconnect(button->window());
            QSignalSpy clicks(button, &QPushButton::clicked);
            button->setFocus();
            QTest::keyClick(button, key, modifiers);
            // A held key repeats its press; that is still one click.
            for (int i = 0; i < 3 && key != Qt::Key_Space; ++i) {
                QKeyEvent repeated(QEvent::KeyPress, key, modifiers, QString(), true);
                QApplication::sendEvent(button, &repeated);
            }
            QVERIFY2(clicks.size() == 1, qPrintable(button->text()));
        }
        if (key == Qt::Key_Space)
            return;
        auto* text2 = form.findChild<QPlainTextEdit*>("Text2");
        QTest::keyClicks(text2, "a");
        QTest::keyClick(text2, key, modifiers);
        QCOMPARE(platform::boxText(text2), QString("a\r\n"));
        for (const char* name : {"Text1", "Text3"}) {
            auto* box = form.findChild<QLineEdit*>(name);
            QTest::keyClicks(box, "k");
            QTest::keyClick(box, key, modifiers);
            QCOMPARE(box->text(), QString("k"));
        }
        QCOMPARE(readBytes("verimond.dat"), std::string("\r\n\r\n\r\n**EOE**\r\n"));
    }

    // A window is moved just enough to be wholly on the screen's free area,
    // and only when it would not be.
    void windowsAreKeptOnTheScreen() {
        const QRect area(0, 30, 1280, 994); // below a top panel
        const struct {
            QRect frame;
            QPoint kept;
        } rows[] = {
            {{99, 97, 622, 386}, {99, 97}},     // fits: stays where it was asked to be
            {{198, 194, 1244, 772}, {36, 194}}, // too far right: moved left just enough
            {{198, 400, 600, 700}, {198, 324}}, // too low: moved up just enough
            {{-50, 10, 600, 400}, {0, 30}},     // off the left and under the panel
            {{198, 194, 1400, 1100}, {0, 30}},  // larger than the area: its top-left corner
        };
        for (const auto& row : rows)
            QCOMPARE(platform::keptOnScreen(row.frame, area), row.kept);
        // Asked for a place off every screen, a window goes onto its own.
        QWidget window;
        window.resize(200, 100);
        platform::placeOnScreen(&window, QPoint(-5000, -5000));
        QVERIFY(window.screen()->availableGeometry().contains(window.geometry()));
    }

    void doubleScaleKeepsTheLayoutAndDrawsSharp() {
        QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("2"));
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPixmap window = form.grab();
        QCOMPARE(window.devicePixelRatio(), 2.0);
        QCOMPARE(window.size(), QSize(1244, 772));
        QCOMPARE(form.findChild<QWidget*>("Text2")->geometry(), QRect(8, 64, 601, 265));
        QVERIFY(captionsFit(&form));
        Form2::showAbout(&form);
        QCOMPARE(Form2::instance()->grab().size(), QSize(1198, 802));
        // Both windows are wholly on the screen or, where the screen is smaller
        // than the window at this scale (offscreen), at its top-left corner.
        const QRect screen = form.screen()->availableGeometry();
        for (QWidget* window :
             {static_cast<QWidget*>(&form), static_cast<QWidget*>(Form2::instance())}) {
            const QRect frame = window->frameGeometry();
            QVERIFY2(screen.contains(frame) ||
                         (frame.left() <= screen.left() && frame.top() <= screen.top() + 16),
                     qPrintable(QString("%1,%2").arg(frame.left()).arg(frame.top())));
        }
        QVERIFY(captionsFit(Form2::instance()));

        // The fish is drawn at the screen's resolution, not blown up from one
        // drawn at normal size.
        const QImage fish = form.findChild<QWidget*>("Picture1")->grab().toImage();
        QCOMPARE(fish.size(), QSize(270, 108));
        QImage normal(135, 54, QImage::Format_ARGB32);
        normal.fill(form.palette().window().color());
        QPainter painter(&normal);
        FishPicture::paintFish(painter);
        painter.end();
        const QImage blownUp =
            normal.scaled(270, 108, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        qInfo("sharpness of the fish at 2x: %.0f drawn, %.0f blown up", sharpness(fish),
              sharpness(blownUp));
        QVERIFY2(sharpness(fish) > 1.3 * sharpness(blownUp),
                 qPrintable(QString("%1 vs %2").arg(sharpness(fish)).arg(sharpness(blownUp))));

        // The icon comes from its vector source where no hand-drawn size fits.
        const QIcon icon = programIcon();
        const QImage handDrawn = icon.pixmap(QSize(16, 16), 1.0).toImage();
#ifdef Q_OS_LINUX
        // Reading the hand-drawn picture must not load image plugins to ask
        // which of them reads PNG: that was a third of the window's showing.
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("imageformats"));
#endif
        // Pictures are compared premultiplied, the form a pixmap keeps them in.
        // Taking the alpha back out divides by it, and Qt's vector code does
        // that with the processor's approximate reciprocal, which rounds a
        // half-way value one way on some processors and the other way on
        // others; premultiplying is exact integer arithmetic everywhere.
        const auto premultiplied = [](const QImage& image) {
            return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        const QImage big = icon.pixmap(QSize(32, 32), 2.0).toImage();
        QCOMPARE(big.size(), QSize(64, 64));
        const QImage small = QImage(":/verimond/icons/verimond-32.png")
                                 .scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(premultiplied(big) != premultiplied(small));
        QCOMPARE(premultiplied(handDrawn),
                 premultiplied(QImage(":/verimond/icons/verimond-16.png")));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
