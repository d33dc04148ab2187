#pragma once

#include "spellengine.h"
#include "wordlist.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <memory>
#include <optional>

class QThread;

namespace spelling {

// Which words are misspelled, and what to put in their place. Never
// misspelled: the diary's own keywords, the personal word list's words, words
// ignored until the program ends, words holding digits, and any word while no
// dictionary is loaded.
class SpellChecker : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMostSuggestions = 5;
    // Hunspell looks at no longer word; nor is one a word of prose.
    static constexpr qsizetype kLongestWord = 100;
    // Words whose verdict is kept; a text holds far fewer different words.
    static constexpr qsizetype kMostVerdicts = 100000;

    explicit SpellChecker(const QString& wordListPath = PersonalWordList::defaultPath(),
                          QObject* parent = nullptr);
    ~SpellChecker() override;

    // Where loadInBackground() looks for dictionaries, in place of the platform's.
    void setDictionaryFolder(const QString& folder) { folder_ = folder; }
    // Loads the dictionary for the user's language on another thread, once;
    // dictionaryLoaded() follows, or nothing when none is installed.
    void loadInBackground();
    void setEngine(std::unique_ptr<SpellEngine> engine);
    bool hasDictionary() const { return engine_ != nullptr; }
    // Until the dictionary is loaded, or found not to load.
    bool isLoading() const;
    // The user's language, as the dictionary is chosen for it.
    QString userLocale() const;

    bool isMisspelled(const QString& word) const;
    QStringList suggestions(const QString& word) const;

    std::optional<WordListError> addToDictionary(const QString& word);
    void ignoreAll(const QString& word);
    // The diary's keywords; each word of them is known.
    void setKeywords(const QStringList& keywords);

  signals:
    // Words may be judged otherwise now: a dictionary came, or a word was
    // added, ignored or filed as a keyword.
    void changed();
    void dictionaryLoaded();

  private:
    bool isKnownAnyway(const QString& word) const;
    // The list is read when first needed, so the window shows without waiting for it.
    PersonalWordList* wordList();

    std::unique_ptr<SpellEngine> engine_;
    QString wordListPath_;
    PersonalWordList* list_ = nullptr;
    // What the dictionary said of each word lately: a line is checked again at
    // each key typed in it, and Hunspell takes long over an unknown word.
    mutable QHash<QString, bool> verdicts_;
    QSet<QString> ignored_;  // case-folded
    QSet<QString> keywords_; // case-folded
    std::optional<QString> folder_;
    QThread* loader_ = nullptr;
    bool loading_ = false;
};

} // namespace spelling
