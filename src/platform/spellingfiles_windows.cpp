#include "spellingfiles.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>

#include <windows.h>

#include <string>

namespace platform {

namespace {

const QString kBundled = QStringLiteral(":/dictionaries");

// %LocalAppData%\Verimond\dictionaries: a dictionary is large and can be made
// again, so it is not to travel with a roaming profile.
QString localFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Verimond/dictionaries");
}

} // namespace

// Windows' own name for the user's language is "de-DE"; Qt gives "de_DE", as
// dictionaries are named.
QString userLanguage() {
    return languageOf(QLocale::system().name());
}

// Windows brings no dictionaries; the user adds one beside those built in.
QString dictionaryAdvice(const QString& locale) {
    Q_UNUSED(locale);
    return QStringLiteral("Put the .dic and .aff files of your language in %1.")
        .arg(QDir::toNativeSeparators(localFolder()));
}

QString dictionaryFolder() {
    const QString folder = localFolder();
    writeOutDictionaries(kBundled, folder);
    return folder;
}

// fopen() takes names in the 8-bit code page, which may lack letters of the
// user's name, and so of their profile's folders. The short name Windows
// keeps for such a file is plain ASCII.
QByteArray fopenName(const QString& path) {
    const QByteArray local = path.toLocal8Bit();
    if (QString::fromLocal8Bit(local) == path)
        return local;
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size == 0)
        return local;
    std::wstring shortName(size, L'\0');
    const DWORD written = GetShortPathNameW(wide.c_str(), shortName.data(), size);
    if (written == 0 || written >= size)
        return local;
    shortName.resize(written);
    return QString::fromStdWString(shortName).toLocal8Bit();
}

} // namespace platform
