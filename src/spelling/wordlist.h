#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class QFileSystemWatcher;

namespace spelling {

// Why an added word could not be written to the list.
struct WordListError {
    QString path;
    QString reason;
};

// The personal word list: a plain UTF-8 file, one word per line, shared by
// every running copy of the program. Each addition reads the list as it is on
// disk, adds the word and puts a new file in its place by a rename, so the
// list is never half written and keeps what another copy added. The list is
// read again whenever it changes on disk.
//
// A list that cannot be read, or is over kMaxBytes, is the user's own file
// gone wrong: it is ignored and never overwritten. A word that cannot be
// written is still known until the program ends.
class PersonalWordList : public QObject {
    Q_OBJECT
  public:
    static constexpr qint64 kMaxBytes = 1 << 20;

    // Verimond/words.txt in the user's configuration folder.
    static QString defaultPath();

    explicit PersonalWordList(QString path, QObject* parent = nullptr);

    const QString& path() const { return path_; }
    // Matches ignore case, as a word at a sentence's start is the same word.
    bool contains(const QString& word) const;
    // Reports only the first failure of the run, which is all the user needs
    // to hear; the word is known either way.
    std::optional<WordListError> add(const QString& word);

  signals:
    void changed();

  private:
    struct OnDisk {
        bool usable = false;
        QStringList words;
        QString reason;
    };
    OnDisk readOnDisk() const;
    void reload();
    void watch();
    std::optional<WordListError> failed(const QString& word, const QString& reason);

    QString path_;
    QSet<QString> words_;        // case-folded
    QSet<QString> sessionWords_; // case-folded; those that could not be written
    bool failureReported_ = false;
    QFileSystemWatcher* watcher_;
};

} // namespace spelling
