#include "keywordoffers.h"

#include "doubleclickguard.h"
#include "keywordmodel.h"
#include "platform.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <utility>

KeywordOffers::KeywordOffers(QLineEdit* box, platform::FileSystem& files,
                             const std::string& fileName, std::size_t bufferSize,
                             std::uint64_t sliceBytes)
    : QObject(box), box_(box), tally_(files, fileName, bufferSize), sliceBytes_(sliceBytes),
      model_(new KeywordModel(this)), completer_(new QCompleter(model_, this)),
      slices_(new QTimer(this)), later_(new QTimer(this)), path_(QString::fromStdString(fileName)) {
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionRole(KeywordModel::KeywordRole);
    completer_->setModelSorting(QCompleter::UnsortedModel); // keeps the most used first
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setMaxVisibleItems(8);
    box_->setCompleter(completer_);
    completer_->popup()->setObjectName(QStringLiteral("KeywordOffers"));
    completer_->popup()->setAccessibleName(QStringLiteral("Keywords in the diary"));
    completer_->popup()->setTextElideMode(Qt::ElideMiddle);  // keeps the count at the end
    slices_->setObjectName(QStringLiteral("KeywordSlices")); // runs at every pass of the loop
    connect(slices_, &QTimer::timeout, this, &KeywordOffers::readSlice);
    later_->setObjectName(QStringLiteral("KeywordReadLater"));
    later_->setSingleShot(true);
    connect(later_, &QTimer::timeout, this, &KeywordOffers::readLater);
    QElapsedTimer clock;
    clock.start();
    setClock([clock] { return clock.elapsed(); });
    box_->installEventFilter(this);
    completer_->popup()->installEventFilter(this);
    connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated),
            new DoubleClickGuard(this), &DoubleClickGuard::arm);
    // The completer's model tells of every change, a new prefix or new
    // keywords, as a reset.
    connect(completer_->completionModel(), &QAbstractItemModel::modelReset, this,
            &KeywordOffers::tellCountLater);
    // The box tells its completer after this, so what was appended meanwhile
    // is offered for this very edit.
    connect(box_, &QLineEdit::textEdited, this, &KeywordOffers::edited);
}

void KeywordOffers::setClock(std::function<qint64()> now) {
    now_ = std::move(now);
}

void KeywordOffers::refresh() {
    if (started_)
        startPass();
}

void KeywordOffers::withdraw() {
    offering_ = false;
    completer_->popup()->hide();
}

void KeywordOffers::edited(const QString& text) {
    started_ = true;
    offering_ = true;
    request();
    model_->leaveOutIfOnly(text);
}

// A pass under way reads on to the end of the file as it is then, so it
// takes in what came meanwhile.
void KeywordOffers::request() {
    if (slices_->isActive())
        return;
    const qint64 now = now_();
    if (!passStarted_ || now - *passStarted_ >= kReadGapMs) {
        startPass();
        return;
    }
    lastEdit_ = now;
    if (!later_->isActive())
        later_->start(kReadGapMs);
}

// Measured on the clock, not by the timer alone, so that reads are spaced
// alike however late the timer fires. The timer runs only while an edit or a
// change waits to be read.
void KeywordOffers::readLater() {
    if (slices_->isActive())
        return;
    const qint64 wait = lastEdit_ + kReadGapMs - now_();
    if (wait > 0)
        later_->start(static_cast<int>(wait));
    else
        startPass();
}

void KeywordOffers::startPass() {
    later_->stop();
    passStarted_ = now_();
    watch();
    stamp_ = stamp();
    readSlice();
}

// Watches the diary, and its folder, so that a diary made, or put in place by
// a rename, is seen too. Where the system cannot watch, edits still read.
void KeywordOffers::watch() {
    if (!watcher_) {
        path_ = QFileInfo(path_).absoluteFilePath();
        watcher_ = new QFileSystemWatcher(this);
        watcher_->addPath(QFileInfo(path_).absolutePath());
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, &KeywordOffers::changedOnDisk);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
                &KeywordOffers::changedOnDisk);
    }
    // Watched anew at each pass: a diary put in place by a rename is another
    // file, and the system may tell that the old one went after the new one came.
    if (watcher_->files().contains(path_))
        watcher_->removePath(path_);
    if (QFileInfo::exists(path_))
        watcher_->addPath(path_);
}

// Another file of the folder changing leaves the diary unread; so does a
// Save, read already by its own pass.
void KeywordOffers::changedOnDisk() {
    if (stamp() != stamp_)
        request();
}

KeywordOffers::Stamp KeywordOffers::stamp() const {
    QFileInfo diary(path_);
    return {diary.exists(), diary.size(), diary.lastModified(), diary.metadataChangeTime()};
}

bool KeywordOffers::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_) {
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            offering_ = false;
        return false;
    }
    switch (event->type()) { // the list's
    case QEvent::MouseButtonPress:
        return passOn(*static_cast<QMouseEvent*>(event));
    case QEvent::Show:
        tellCountLater();
        break;
    case QEvent::Hide:
        toldCount_ = -1;
        giveReaderItsPlace();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            offering_ = false;
        // An offer only looked at, with Down, is put back for what was typed.
        if (key == Qt::Key_Escape && box_->text() != completer_->completionPrefix())
            box_->setText(completer_->completionPrefix());
        movingOn_ = key == Qt::Key_Tab || key == Qt::Key_Backtab;
        break;
    }
    default:
        break;
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
    movingOn_ = true; // the reader is told below, once the focus is where the click puts it
    list->setAttribute(Qt::WA_NoMouseReplay);
    list->hide();
    QWidget* target = QApplication::widgetAt(global);
    if (!target) {
        giveReaderItsPlace();
        return true;
    }
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
    giveReaderItsPlace();
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
    auto pass = tally_.readOn(sliceBytes_);
    if (pass && pass.value() == entry_store::KeywordTally::Pass::Unfinished) {
        slices_->start();
        return;
    }
    slices_->stop();
    if (!pass) {
        stamp_ = {}; // so that the next change tries again, as the next edit does
        return;
    }
    if (tally_.changes() == shownChanges_)
        return;
    shownChanges_ = tally_.changes();
    const std::vector<entry_store::Keyword> keywords = tally_.keywords();
    model_->setKeywords(keywords);
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(keywords.size()));
    for (const entry_store::Keyword& keyword : keywords)
        texts << QString::fromStdString(keyword.text);
    emit keywordsRead(texts);
    fitList(keywords);
    model_->leaveOutIfOnly(box_->text());
    // A list read while the user typed is shown for what is in the box now;
    // an open one shows it already. Not over a menu opened meanwhile, which
    // leaves the box its focus.
    if (offering_ && !box_->text().isEmpty() && !QApplication::activePopupWidget()) {
        completer_->setCompletionPrefix(box_->text());
        completer_->complete();
    }
}

// The list is as wide as a row of the longest keyword, up to kShownWhole
// characters, each taken as wide as a "W", and the largest count, and no
// wider than the window; the box alone is too narrow for most. Counted in
// bytes, which are never fewer than characters.
void KeywordOffers::fitList(const std::vector<entry_store::Keyword>& keywords) {
    QAbstractItemView* list = completer_->popup();
    std::size_t longest = 0;
    for (const entry_store::Keyword& keyword : keywords)
        longest = std::max(longest, std::min(keyword.text.size(), kShownWhole));
    const QString count =
        QStringLiteral(" (%1)").arg(keywords.empty() ? 0 : keywords.front().count);
    const QFontMetrics metrics(list->font());
    const QStyle* style = list->style();
    const int row = static_cast<int>(longest) * metrics.horizontalAdvance(QLatin1Char('W')) +
                    metrics.horizontalAdvance(count) +
                    2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    const int width = row + 2 * list->frameWidth() +
                      style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(std::min(width, box_->window()->width()));
}

// Told once the list has settled: a read and the completer each remake it
// for one key.
void KeywordOffers::tellCountLater() {
    if (countDue_)
        return;
    countDue_ = true;
    QMetaObject::invokeMethod(this, &KeywordOffers::tellCount, Qt::QueuedConnection);
}

void KeywordOffers::tellCount() {
    countDue_ = false;
    if (!completer_->popup()->isVisible())
        return;
    const int count = completer_->completionCount();
    if (count == toldCount_)
        return;
    toldCount_ = count;
    emit announcement(count == 1 ? QStringLiteral("1 keyword offered")
                                 : QString::number(count) + QStringLiteral(" keywords offered"));
}

// A reader left on an item of the closed list says only the window's name,
// so it is sent back to the box, where the keys go; at once, before the list
// is told gone, or Orca names the window as a frame first. Not when the close
// moves the focus on: Qt tells of that.
void KeywordOffers::giveReaderItsPlace() {
    if (!std::exchange(movingOn_, false) && box_->hasFocus())
        platform::tellFocus(box_);
}
