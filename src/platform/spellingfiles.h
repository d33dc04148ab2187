#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The language a locale's name stands for, without its encoding and
// variant ("de_DE.UTF-8@euro" is "de_DE"); empty for the C locale.
QString languageOf(const QString& localeName);

// The user's language as the environment names it: that of the first of
// LC_ALL, LC_MESSAGES and LANG that is set.
QString localeFromEnvironment();

// The Debian package that holds the dictionary for `locale`: "hunspell-en-us"
// for "en_US", "hunspell-de" for "de".
QString debianPackageFor(const QString& locale);

// What a user with no dictionary for `locale` (empty for none named) can do
// to get one; empty where there is nothing to say.
QString dictionaryAdvice(const QString& locale);

// The user's language as the system names it ("de_DE"); empty when it names none.
QString userLanguage();

// The folder whose Hunspell dictionaries spelling chooses from. Where the
// system has none of its own, the dictionaries built into the program (under
// :/dictionaries) are written out there first by writeOutDictionaries(), as
// Hunspell reads only files. Beside them the user may put a dictionary of
// their own language.
QString dictionaryFolder();

// Writes each file of the folder `from` (the program's own dictionaries)
// into the folder `to`, made if need be. Each is written by a rename, so a
// second copy of the program starting at the same time never reads half a
// dictionary. One already there as `from` holds it is left as it is: a
// dictionary is read at each start, and a file written each time would be a
// needless write to the user's disk. One that cannot be written is left out.
void writeOutDictionaries(const QString& from, const QString& to);

// `path` as the C library's fopen() takes it, which Hunspell opens its files
// with.
QByteArray fopenName(const QString& path);

} // namespace platform
