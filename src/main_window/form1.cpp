#include "form1.h"

#include "distributionnotice.h"
#include "fishpicture.h"
#include "form2.h"
#include "keywordoffers.h"
#include "platform.h"
#include "singlelinevalidator.h"
#include "spellchecker.h"
#include "spellingmenu.h"
#include "spellmarker.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

namespace {

using platform::twips;

void place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(platform::formFont(8.25, true));
    button->setAutoDefault(false);
    button->setDefault(false);
    place(button, left, 5160, 1095, 495);
    return button;
}

QLineEdit* makeLineBox(QWidget* parent, const char* name, int left) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setValidator(new SingleLineValidator(box));
    place(box, left, 360, 2055, 285);
    return box;
}

} // namespace

Form1::Form1(platform::FileSystem& files, QWidget* parent) : QWidget(parent), store_(files) {
    setObjectName(QStringLiteral("Form1"));
    platform::setAccessibleRole(this, QAccessible::Window);
    setWindowTitle(QStringLiteral("Verimond"));
    setFont(platform::formFont(8.25));
    setFixedSize(twips(9330), twips(5790));
    platform::placeOnScreen(this, {twips(1485), twips(1455)}); // the client area, not the frame

    Text1 = makeLineBox(this, "Text1", 120);

    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setFont(platform::formFont(9.75));
    Text2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setTabChangesFocus(true);
    place(Text2, 120, 960, 9015, 3975);

    Text3 = makeLineBox(this, "Text3", 7080);

    Command1 = makeButton(this, "Command1", QStringLiteral("Save"), 120);
    Command2 = makeButton(this, "Command2", QStringLiteral("Find"), 1560);

    Label1 = makeLabel(this, "Label1", QString());
    place(Label1, 2280, 240, 855, 255);

    Command3 = makeButton(this, "Command3", QStringLiteral("Find Next"), 2760);
    Command4 = makeButton(this, "Command4", QStringLiteral("Done"), 8160);

    Picture1 = new FishPicture(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 3600, 0, 2025, 810);

    Label2 = makeLabel(this, "Label2", QStringLiteral("Keyword"));
    place(Label2, 120, 120, 735, 255);
    Label3 = makeLabel(this, "Label3", QStringLiteral("Entry Date"));
    place(Label3, 7080, 120, 855, 255);

    Command5 = makeButton(this, "Command5", QStringLiteral("About"), 6840);

    // What a screen reader says for each control.
    Text1->setAccessibleName(QStringLiteral("Keyword"));
    offers_ = new KeywordOffers(Text1, files, store_.fileName());
    Text2->setAccessibleName(QStringLiteral("Entry text"));
    spelling_ = new spelling::SpellChecker(spelling::PersonalWordList::defaultPath(), this);
    new SpellMarker(Text2, spelling_);
    new SpellingMenu(Text2, spelling_);
    // A name filed as a keyword is a known word.
    connect(offers_, &KeywordOffers::keywordsRead, spelling_, &spelling::SpellChecker::setKeywords);
    Text3->setAccessibleName(QStringLiteral("Entry Date"));
    // The pause marker's name is its caption, so a reader hears "Paused" come and go.
    Label1->setAccessibleDescription(QStringLiteral("Pause marker"));
    Picture1->setAccessibleName(QStringLiteral("Fish symbol"));
    Picture1->setAccessibleDescription(
        QStringLiteral("Shows the distribution notice in the entry text box"));
    for (QPushButton* button : {Command1, Command2, Command3, Command4, Command5})
        button->setAccessibleName(button->text());
    Label2->setBuddy(Text1);
    Label3->setBuddy(Text3);

    for (QLabel* label : {Label2, Label3})
        platform::fitCaption(label, label->text(), label->width());
    for (QPushButton* button : {Command1, Command2, Command3, Command4, Command5})
        platform::fitCaption(button, button->text(), button->width() - 8);

    platform::clickFocusedButtonOnEnter(this);
    announcer_ = new platform::Announcer(this);
    connect(offers_, &KeywordOffers::announcement, announcer_, &platform::Announcer::announce);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Picture1);
    setTabOrder(Picture1, Command5);
    Text1->setFocus();

    auto route = [this](auto* sender, auto signal, Handler handler) {
        connect(sender, signal, this, [this, handler] {
            if (holdingClicks_)
                heldClicks_ << handler;
            else
                run(handler);
        });
    };
    // No list opens over what a Save or a Find does until the user types again.
    for (QPushButton* button : {Command1, Command2})
        connect(button, &QPushButton::clicked, offers_, &KeywordOffers::withdraw);
    route(Command1, &QPushButton::clicked, &Form1::Command1_Click);
    route(Command2, &QPushButton::clicked, &Form1::Command2_Click);
    route(Command3, &QPushButton::clicked, &Form1::Command3_Click);
    route(Command4, &QPushButton::clicked, &Form1::Command4_Click);
    route(Command5, &QPushButton::clicked, &Form1::Command5_Click);
    route(Picture1, &FishPicture::clicked, &Form1::Picture1_Click);
}

void Form1::run(Handler handler) {
    platform::guarded([this, handler] { (this->*handler)(); });
}

void Form1::releaseHeldClicks() {
    holdingClicks_ = false;
    for (const Handler handler : std::exchange(heldClicks_, {}))
        QMetaObject::invokeMethod(
            this, [this, handler] { run(handler); }, Qt::QueuedConnection);
}

QString Form1::filePath() const {
    return QDir::toNativeSeparators(
        QDir::current().absoluteFilePath(QString::fromStdString(store_.fileName())));
}

void Form1::Command1_Click() {
    const QString keyword = Text1->text();
    const QString text = platform::boxText(Text2);
    const QString date = Text3->text();
    if (auto error = store_.save(keyword.toStdString(), date.toStdString(), text.toStdString())) {
        const QString outcome =
            error->partialLeft
                ? QStringLiteral("Part of the entry may be in the file; the next save closes "
                                 "that partial entry before its own. Your text is still in the "
                                 "boxes.")
                : QStringLiteral("Nothing was written, and your text is still in the boxes.");
        platform::showFailure(
            QStringLiteral("The entry was not saved to %1: %2.\n\n%3")
                .arg(filePath(), QString::fromStdString(error->describe()), outcome));
        return;
    }
    offers_->refresh(); // its keyword is offered at once
    announcer_->announce(QStringLiteral("The entry was saved."));
}

void Form1::Command4_Click() {
    store_.closeAll();
    platform::endProgram(0);
}

void Form1::Command5_Click() {
    Form2::showAbout(this);
}

void Form1::Picture1_Click() {
    // One edit, not one per line: a screen reader hears each edit of the box.
    const QStringList lines = distributionNotice();
    platform::setBoxText(Text2, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    announcer_->announce(QStringLiteral("The distribution notice is in the entry text box. ") +
                         lines.join(QLatin1Char(' ')).simplified());
}

void Form1::closeEvent(QCloseEvent* event) {
    event->ignore();
    platform::guarded([this] { Command4_Click(); });
}
