#include "spellingfiles.h"

#include <QFile>

namespace platform {

QString dictionaryAdvice(const QString& locale) {
#ifdef Q_OS_LINUX
    return QStringLiteral("The package %1 holds the one for your language.")
        .arg(debianPackageFor(locale.isEmpty() ? QStringLiteral("en_US") : locale));
#else
    Q_UNUSED(locale);
    return {};
#endif
}

QString userLanguage() {
    return localeFromEnvironment();
}

// The distribution's dictionary packages install here, one package a language.
QString dictionaryFolder() {
    return QStringLiteral("/usr/share/hunspell");
}

QByteArray fopenName(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace platform
