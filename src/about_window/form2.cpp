#include "form2.h"

#include "platform.h"
#include "version.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

QPointer<Form2> Form2::instance_;

namespace {

struct LabelLine {
    int top;
    const char* caption;
    int width = 8775;
    double points = 9.75;
    bool bold = false;
};

// The window's text, one label a line.
const LabelLine kLines[] = {
    {120, "Verimond Version " VERIMOND_VERSION, 8775, 12, true},
    {600,
     "Verimond is a place to record the insights, thoughts and promises that come to you while "
     "reading the"},
    {840, "Scriptures.  Kept day by day, it becomes a way to follow your spiritual life and to see "
          "how you have"},
    {1080,
     "grown, as the Lord speaks to you through His Word and you write down what He has shown you"},
    {1320, "along the way."},
    {1680, "Looking back over such a record, months or years later, lets you see how far you have "
           "come and how"},
    {1920,
     "faithfully God has led you; it is an encouragement to keep walking in the light you have "
     "received."},
    {2400, "The program uses the keyword concept. So as you are enlightened in the Word, find the "
           "keyword"},
    {2640,
     "to describe the thought or insight.  Put the Keyword in the upper left hand box, and the "
     "date in the"},
    {2880,
     "upper right hand box.  The bigger text box is where you would enter your thought, insight "
     "or the"},
    {3120, "revelation of truth that the Holy Spirit has emparted to you."},
    {3360, "Finally click save, and your entry is written to a datafile."},
    {3720,
     "To view the entries, enter a keyword in the keyword box and click Find.  If any entries "
     "exist under "},
    {3960,
     "the specified keyword they will be displayed with the date of entry in the large textbox "
     "one at a"},
    {4200,
     "time.  To view the next entry click Find Next.  Clicking Find Next after the last entry "
     "has been shown"},
    {4440, "will close the datafile, and restore all the option buttons."},
    {4920, "Payment and contact information can be found by clicking the Fish Symbol at the top of "
           "the"},
    {5160, "program box.      ", 7215},
    {5640, "God Bless You!", 2655, 9.75, true},
};

} // namespace

Form2::Form2(QWidget* owner) : QWidget(owner, Qt::Window) {
    using platform::twips;
    setObjectName(QStringLiteral("Form2"));
    // A reader introduces a dialog with its description: the page's text as
    // sentences, as the lines of the labels cannot say it.
    platform::setAccessibleRole(this, QAccessible::Dialog);
    QStringList sentences;
    for (const LabelLine& line : kLines)
        sentences << QString::fromLatin1(line.caption);
    sentences.first() += QLatin1Char('.'); // the version line
    setAccessibleDescription(sentences.join(QLatin1Char(' ')).simplified());
    setWindowTitle(QStringLiteral("time"));
    setFont(platform::formFont(8.25));
    setFixedSize(twips(8985), twips(6015));
    platform::placeOnScreen(this, {twips(1680), twips(1395)}); // the client area, not the frame

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(platform::formFont(12, true));
    Command1->setAccessibleName(QStringLiteral("OK"));
    Command1->setAutoDefault(false);
    Command1->setDefault(false);
    Command1->setGeometry(twips(7800), twips(5400), twips(1095), twips(495));
    connect(Command1, &QPushButton::clicked, this,
            [this] { platform::guarded([this] { Command1_Click(); }); });

    platform::clickFocusedButtonOnEnter(this);

    int number = 1;
    for (const LabelLine& line : kLines) {
        auto* label = new QLabel(this);
        // Readers speak a dialog's loose labels, broken mid-sentence, before its
        // description; as paragraphs they stay readable but are not spoken twice.
        // The role comes first: setting the text makes the label accessible.
        platform::setAccessibleRole(label, QAccessible::Paragraph);
        label->setAccessibleName(QString::fromLatin1(line.caption));
        label->setObjectName(QStringLiteral("Label%1").arg(number++));
        label->setTextFormat(Qt::PlainText);
        label->setText(QString::fromLatin1(line.caption));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(platform::formFont(line.points, line.bold));
        label->setGeometry(twips(120), twips(line.top), twips(line.width), twips(255));
        platform::fitCaption(label, label->text(), label->width());
    }
}

void Form2::showAbout(QWidget* owner) {
    if (!instance_)
        instance_ = new Form2(owner);
    instance_->show();
    instance_->raise();
    instance_->activateWindow();
}

void Form2::Command1_Click() {
    hide();
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->modifiers()) {
        QWidget::keyPressEvent(event);
        return;
    }
    platform::guarded([this] { Command1_Click(); });
}

void Form2::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}
