#include "spellchecker.h"

#include "dictionaries.h"
#include "spellingfiles.h"
#include "words.h"

#include <QCoreApplication>
#include <QThread>

namespace spelling {

SpellChecker::SpellChecker(const QString& wordListPath, QObject* parent)
    : QObject(parent), wordListPath_(wordListPath) {
    // The program's own name, which its notice and messages show, is no misspelling.
    ignored_.insert(QCoreApplication::applicationName().toCaseFolded());
}

PersonalWordList* SpellChecker::wordList() {
    if (!list_) {
        list_ = new PersonalWordList(wordListPath_, this);
        connect(list_, &PersonalWordList::changed, this, &SpellChecker::changed);
    }
    return list_;
}

SpellChecker::~SpellChecker() {
    // The loader holds nothing of this object, but must end before its thread object goes.
    if (loader_) {
        loader_->wait();
        delete loader_;
    }
}

QString SpellChecker::userLocale() const {
    return platform::userLanguage();
}

void SpellChecker::loadInBackground() {
    if (loader_ || engine_)
        return;
    wordList();
    const std::optional<DictionaryFiles> files =
        chooseDictionary(folder_ ? *folder_ : platform::dictionaryFolder(), userLocale());
    if (!files)
        return;
    auto result = std::make_shared<std::unique_ptr<SpellEngine>>();
    loader_ = QThread::create([files = *files, result] {
        auto loaded = SpellEngine::load(files);
        if (loaded)
            *result = std::move(loaded.value());
    });
    loading_ = true;
    connect(loader_, &QThread::finished, this, [this, result] {
        loading_ = false;
        // A dictionary set meanwhile stays.
        if (*result && !engine_)
            setEngine(std::move(*result));
    });
    loader_->start(QThread::LowPriority);
}

bool SpellChecker::isLoading() const {
    return loading_;
}

void SpellChecker::setEngine(std::unique_ptr<SpellEngine> engine) {
    engine_ = std::move(engine);
    verdicts_.clear();
    wordList();
    emit dictionaryLoaded();
    emit changed();
}

bool SpellChecker::isKnownAnyway(const QString& word) const {
    if (word.size() > kLongestWord)
        return true;
    for (const QChar c : word) {
        if (c.isDigit())
            return true;
    }
    const QString folded = word.toCaseFolded();
    return keywords_.contains(folded) || ignored_.contains(folded) ||
           (list_ && list_->contains(word));
}

bool SpellChecker::isMisspelled(const QString& word) const {
    if (!engine_ || isKnownAnyway(word))
        return false;
    if (const auto known = verdicts_.constFind(word); known != verdicts_.cend())
        return !*known;
    if (verdicts_.size() >= kMostVerdicts)
        verdicts_.clear();
    const bool knows = engine_->knows(word);
    verdicts_.insert(word, knows);
    return !knows;
}

QStringList SpellChecker::suggestions(const QString& word) const {
    if (!engine_)
        return {};
    return engine_->suggestions(word, kMostSuggestions);
}

std::optional<WordListError> SpellChecker::addToDictionary(const QString& word) {
    // The list says changed() when its words change.
    return wordList()->add(word);
}

void SpellChecker::ignoreAll(const QString& word) {
    ignored_.insert(word.toCaseFolded());
    emit changed();
}

void SpellChecker::setKeywords(const QStringList& keywords) {
    QSet<QString> words;
    for (const QString& keyword : keywords) {
        for (const WordSpan& span : findWords(keyword))
            words.insert(keyword.mid(span.start, span.length).toCaseFolded());
    }
    if (words == keywords_)
        return;
    keywords_ = std::move(words);
    emit changed();
}

} // namespace spelling
