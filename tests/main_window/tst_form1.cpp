#include "distributionnotice.h"
#include "faultyfilesystem.h"
#include "filebytes.h"
#include "form1.h"
#include "guitest.h"
#include "keywordmodel.h"
#include "keywordoffers.h"
#include "searchdriver.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDir>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>

class TestForm1 : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::string path() const { return (dir_.path() + "/verimond.dat").toStdString(); }

    // The rows of a list's model, as `role` gives them.
    static QStringList rows(const QAbstractItemModel* model, int role = KeywordModel::KeywordRole) {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, 0).data(role).toString();
        return texts;
    }

    template <typename T> static T* child(Form1& form, const char* name) {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

  private slots:
    void init() {
        QFile::remove(dir_.path() + "/verimond.dat");
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void windowIsLaidOutInTwips() {
        Form1 form;
        QCOMPARE(form.windowTitle(), QString("Verimond"));
        QCOMPARE(form.size(), QSize(622, 386)); // 9330 x 5790 twips
        QCOMPARE(form.geometry().topLeft(), QPoint(99, 97));
        const struct {
            const char* name;
            QRect rect;
        } controls[] = {
            {"Text1", {8, 24, 137, 19}},      {"Text2", {8, 64, 601, 265}},
            {"Text3", {472, 24, 137, 19}},    {"Command1", {8, 344, 73, 33}},
            {"Command2", {104, 344, 73, 33}}, {"Label1", {152, 16, 57, 17}},
            {"Command3", {184, 344, 73, 33}}, {"Command4", {544, 344, 73, 33}},
            {"Picture1", {240, 0, 135, 54}},  {"Label2", {8, 8, 49, 17}},
            {"Label3", {472, 8, 57, 17}},     {"Command5", {456, 344, 73, 33}},
        };
        for (const auto& control : controls)
            QCOMPARE(child<QWidget>(form, control.name)->geometry(), control.rect);
    }

    void controlsStartAsDescribed() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(form, "Text1"));
        for (const char* box : {"Text1", "Text3"})
            QVERIFY(child<QLineEdit>(form, box)->text().isEmpty());
        QVERIFY(child<QPlainTextEdit>(form, "Text2")->toPlainText().isEmpty());
        QVERIFY(child<QLabel>(form, "Label1")->text().isEmpty());
        const QStringList captions{"Save", "Find", "Find Next", "Done", "About"};
        for (int i = 1; i <= 5; ++i) {
            auto* button = child<QPushButton>(form, qPrintable(QString("Command%1").arg(i)));
            QCOMPARE(button->text(), captions[i - 1]);
            QVERIFY(button->isEnabled());
            QVERIFY(!button->isDefault() && !button->autoDefault());
            QVERIFY(button->font().bold());
            QCOMPARE(button->font().pixelSize() <= 11, true);
        }
        QCOMPARE(child<QLabel>(form, "Label2")->text(), QString("Keyword"));
        QCOMPARE(child<QLabel>(form, "Label3")->text(), QString("Entry Date"));
        for (QLabel* label : form.findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        QCOMPARE(text2->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(text2->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text2->font().pixelSize(), 13);
        QCOMPARE(form.font().pixelSize(), 11);
        QVERIFY(!text2->font().bold() && !form.font().bold());
    }

    void tabOrderVisitsTheEntryTextBeforeTheDate() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QStringList order;
        for (int i = 0; i < 9; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, (QStringList{"Text1", "Text2", "Text3", "Command1", "Command2", "Command3",
                                     "Command4", "Picture1", "Command5"}));
    }

    void everyCaptionFitsItsControl() {
        Form1 form;
        for (QLabel* label : form.findChildren<QLabel*>())
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->objectName() + " / " + QFontInfo(label->font()).family()));
        for (QPushButton* button : form.findChildren<QPushButton*>())
            QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text()) <=
                         button->width() - 8,
                     qPrintable(button->objectName()));
        // Where no face fits, the caption gets the largest size that does.
        QLabel label("Payment and contact information");
        label.setFont(platform::formFont(8.25));
        const int width = QFontMetrics(label.font()).horizontalAdvance(label.text()) * 3 / 4;
        platform::fitCaption(&label, label.text(), width);
        QFont larger = label.font();
        larger.setPixelSize(larger.pixelSize() + 1);
        QVERIFY(QFontMetrics(label.font()).horizontalAdvance(label.text()) <= width);
        QVERIFY(QFontMetrics(larger).horizontalAdvance(label.text()) > width);
        // Never below 6 pixels, however narrow the control.
        platform::fitCaption(&label, label.text(), 1);
        QCOMPARE(label.font().pixelSize(), 6);
        // A caption exactly as wide as its control fits as it is.
        QLabel exact("Keyword");
        exact.setFont(platform::formFont(8.25));
        const QFont before = exact.font();
        platform::fitCaption(&exact, exact.text(),
                             QFontMetrics(before).horizontalAdvance("Keyword"));
        QCOMPARE(exact.font(), before);
        // Where a narrow face fits, the size stays.
        if (QFontDatabase::families().contains("Liberation Sans Narrow")) {
            QLabel narrow(label.text());
            narrow.setFont(platform::formFont(8.25));
            const int width = QFontMetrics(narrow.font()).horizontalAdvance(narrow.text()) * 9 / 10;
            platform::fitCaption(&narrow, narrow.text(), width);
            QCOMPARE(narrow.font().pixelSize(), 11);
            QVERIFY(QFontMetrics(narrow.font()).horizontalAdvance(narrow.text()) <= width);
        }
    }

    void saveClickAppendsTheTypedEntry() {
        GuiTestHooks hooks;
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(child<QWidget>(form, "Text1"), "grace");
        QTest::keyClicks(child<QWidget>(form, "Text3"), "May 3");
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        QTest::keyClicks(text2, "line one");
        // Shift+Return breaks the line as Return does.
        QTest::keyClick(text2, Qt::Key_Return, Qt::ShiftModifier);
        // A typed no-break space is stored as itself (0xA0), not as a plain space.
        QTest::keyClicks(text2, QString::fromUtf8("line\u00A0two"));
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(readBytes(path()),
                 std::string("grace\r\nMay 3\r\nline one\r\nline\xA0two\r\n**EOE**\r\n"));
        // The boxes keep their text, so a second click stores the entry again.
        QCOMPARE(child<QLineEdit>(form, "Text1")->text(), QString("grace"));
        QCOMPARE(child<QLineEdit>(form, "Text3")->text(), QString("May 3"));
        QCOMPARE(platform::boxText(text2), QString::fromUtf8("line one\r\nline\u00A0two"));
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(
            readBytes(path()).size(),
            2 * std::string("grace\r\nMay 3\r\nline one\r\nline\xA0two\r\n**EOE**\r\n").size());
        QVERIFY(hooks.messages.isEmpty());
    }

    void failedSaveKeepsTheProgramAndTheText() {
        GuiTestHooks hooks;
        writeBytes(path(), "old\r\n\r\n\r\n**EOE**\r\n");
        FaultyFileSystem files;
        Form1 form(files);
        child<QLineEdit>(form, "Text1")->setText("grace");
        child<QLineEdit>(form, "Text3")->setText("May 3");
        platform::setBoxText(child<QPlainTextEdit>(form, "Text2"), "my thought\r\nsecond line");
        files.reset(6, ENOSPC); // the write, after open, stamp, lock, size and reading the tail
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(hooks.messages.size(), 1);
        QVERIFY(hooks.messages[0].contains("verimond.dat"));
        QVERIFY(hooks.messages[0].contains("no space"));
        QCOMPARE(hooks.announced(&form), QString()); // the alert alone, not "saved" after it
        QCOMPARE(readBytes(path()), std::string("old\r\n\r\n\r\n**EOE**\r\n"));
        QCOMPARE(child<QLineEdit>(form, "Text1")->text(), QString("grace"));
        QCOMPARE(child<QLineEdit>(form, "Text3")->text(), QString("May 3"));
        QCOMPARE(platform::boxText(child<QPlainTextEdit>(form, "Text2")),
                 QString("my thought\r\nsecond line"));
        // The program goes on, and the next save works.
        files.reset();
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(readBytes(path()), std::string("old\r\n\r\n\r\n**EOE**\r\ngrace\r\nMay 3\r\nmy "
                                                "thought\r\nsecond line\r\n**EOE**\r\n"));
        QCOMPARE(hooks.announced(&form), QString("The entry was saved."));
    }

    // Typing in the keyword box offers the diary's keywords that begin with
    // what was typed, case ignored, most used first, with their counts; an
    // offer taken puts the keyword alone in the box. A Save's keyword, and
    // entries another program appended, are offered at the next keystroke.
    void theKeywordBoxOffersTheDiarysKeywords() {
        GuiTestHooks hooks;
        writeBytes(path(), "gratitude\r\nd\r\nt\r\n**EOE**\r\ngrace\r\nd\r\nt\r\n**EOE**\r\n"
                           "Grace, hope\r\nd\r\nt\r\n**EOE**\r\ngrace\r\nd\r\nt\r\n**EOE**\r\n");
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // Every key reads, as keys typed a while apart do.
        form.findChild<KeywordOffers*>()->setClock(
            [ms = qint64(0)]() mutable { return ms += 1000; });
        auto* text1 = child<QLineEdit>(form, "Text1");
        // The list is a window of its own, found by its name as the boxes are.
        QAbstractItemView* list = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == "KeywordOffers")
                list = qobject_cast<QAbstractItemView*>(window);
        }
        QVERIFY(list);
        // Every change of the list is told before and after, as views and
        // screen readers need.
        QSignalSpy aboutToReset(text1->completer()->model(),
                                &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(text1->completer()->model(), &QAbstractItemModel::modelReset);
        // Keys go where the window system sends them: to the list while it is open.
        auto type = [&](const QString& keys) {
            for (const QChar key : keys)
                QTest::keyClicks(
                    QApplication::activePopupWidget() ? QApplication::activePopupWidget() : text1,
                    QString(key));
        };
        auto press = [&](Qt::Key key) {
            QWidget* to = QApplication::activePopupWidget();
            QTest::keyClick(to ? to : text1, key);
        };
        auto offered = [&] {
            QStringList rows;
            if (list->isVisible()) {
                for (int row = 0; row < list->model()->rowCount(); ++row)
                    rows << list->model()->index(row, 0).data().toString();
            }
            return rows;
        };
        // Nothing is read before the first key, not even by a Save.
        text1->setText("joy");
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(text1->completer()->model()->rowCount(), 0);
        text1->clear();
        text1->setFocus();
        type("GRA");
        QCOMPARE(offered(), (QStringList{"grace (2)", "Grace (1)", "gratitude (1)"}));
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QCOMPARE(text1->text(), QString("grace"));
        QVERIFY(!list->isVisible());
        QCOMPARE(QApplication::focusWidget(), text1);
        // Esc puts back what was typed for an offer only looked at.
        text1->clear();
        type("GRA");
        press(Qt::Key_Down);
        QCOMPARE(text1->text(), QString("grace"));
        press(Qt::Key_Escape);
        QCOMPARE(text1->text(), QString("GRA"));

        // Exactly what was typed, and nothing more, is no offer.
        text1->clear();
        type("hop");
        QCOMPARE(offered(), QStringList{"hope (1)"});
        type("e");
        QCOMPARE(offered(), QStringList{});
        // Tab moves on at once, list or no list.
        text1->clear();
        type("gr");
        QVERIFY(list->isVisible());
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(form, "Text2"));
        QVERIFY(!list->isVisible());

        text1->setText("faith");
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        // Offered at once, also to a paste by mouse, which is no keystroke.
        QApplication::clipboard()->setText("fai");
        text1->clear();
        text1->setFocus();
        text1->paste();
        QCOMPARE(offered(), QStringList{"faith (1)"});
        appendBytes(path(), "far\r\nd\r\nt\r\n**EOE**\r\n");
        text1->clear();
        text1->setFocus();
        type("f");
        QCOMPARE(offered(), (QStringList{"faith (1)", "far (1)"}));
        QVERIFY(hooks.messages.isEmpty());
        // A diary read in several slices: the reading ends with the last one,
        // and costs nothing more while the user waits.
        std::string more;
        int fairs = 0;
        for (; more.size() < (5u << 20); ++fairs)
            more += "fair\r\nd\r\nt\r\n**EOE**\r\n";
        appendBytes(path(), more);
        type("a");
        QTRY_VERIFY(!text1->findChild<QTimer*>("KeywordSlices")->isActive());
        QCOMPARE(offered().value(0), QString("fair (%1)").arg(fairs));
        QVERIFY(reset.count() > 0);
        QCOMPARE(aboutToReset.count(), reset.count());
        QVERIFY(!text1->completer()->model()->data(QModelIndex()).isValid());
    }

    // The keyword left out is the only one missing, wherever it stands.
    void theKeywordLeftOutIsTheOnlyOneMissing() {
        KeywordModel model;
        model.setKeywords({{"grace", 3}, {"hope", 2}, {"joy", 1}});
        auto rows = [&] {
            QStringList texts;
            for (int row = 0; row < model.rowCount(); ++row)
                texts << model.index(row).data(KeywordModel::KeywordRole).toString();
            return texts;
        };
        const QStringList all{"grace", "hope", "joy"};
        for (const QString& typed : all) {
            model.leaveOutIfOnly(typed);
            QStringList expected = all;
            expected.removeOne(typed);
            QCOMPARE(rows(), expected);
        }
    }

    // The diary is read in slices between events, a long line too: with a
    // small buffer and slice, a line of many slices, and an event posted at
    // the first read runs before the last.
    void theDiaryIsReadInSlicesBetweenEvents() {
        writeBytes(path(), "k," + std::string(2000, 'x') + ",kind\r\nd\r\n**EOE**\r\n");
        FaultyFileSystem files;
        QWidget window;
        auto* box = new QLineEdit(&window);
        auto* other = new QLineEdit(&window);
        KeywordOffers offers(box, files, path(), 64, 100);
        bool posted = false;
        bool ran = false;
        int readsAfter = 0;
        files.beforeRead = [&] {
            if (!posted)
                QTimer::singleShot(0, box, [&] { ran = true; });
            posted = true;
            readsAfter += ran ? 1 : 0;
        };
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box->setFocus();
        QTest::keyClicks(box, "k");
        auto* slices = box->findChild<QTimer*>("KeywordSlices");
        QTRY_VERIFY_WITH_TIMEOUT(!slices->isActive(), 10000);
        int passes = 0;
        for (const platform::FileOp op : files.calls)
            passes += op == platform::FileOp::Open ? 1 : 0;
        QVERIFY2(passes > 2000 / 100, qPrintable(QString::number(passes)));
        QVERIFY(files.bytesRead <
                2100u + std::uint64_t(passes) * (2 * 64 + 8)); // each byte once, and the checks
        QVERIFY(readsAfter > 0);
        QCOMPARE(box->completer()->model()->rowCount(), 2); // "k" and "kind"
        QVERIFY(box->completer()->popup()->isVisible());

        // Once the focus has left the box, a read that ends opens no list,
        // even with the focus back: the user has not typed since.
        box->completer()->popup()->hide();
        appendBytes(path(), "kz2\r\nd\r\n**EOE**\r\n" + std::string(2000, ' '));
        offers.setClock([] { return qint64(1) << 40; });
        QTest::keyClicks(box, "z"); // nothing offered yet
        QVERIFY(slices->isActive());
        other->setFocus();
        box->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(!slices->isActive(), 10000);
        QCOMPARE(box->completer()->model()->rowCount(), 3);
        QVERIFY(!box->completer()->popup()->isVisible());
        // Nor once Esc, Enter or Return has closed the list while a read went on, nor
        // while a menu is open over the box, nor once the box is emptied.
        offers.setClock([ms = qint64(1) << 41]() mutable { return ms += 1000; });
        for (const Qt::Key key :
             {Qt::Key_Escape, Qt::Key_Enter, Qt::Key_Return, Qt::Key_Menu, Qt::Key_Backspace}) {
            appendBytes(path(), "kz\r\nd\r\n**EOE**\r\n" + std::string(2000, ' '));
            // Offscreen, the list's own activation may come after it closed.
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            box->setText(key == Qt::Key_Backspace ? "k" : "kz");
            QTest::keyClick(box, Qt::Key_Backspace);
            QVERIFY(slices->isActive());
            QCOMPARE(box->completer()->popup()->isVisible(), key != Qt::Key_Backspace);
            QMenu menu(box);
            if (key == Qt::Key_Menu) {
                box->completer()->popup()->hide();
                menu.addAction("Copy");
                menu.popup(box->mapToGlobal(QPoint()));
            } else if (key != Qt::Key_Backspace) {
                QTest::keyClick(box->completer()->popup(), key);
            }
            QTRY_VERIFY_WITH_TIMEOUT(!slices->isActive(), 10000);
            QVERIFY(key == Qt::Key_Menu || QApplication::focusWidget() == box);
            QVERIFY(!box->completer()->popup()->isVisible());
        }
    }

    // The diary is read at the first edit of the box, then at most once in
    // 250 ms while keys come, and once more after the last; keys that change
    // nothing read nothing. A failed pass keeps the list it had, and the next
    // key or change tries again. Idle, only a change of the diary on disk
    // reads it; a Save reads at once.
    void keysReadTheDiaryAtMostOnceIn250Ms() {
        GuiTestHooks hooks;
        writeBytes(path(), "grace\r\nd\r\nt\r\n**EOE**\r\n");
        FaultyFileSystem files;
        qint64 ms = 0;
        Form1 form(files);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<KeywordOffers*>()->setClock([&ms] { return ms; });
        auto* text1 = child<QLineEdit>(form, "Text1");
        auto opens = [&] {
            return std::count(files.calls.cbegin(), files.calls.cend(), platform::FileOp::Open);
        };
        auto keywords = [&] { return rows(text1->completer()->model()); };
        for (Qt::Key key : {Qt::Key_Left, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt})
            QTest::keyClick(text1, key);
        QCOMPARE(opens(), 0);
        // What another program appends before the last key is read after it,
        // even where the system tells of no change.
        for (int key = 0; key < 20; ++key, ms += 30) {
            if (key == 19)
                appendBytes(path(), "gravel\r\nd\r\nt\r\n**EOE**\r\n");
            QTest::keyClick(text1, key % 2 ? Qt::Key_Backspace : Qt::Key_G);
            form.findChild<QFileSystemWatcher*>()->blockSignals(true);
        }
        QTest::qWait(2 * KeywordOffers::kReadGapMs); // the clock, not the timer, says when
        QCOMPARE(keywords(), QStringList{"grace"});
        ms += 250;
        QTRY_COMPARE_WITH_TIMEOUT(keywords(), (QStringList{"grace", "gravel"}), 10000);
        QVERIFY2(opens() <= 4, qPrintable(QString::number(opens())));
        auto* watcher = form.findChild<QFileSystemWatcher*>();
        watcher->blockSignals(false);

        // A pass of several slices fails after its first.
        std::string grapes;
        while (grapes.size() < (5u << 20))
            grapes += "grape\r\nd\r\nt\r\n**EOE**\r\n";
        appendBytes(path(), grapes);
        ms += 1000;
        QTest::keyClick(text1, Qt::Key_G);
        files.failFrom = static_cast<int>(files.calls.size()) + 1;
        QTRY_VERIFY(!text1->findChild<QTimer*>("KeywordSlices")->isActive());
        QCOMPARE(keywords(), (QStringList{"grace", "gravel"}));
        // The next change tries again, though the diary's stamp is as the
        // failed pass found it.
        files.failFrom = 0;
        ms += 1000;
        QMetaObject::invokeMethod(watcher, "directoryChanged", Q_ARG(QString, dir_.path()));
        QTRY_COMPARE(keywords(), (QStringList{"grape", "grace", "gravel"}));
        QVERIFY(hooks.messages.isEmpty());

        // Another file of the folder reads nothing; a diary put in place by a
        // rename is read, and so is what is appended to it then.
        QSignalSpy folder(watcher, &QFileSystemWatcher::directoryChanged);
        const auto before = opens();
        ms += 1000;
        const QString other = dir_.path() + "/other.dat";
        writeBytes(other.toStdString(), "gravy\r\n");
        const bool told = folder.wait(10000);
#ifndef Q_OS_LINUX
        if (!told)
            QSKIP("This system tells of no change in a folder.");
#endif
        QVERIFY(told);
        QCOMPARE(opens(), before);
        appendBytes(other.toStdString(), "d\r\nt\r\n**EOE**\r\n");
        std::filesystem::rename(other.toStdString(), path());
        QTRY_COMPARE_WITH_TIMEOUT(keywords(), QStringList{"gravy"}, 10000);
        ms += 1000;
        appendBytes(path(), "grail\r\nd\r\nt\r\n**EOE**\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(keywords(), (QStringList{"grail", "gravy"}), 10000);
        // A Save reads at once, however soon after, and that read stands for
        // the keys before it.
        text1->clear();
        QTest::keyClicks(text1, "gra");
        child<QPushButton>(form, "Command1")->click();
        QCOMPARE(keywords(), (QStringList{"gra", "grail", "gravy"}));
        const auto afterSave = opens();
        ms += 1000;
        QTest::qWait(2 * KeywordOffers::kReadGapMs);
        QCOMPARE(opens(), afterSave);
    }

    // Each offer shows its keyword as filed, "%" and all, once however often
    // the list is made again, and a reader hears it without brackets. "grace"
    // and "Grace" are two offers whichever of them is typed.
    void eachOfferShowsItsKeywordOnceAsFiled() {
        KeywordModel model;
        model.setKeywords({{"grace", 3}, {"joy", 1}});
        model.setKeywords({{"grace", 3}, {"tithe 10%2", 1}, {"Grace", 1}});
        QCOMPARE(rows(&model, Qt::DisplayRole),
                 (QStringList{"grace (3)", "tithe 10%2 (1)", "Grace (1)"}));
        QCOMPARE(rows(&model, Qt::AccessibleTextRole),
                 (QStringList{"grace, 3 entries", "tithe 10%2, 1 entry", "Grace, 1 entry"}));
        for (const char* typed : {"grace", "Grace"}) {
            model.leaveOutIfOnly(typed);
            QCOMPARE(rows(&model), (QStringList{"grace", "tithe 10%2", "Grace"}));
        }
    }

    // Eight offers show at once; more scroll. A keyword of 30 wide letters
    // shows whole with its count, and one of 31 no longer.
    void theListShowsEightOffersWhileTheBoxHasTheFocus() {
        std::string diary = "k" + std::string(29, 'W') + "\r\nd\r\nt\r\n**EOE**\r\n";
        diary += "k" + std::string(30, 'W') + "\r\nd\r\nt\r\n**EOE**\r\n";
        for (int i = 1; i <= 8; ++i)
            diary += "k" + std::to_string(i) + "\r\nd\r\nt\r\n**EOE**\r\n";
        writeBytes(path(), diary);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* text1 = child<QLineEdit>(form, "Text1");
        text1->setFocus();
        QTest::keyClicks(text1, "k");
        QAbstractItemView* list = text1->completer()->popup();
        QTRY_VERIFY(list->isVisible());
        QCOMPARE(list->viewport()->height() / list->sizeHintForRow(0), 8);
        const QModelIndex whole = list->model()
                                      ->match(list->model()->index(0, 0), Qt::DisplayRole,
                                              "k" + QString(29, 'W') + " (1)")
                                      .value(0);
        QVERIFY(list->sizeHintForIndex(whole).width() <= list->viewport()->width());
        const QModelIndex cut = whole.siblingAtRow(whole.row() + 1);
        QCOMPARE(cut.data().toString(), "k" + QString(30, 'W') + " (1)");
        QVERIFY(list->sizeHintForIndex(cut).width() > list->viewport()->width());
        // A Save reads its keyword but opens no list while the focus is elsewhere.
        QTest::keyClick(list, Qt::Key_Escape);
        QTest::mouseClick(child<QWidget>(form, "Command1"), Qt::LeftButton);
        QVERIFY(!list->isVisible());
    }

    // While the list is open the window system gives it every click. One
    // elsewhere closes it and does what it does without a list: a box takes
    // the focus and the caret, a button clicks once, the fish shows its
    // notice. After a Save or a Find no list opens until the user types.
    void aClickBesideTheListDoesWhatItDoesWithoutOne() {
        GuiTestHooks hooks;
        const std::string diary =
            "grace\r\nd\r\nt\r\n**EOE**\r\ngratitude\r\nd\r\nt\r\n**EOE**\r\n";
        writeBytes(path(), diary);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* text1 = child<QLineEdit>(form, "Text1");
        QAbstractItemView* list = text1->completer()->popup();
        auto openList = [&] {
            text1->setFocus();
            text1->setText("g");
            QTest::keyClick(text1, Qt::Key_R);
            QTRY_VERIFY(list->isVisible());
            // The offscreen platform activates the list as a window; taken
            // after the list has closed, that would leave no window active.
            QCoreApplication::processEvents();
        };
        auto clickWithListOpen = [&](const char* name, QPoint at = {}) {
            openList();
            auto* control = child<QWidget>(form, name);
            if (at.isNull())
                at = control->rect().center();
            // The pointer is where the user clicks, and the button is let go
            // only after the press is handled, as a hand does: where Qt replays
            // a press that closes a list, a click would come twice.
            const QPoint inForm = control->mapTo(&form, at);
            QCursor::setPos(form.mapToGlobal(inForm));
            QTest::mousePress(form.windowHandle(), Qt::LeftButton, {}, inForm);
            QCoreApplication::processEvents();
            QTest::mouseRelease(form.windowHandle(), Qt::LeftButton, {}, inForm);
            QVERIFY(!list->isVisible());
            QCOMPARE(text1->text(), QString("gr"));
        };
        auto* text3 = child<QLineEdit>(form, "Text3");
        text3->setText("May 6");
        text3->setCursorPosition(3);
        const QPoint afterMay = text3->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        text3->setCursorPosition(0);
        clickWithListOpen("Text3", afterMay);
        QCOMPARE(QApplication::focusWidget(), text3);
        QTest::keyClicks(text3, ",");
        QCOMPARE(text3->text(), QString("May, 6"));
        clickWithListOpen("Text2");
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(form, "Text2"));
        // A control that takes no focus by click gives none, not even through
        // a focus proxy that would take it.
        QLabel proxied(&form);
        proxied.setObjectName("proxied");
        proxied.setFocusProxy(text3);
        proxied.setGeometry(0, 0, 8, 8);
        proxied.show();
        clickWithListOpen("proxied");
        QCOMPARE(QApplication::focusWidget(), text1);
        proxied.hide();
        // A double click on an offer takes it, and its second press clicks
        // nothing the closed list had covered.
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        platform::setBoxText(text2, "keep me");
        openList();
        const QPoint onBoth(list->mapToGlobal(list->rect().center()).x(),
                            text2->mapToGlobal(QPoint(0, 4)).y());
        const QModelIndex overText2 = list->indexAt(list->viewport()->mapFromGlobal(onBoth));
        QVERIFY(overText2.isValid());
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, form.mapFromGlobal(onBoth));
        QCOMPARE(text1->text(), overText2.data().toString().section(" (", 0, 0));
        QCOMPARE(QApplication::focusWidget(), text1);
        QVERIFY(!text2->textCursor().hasSelection());
        // After a single click on an offer, the next double click is the user's.
        openList();
        QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.mapFromGlobal(onBoth));
        QTextCursor inKeep(text2->document());
        inKeep.setPosition(2);
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {},
                           text2->viewport()->mapTo(&form, text2->cursorRect(inKeep).center()));
        QCOMPARE(text2->textCursor().selectedText(), "keep");
        clickWithListOpen("Picture1", QPoint(60, 20));
        QCOMPARE(platform::boxText(child<QPlainTextEdit>(form, "Text2")),
                 distributionNotice().join("\r\n") + "\r\n");
        clickWithListOpen("Command2");
        QCOMPARE(hooks.announced(&form), QString("Nothing is filed under \"gr\"."));
        clickWithListOpen("Command1");
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(form, "Command1"));
        QCOMPARE(readBytes(path()), diary + "gr\r\nMay, 6\r\n\r\n**EOE**\r\n");
        // Pressed as a screen reader presses it, Save leaves the focus in the
        // box, and its keyword is read, but no list opens over the entry.
        openList();
        child<QPushButton>(form, "Command1")->click();
        QCoreApplication::processEvents();
        QVERIFY(!list->isVisible());
        QCOMPARE(QApplication::focusWidget(), text1);
        QTest::keyClick(text1, Qt::Key_Backspace);
        QTRY_VERIFY(list->isVisible());
        QVERIFY(hooks.messages.isEmpty());
        // One on another of the program's windows brings that window forward.
        QWidget other;
        other.setGeometry(QRect(form.frameGeometry().bottomLeft() + QPoint(0, 20), QSize(200, 60)));
        other.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        openList();
        QTest::mousePress(list, Qt::LeftButton, {},
                          list->mapFromGlobal(other.mapToGlobal(other.rect().center())));
        QTRY_VERIFY(other.isActiveWindow());
    }

    void oneLineBoxesNeverHoldALineBreak() {
        Form1 form;
        auto* text1 = child<QLineEdit>(form, "Text1");
        auto* text3 = child<QLineEdit>(form, "Text3");
        text1->setText("a\nb\r\nc\rd");
        QCOMPARE(text1->text(), QString("a b c d"));
        QApplication::clipboard()->setText("Tuesday\r\nMay 3");
        text3->setFocus();
        text3->paste();
        QCOMPARE(text3->text(), QString("Tuesday May 3"));
    }

    void entryTextKeepsEveryCharacter() {
        Form1 form;
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        const QString text = QString::fromUtf8("no\u00A0break\r\n<b>bold</b> &amp;\r\n\tΩ");
        platform::setBoxText(text2, text);
        QCOMPARE(platform::boxText(text2), text);
        QCOMPARE(text2->textCursor().position(), 0);
    }

    void doneClosesTheFileAndEndsTheProgram() {
        GuiTestHooks hooks;
        writeBytes(path(), "grace\r\n");
        Form1 form;
        QVERIFY(!form.store().openForReading());
        QVERIFY(form.store().reader().isOpen());
        try {
            form.Command4_Click();
            QFAIL("Done returned");
        } catch (const ProgramEnded& ended) {
            QCOMPARE(ended.status, 0);
        }
        QVERIFY(!form.store().reader().isOpen());
    }

    void pictureShowsTheDistributionNotice() {
        Form1 form;
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        platform::setBoxText(text2, "typed and then lost");
        QTest::mouseClick(child<QWidget>(form, "Picture1"), Qt::LeftButton, {}, QPoint(60, 20));
        QTest::mouseClick(child<QWidget>(form, "Picture1"), Qt::LeftButton, {}, QPoint(60, 20));
        const QStringList lines = distributionNotice();
        QCOMPARE(platform::boxText(text2), lines.join("\r\n") + "\r\n");
        QCOMPARE(lines.size(), 30);
        for (int spacer : {20, 22, 23, 25, 26})
            QCOMPARE(lines[spacer - 1], QString("  "));
        QCOMPARE(lines[12], QString("   "));
        QCOMPARE(lines[23], QString("God Bless You!"));
        for (const QString& line : lines)
            QVERIFY2(line.size() <= 90, qPrintable(line));
        // Nothing else changes.
        QVERIFY(child<QLabel>(form, "Label1")->text().isEmpty());
        QVERIFY(!QFile::exists("verimond.dat"));
        // Space on the focused picture presses it, as a click does.
        platform::setBoxText(text2, "lost");
        child<QWidget>(form, "Picture1")->setFocus();
        QTest::keyClick(child<QWidget>(form, "Picture1"), Qt::Key_Space);
        QCOMPARE(platform::boxText(text2), lines.join("\r\n") + "\r\n");
    }

    // What a search shows in the entry box is no step to undo, but what is
    // typed there afterwards is: Ctrl+Z takes back the typing, and only that.
    void typingAfterAFindCanBeUndone() {
        GuiTestHooks hooks;
        writeBytes(path(), "grace\r\nMay 3\r\nfirst\r\n**EOE**\r\n");
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(searchdriver::find(form, "grace").size(), 1);
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        const QString shown = "May 3\r\nfirst\r\n";
        QCOMPARE(platform::boxText(text2), shown);
        text2->setFocus();
        QTest::keyClicks(text2, "x");
        QCOMPARE(platform::boxText(text2), "x" + shown);
        QTest::keyClick(text2, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(platform::boxText(text2), shown);
        QTest::keyClick(text2, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(platform::boxText(text2), shown);
        QVERIFY(hooks.messages.isEmpty());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
