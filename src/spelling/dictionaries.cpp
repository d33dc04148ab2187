#include "dictionaries.h"

#include <QDir>
#include <QFileInfo>

namespace spelling {

namespace {

QString languageOf(const QString& locale) {
    return locale.section(u'_', 0, 0);
}

} // namespace

QStringList installedLanguages(const QString& folder) {
    QStringList languages;
    const QDir dir(folder);
    const QStringList dics = dir.entryList({QStringLiteral("*.dic")}, QDir::Files, QDir::Name);
    for (const QString& dic : dics) {
        const QString language = dic.chopped(4);
        if (!language.isEmpty() &&
            QFileInfo(dir.filePath(language + QStringLiteral(".aff"))).isFile())
            languages << language;
    }
    return languages;
}

std::optional<QString> chooseLanguage(const QStringList& installed, const QString& userLocale) {
    if (installed.isEmpty())
        return std::nullopt;
    auto firstOf = [&installed](const QString& language) -> std::optional<QString> {
        for (const QString& name : installed) {
            if (name == language || name.startsWith(language + u'_'))
                return name;
        }
        return std::nullopt;
    };
    if (!userLocale.isEmpty()) {
        if (installed.contains(userLocale))
            return userLocale;
        if (auto same = firstOf(languageOf(userLocale)))
            return same;
    }
    if (installed.contains(QStringLiteral("en_US")))
        return QStringLiteral("en_US");
    if (auto english = firstOf(QStringLiteral("en")))
        return english;
    return installed.first();
}

std::optional<DictionaryFiles> chooseDictionary(const QString& folder, const QString& userLocale) {
    const std::optional<QString> language = chooseLanguage(installedLanguages(folder), userLocale);
    if (!language)
        return std::nullopt;
    const QDir dir(folder);
    return DictionaryFiles{*language, dir.filePath(*language + QStringLiteral(".aff")),
                           dir.filePath(*language + QStringLiteral(".dic"))};
}

} // namespace spelling
