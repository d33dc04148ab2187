#include "spellingfiles.h"

namespace platform {

QString localeFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        QString value = qEnvironmentVariable(name);
        if (value.isEmpty())
            continue;
        value = value.section(u'.', 0, 0).section(u'@', 0, 0);
        if (value == u"C" || value == u"POSIX")
            return {};
        return value;
    }
    return {};
}

QString debianPackageFor(const QString& locale) {
    QString name = locale;
    name.replace(u'_', u'-');
    return QStringLiteral("hunspell-") + name.toLower();
}

} // namespace platform
