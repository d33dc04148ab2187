#include "keywordoffers.h"

#include "keywordmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QEvent>
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
    connect(box_, &QLineEdit::textEdited, model_, &KeywordModel::leaveOutIfOnly);
}

void KeywordOffers::refresh() {
    if (started_)
        readSlice();
}

bool KeywordOffers::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* list = completer_->popup();
    if (watched == list && event->type() == QEvent::MouseButtonPress) {
        // The completer would close the list and drop a click elsewhere, so
        // that clicking Find with the list open took two clicks: the click
        // closes the list and goes on to what was clicked, whole, since its
        // release would still go to the list.
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint global = press->globalPosition().toPoint();
        if (list->rect().contains(list->mapFromGlobal(global)))
            return false;
        list->hide();
        // Posted, so that what the click starts, a whole search among others,
        // does not run inside this filter.
        if (QWidget* target = QApplication::widgetAt(global)) {
            const QPointF at = target->mapFromGlobal(press->globalPosition());
            QCoreApplication::postEvent(
                target, new QMouseEvent(QEvent::MouseButtonPress, at, press->scenePosition(),
                                        press->globalPosition(), press->button(), press->buttons(),
                                        press->modifiers()));
            QCoreApplication::postEvent(
                target, new QMouseEvent(QEvent::MouseButtonRelease, at, press->scenePosition(),
                                        press->globalPosition(), press->button(),
                                        press->buttons() & ~press->button(), press->modifiers()));
        }
        return true;
    }
    if ((watched == box_ || watched == list) && event->type() == QEvent::KeyPress) {
        started_ = true;
        if (!slices_->isActive())
            readSlice();
    }
    return false;
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
    if (box_->hasFocus() && !box_->text().isEmpty() && !slices_->isActive()) {
        completer_->setCompletionPrefix(box_->text());
        completer_->complete();
    }
}
