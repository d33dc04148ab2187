#include "form2.h"
#include "version.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestForm2 : public QObject {
    Q_OBJECT

  private:
    QWidget owner_;

    static QLabel* label(int number) {
        return Form2::instance()->findChild<QLabel*>(QStringLiteral("Label%1").arg(number));
    }

  private slots:
    void doesNotExistUntilFirstShown() { QVERIFY(!Form2::instance()); }

    void isLaidOutAsDescribed() {
        Form2::showAbout(&owner_);
        Form2* form = Form2::instance();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QString("time"));
        QCOMPARE(form->size(), QSize(599, 401)); // 8985 x 6015 twips
        QCOMPARE(form->geometry().topLeft(), QPoint(112, 93));
        auto* ok = form->findChild<QPushButton*>("Command1");
        QCOMPARE(ok->text(), QString("OK"));
        QCOMPARE(ok->geometry(), QRect(520, 360, 73, 33));
        QVERIFY(ok->font().bold());
        QVERIFY(!ok->isDefault() && !ok->autoDefault());
        QCOMPARE(form->findChildren<QLabel*>().size(), 19);
        const int tops[] = {120,  600,  840,  1080, 1320, 1680, 1920, 2400, 2640, 2880,
                            3120, 3360, 3720, 3960, 4200, 4440, 4920, 5160, 5640};
        for (int i = 1; i <= 19; ++i) {
            QCOMPARE(label(i)->y(), tops[i - 1] / 15);
            QCOMPARE(label(i)->x(), 8);
            QCOMPARE(label(i)->textFormat(), Qt::PlainText);
        }
        QCOMPARE(label(18)->width(), 481);
        QCOMPARE(label(19)->width(), 177);
        QCOMPARE(label(1)->text(), QString("Verimond Version " VERIMOND_VERSION));
        QCOMPARE(label(13)->text(),
                 QString("To view the entries, enter a keyword in the keyword box "
                         "and click Find.  If any entries exist under "));
        QCOMPARE(label(18)->text(), QString("program box.      "));
        QCOMPARE(label(19)->text(), QString("God Bless You!"));
        QVERIFY(label(19)->font().bold());
        for (int i = 2; i <= 7; ++i)
            QVERIFY(!label(i)->text().isEmpty() && label(i)->text().size() <= 103);
    }

    void everyCaptionFitsItsLabel() {
        Form2::showAbout(&owner_);
        for (int i = 1; i <= 19; ++i) {
            QLabel* l = label(i);
            QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width(),
                     qPrintable(l->objectName() + ": " + l->font().family()));
        }
    }

    void isShownAndHiddenButNeverMadeTwice() {
        Form2::showAbout(&owner_);
        Form2* first = Form2::instance();
        Form2::showAbout(&owner_);
        QCOMPARE(Form2::instance(), first);
        QVERIFY(first->isVisible());
        QTest::mouseClick(first->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QVERIFY(!first->isVisible());
        Form2::showAbout(&owner_);
        QCOMPARE(Form2::instance(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(label(12)->text(),
                 QString("Finally click save, and your entry is written to a datafile."));
        // The window manager's close hides it the same way.
        first->close();
        QVERIFY(!first->isVisible());
        QCOMPARE(Form2::instance(), first);
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
