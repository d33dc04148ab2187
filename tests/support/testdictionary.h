#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Writes a small Hunspell dictionary `language`.aff/.dic into `folder`, so tests
// never depend on the dictionaries a machine has. Its words are in UTF-8
// unless another encoding is given, with the text already in that encoding.
inline void writeTestDictionary(const QString& folder, const QString& language,
                                QByteArrayList words = {}, const QByteArray& encoding = "UTF-8") {
    if (words.isEmpty())
        words = {"I",   "it",  "is",  "believe", "receive", "the",   "a",     "bat",   "cat", "hat",
                 "mat", "rat", "sat", "vat",     "word",    "words", "wrong", "right", "one"};
    QDir().mkpath(folder);
    QFile aff(QDir(folder).filePath(language + QStringLiteral(".aff")));
    aff.open(QIODevice::WriteOnly);
    aff.write("SET " + encoding + "\nTRY esianrtolcdugmfphbyvkw\n");
    QFile dic(QDir(folder).filePath(language + QStringLiteral(".dic")));
    dic.open(QIODevice::WriteOnly);
    dic.write(QByteArray::number(words.size()) + '\n' + words.join('\n') + '\n');
}
