#include "spellingfiles.h"

namespace platform {

QString userLanguage() {
    return localeFromEnvironment();
}

// The distribution's dictionary packages install here, one package a language.
QString dictionaryFolder() {
    return QStringLiteral("/usr/share/hunspell");
}

} // namespace platform
