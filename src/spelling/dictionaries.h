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

// The dictionary to load from `folder` for `userLocale`, if any is installed.
std::optional<DictionaryFiles> chooseDictionary(const QString& folder, const QString& userLocale);

} // namespace spelling
