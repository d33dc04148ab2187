#include "spellingfiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {

bool holds(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

} // namespace

QString languageOf(const QString& localeName) {
    const QString language = localeName.section(u'.', 0, 0).section(u'@', 0, 0);
    return language == u"C" || language == u"POSIX" ? QString() : language;
}

QString localeFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return languageOf(value);
    }
    return {};
}

void writeOutDictionaries(const QString& from, const QString& to) {
    const QDir folder(from);
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty() || !QDir().mkpath(to))
        return;
    for (const QString& name : names) {
        QFile dictionary(folder.filePath(name));
        if (!dictionary.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = dictionary.readAll();
        const QString path = to + u'/' + name;
        if (holds(path, bytes))
            continue;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
            file.commit();
    }
}

QString debianPackageFor(const QString& locale) {
    QString name = locale;
    name.replace(u'_', u'-');
    return QStringLiteral("hunspell-") + name.toLower();
}

} // namespace platform
