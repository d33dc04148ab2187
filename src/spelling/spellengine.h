#pragma once

#include "expected.h"
#include "textencoding.h"

#include <QString>
#include <QStringList>

#include <memory>

class Hunspell;

namespace spelling {

// A Hunspell dictionary: its language ("en_US") and its two files.
struct DictionaryFiles {
    QString language;
    QString aff;
    QString dic;
};

// Hunspell with one dictionary loaded. Hunspell takes words as bytes in the
// dictionary's own encoding (the SET line of its .aff file), so words are
// turned into that encoding here and suggestions back from it.
//
// Loading reads the whole dictionary and takes a noticeable time for a large
// one; it touches nothing shared, so it may run on any thread. A loaded engine
// is then used by one thread at a time.
class SpellEngine {
  public:
    static platform::Expected<std::unique_ptr<SpellEngine>, QString>
    load(const DictionaryFiles& files);
    ~SpellEngine();
    SpellEngine(const SpellEngine&) = delete;
    SpellEngine& operator=(const SpellEngine&) = delete;

    const QString& language() const { return language_; }
    // A word the dictionary's encoding cannot hold is not in the dictionary.
    bool knows(const QString& word);
    QStringList suggestions(const QString& word, int most);

  private:
    SpellEngine(std::unique_ptr<Hunspell> hunspell, QString language, QByteArray encoding);
    // The word in the dictionary's encoding, or nothing if that cannot hold it.
    std::optional<std::string> encode(const QString& word);
    QString decode(const std::string& bytes);

    std::unique_ptr<Hunspell> hunspell_;
    QString language_;
    platform::TextEncoding encoding_;
};

} // namespace spelling
