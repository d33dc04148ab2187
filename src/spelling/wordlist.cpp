#include "wordlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace spelling {

QString PersonalWordList::defaultPath() {
    // The generic configuration folder: $XDG_CONFIG_HOME or ~/.config on Linux,
    // %LocalAppData% on Windows.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Verimond/words.txt");
}

PersonalWordList::PersonalWordList(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), watcher_(new QFileSystemWatcher(this)) {
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &PersonalWordList::reload);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &PersonalWordList::reload);
    reload();
}

bool PersonalWordList::contains(const QString& word) const {
    const QString folded = word.toCaseFolded();
    return words_.contains(folded) || sessionWords_.contains(folded);
}

PersonalWordList::OnDisk PersonalWordList::readOnDisk() const {
    const QFileInfo info(path_);
    if (!info.exists() && !info.isSymLink())
        return {true, {}, {}};
    const QString unusable = QStringLiteral("it is not a readable text file of at most 1 MB");
    if (!info.isFile())
        return {false, {}, unusable};
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return {false, {}, file.errorString()};
    // Read one byte more than allowed, so a list that grows meanwhile is caught too.
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (bytes.size() > kMaxBytes || file.error() != QFileDevice::NoError)
        return {false, {}, unusable};
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return {false, {}, unusable};
    OnDisk list{true, {}, {}};
    for (const QString& line : text.split(u'\n')) {
        const QString word = line.trimmed();
        if (!word.isEmpty())
            list.words << word;
    }
    return list;
}

void PersonalWordList::reload() {
    const OnDisk list = readOnDisk();
    QSet<QString> words;
    for (const QString& word : list.words)
        words.insert(word.toCaseFolded());
    watch();
    if (words != words_) {
        words_ = std::move(words);
        emit changed();
    }
}

// The file, and its folder, which a rename replaces the file in; while they
// are not there yet, the nearest folder above that is.
void PersonalWordList::watch() {
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    if (QFileInfo(path_).isFile())
        watcher_->addPath(path_);
    QDir folder = QFileInfo(path_).absoluteDir();
    for (int up = 0; up < 2 && !folder.exists(); ++up)
        folder.setPath(QFileInfo(folder.path()).absolutePath());
    if (folder.exists())
        watcher_->addPath(folder.path());
}

std::optional<WordListError> PersonalWordList::failed(const QString& word, const QString& reason) {
    sessionWords_.insert(word.toCaseFolded());
    emit changed();
    if (std::exchange(failureReported_, true))
        return std::nullopt;
    return WordListError{QDir::toNativeSeparators(path_), reason};
}

std::optional<WordListError> PersonalWordList::add(const QString& word) {
    const QString clean = word.trimmed();
    if (clean.isEmpty() || clean.contains(u'\n') || clean.contains(u'\r'))
        return std::nullopt;
    OnDisk list = readOnDisk();
    if (!list.usable)
        return failed(clean, list.reason);
    if (!list.words.contains(clean))
        list.words << clean;
    const QByteArray bytes = list.words.join(u'\n').toUtf8() + '\n';
    if (bytes.size() > kMaxBytes)
        return failed(clean, QStringLiteral("it would grow over 1 MB"));
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder))
        return failed(
            clean,
            QStringLiteral("its folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return failed(clean, file.errorString());
    reload();
    return std::nullopt;
}

} // namespace spelling
