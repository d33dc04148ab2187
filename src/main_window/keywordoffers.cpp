#include "keywordoffers.h"

#include "keywordmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

namespace {

// About a few milliseconds of reading between two events.
constexpr std::uint64_t kSliceBytes = 4u << 20;

} // namespace

KeywordOffers::KeywordOffers(QLineEdit* box, platform::FileSystem& files,
                             const std::string& fileName)
    : QObject(box), box_(box), tally_(files, fileName), model_(new KeywordModel(this)),
      completer_(new QCompleter(model_, this)), slices_(new QTimer(this)) {
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionRole(KeywordModel::KeywordRole);
    completer_->setModelSorting(QCompleter::UnsortedModel); // keeps the most used first
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setMaxVisibleItems(8);
    box_->setCompleter(completer_);
    completer_->popup()->setObjectName(QStringLiteral("KeywordOffers"));
    completer_->popup()->setAccessibleName(QStringLiteral("Keywords in the diary"));
    slices_->setObjectName(QStringLiteral("KeywordSlices")); // runs at every pass of the loop
    connect(slices_, &QTimer::timeout, this, &KeywordOffers::readSlice);
    // Before the box takes a key, what was appended meanwhile is read, so it is
    // offered for that key. While the list is open, its keys go to the list.
    box_->installEventFilter(this);
    completer_->popup()->installEventFilter(this);
    // The box tells its completer after this, so the list is made without it.
    connect(box_, &QLineEdit::textEdited, this, [this](const QString& text) {
        offering_ = true;
        model_->leaveOutIfOnly(text);
    });
}

void KeywordOffers::refresh() {
    if (started_)
        readSlice();
}

void KeywordOffers::withdraw() {
    offering_ = false;
    completer_->popup()->hide();
}

bool KeywordOffers::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* list = completer_->popup();
    if (watched == list && event->type() == QEvent::MouseButtonPress)
        return passOn(*static_cast<QMouseEvent*>(event));
    if (watched == list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            offering_ = false;
    }
    if (watched == box_ && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        offering_ = false;
    if ((watched == box_ || watched == list) && event->type() == QEvent::KeyPress) {
        started_ = true;
        if (!slices_->isActive())
            readSlice();
    }
    return false;
}

// While the list is open, every click comes to it. One elsewhere closes the
// list and goes on to the control under it, so that it does what it does
// without a list: the completer alone would drop it, and Qt replays it on some
// systems only. Qt drops the window system's release, since the press went to
// the list, so the release is passed on too: posted, so that what the click
// starts, a whole search among others, does not run inside this filter.
bool KeywordOffers::passOn(const QMouseEvent& press) {
    QAbstractItemView* list = completer_->popup();
    const QPoint global = press.globalPosition().toPoint();
    if (list->rect().contains(list->mapFromGlobal(global)))
        return false;
    offering_ = false;
    list->setAttribute(Qt::WA_NoMouseReplay);
    list->hide();
    QWidget* target = QApplication::widgetAt(global);
    if (!target)
        return true;
    if (!target->isActiveWindow()) {
        target->activateWindow();
        target->window()->raise();
    }
    // Qt gives the focus for the window system's own presses only, so it is
    // given here as for them: to the first control from the one clicked
    // outwards that takes the focus by click.
    for (QWidget* control = target; control; control = control->parentWidget()) {
        const QWidget* proxy = control->focusProxy() ? control->focusProxy() : control;
        if (control->isEnabled() && (control->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus &&
            (proxy->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
            control->setFocus(Qt::MouseFocusReason);
            break;
        }
        if (control->isWindow() || proxy->hasFocus())
            break;
    }
    const QPointF at = target->mapFromGlobal(press.globalPosition());
    const QPointF inWindow = target->window()->mapFromGlobal(press.globalPosition());
    QMouseEvent copy(QEvent::MouseButtonPress, at, inWindow, press.globalPosition(), press.button(),
                     press.buttons(), press.modifiers(), press.pointingDevice());
    QCoreApplication::sendEvent(target, &copy);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, inWindow,
                                                        press.globalPosition(), press.button(),
                                                        press.buttons() & ~press.button(),
                                                        press.modifiers(), press.pointingDevice()));
    return true;
}

void KeywordOffers::readSlice() {
    auto pass = tally_.readOn(kSliceBytes);
    if (pass && pass.value() == entry_store::KeywordTally::Pass::Unfinished) {
        slices_->start();
        return;
    }
    slices_->stop();
    if (tally_.changes() == shownChanges_)
        return;
    shownChanges_ = tally_.changes();
    // A diary that cannot be read has no keywords to offer, and says nothing.
    model_->setKeywords(pass ? tally_.keywords() : std::vector<entry_store::Keyword>());
    model_->leaveOutIfOnly(box_->text());
    // A list read while the user typed is shown for what is in the box now.
    if (offering_ && box_->hasFocus() && !box_->text().isEmpty() && !slices_->isActive()) {
        completer_->setCompletionPrefix(box_->text());
        completer_->complete();
    }
}
