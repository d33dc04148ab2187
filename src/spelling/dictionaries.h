#pragma once

#include "spellengine.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace spelling {

// The dictionaries installed in `folder`: each .dic with its .aff beside it,
// by language name ("en_US"), in name order.
QStringList installedLanguages(const QString& folder);

// The language to check in, of those installed: the user's own ("de_CH"), then
// any of that language ("de", "de_DE"), then en_US, then any English, then
// the first installed. Nothing when none is installed.
std::optional<QString> chooseLanguage(const QStringList& installed, const QString& userLocale);

// The user's language as the environment names it: the first of LC_ALL,
// LC_MESSAGES and LANG that is set, without its encoding and variant
// ("de_DE.UTF-8@euro" is "de_DE"); empty for the C locale.
QString localeFromEnvironment();

// The Debian package that holds the dictionary for `locale`: "hunspell-en-us"
// for "en_US", "hunspell-de" for "de".
QString debianPackageFor(const QString& locale);

// Where this system keeps its dictionaries.
QString systemDictionaryFolder();

// The dictionary to load from `folder` for `userLocale`, if any is installed.
std::optional<DictionaryFiles> chooseDictionary(const QString& folder, const QString& userLocale);

} // namespace spelling
