#include "spellengine.h"

#include "spellingfiles.h"

#include <hunspell/hunspell.hxx>

#include <QFile>

namespace spelling {

namespace {

// Hunspell's names for 8-bit encodings, as Qt knows them:
// "ISO8859-2" is "ISO-8859-2", "microsoft-cp1251" is "windows-1251".
QByteArray converterName(QByteArray hunspellName) {
    hunspellName = hunspellName.trimmed();
    const QByteArray upper = hunspellName.toUpper();
    if (upper.startsWith("ISO8859-"))
        return "ISO-8859-" + hunspellName.mid(8);
    if (upper.startsWith("MICROSOFT-CP"))
        return "windows-" + hunspellName.mid(12);
    if (upper == "TIS620-2533")
        return "TIS-620";
    return hunspellName;
}

bool readable(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

} // namespace

SpellEngine::SpellEngine(std::unique_ptr<Hunspell> hunspell, QString language, QByteArray encoding)
    : hunspell_(std::move(hunspell)), language_(std::move(language)), encoding_(encoding) {}

SpellEngine::~SpellEngine() = default;

platform::Expected<std::unique_ptr<SpellEngine>, QString>
SpellEngine::load(const DictionaryFiles& files) {
    // Hunspell says nothing when a file is missing; it just knows no word.
    for (const QString& path : {files.aff, files.dic}) {
        if (!readable(path))
            return QStringLiteral("%1 cannot be read").arg(path);
    }
    auto hunspell = std::make_unique<Hunspell>(platform::fopenName(files.aff).constData(),
                                               platform::fopenName(files.dic).constData());
    const QByteArray encoding =
        converterName(QByteArray::fromStdString(hunspell->get_dict_encoding()));
    if (!platform::TextEncoding(encoding).isValid())
        return QStringLiteral("the encoding %1 of %2 is not supported")
            .arg(QString::fromLatin1(encoding), files.aff);
    return std::unique_ptr<SpellEngine>(
        new SpellEngine(std::move(hunspell), files.language, encoding));
}

std::optional<std::string> SpellEngine::encode(const QString& word) {
    const std::optional<QByteArray> bytes = encoding_.encode(word);
    if (!bytes)
        return std::nullopt;
    return bytes->toStdString();
}

QString SpellEngine::decode(const std::string& bytes) {
    return encoding_.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

bool SpellEngine::knows(const QString& word) {
    const std::optional<std::string> bytes = encode(word);
    return bytes && hunspell_->spell(*bytes);
}

QStringList SpellEngine::suggestions(const QString& word, int most) {
    QStringList result;
    const std::optional<std::string> bytes = encode(word);
    if (!bytes)
        return result;
    for (const std::string& suggestion : hunspell_->suggest(*bytes)) {
        if (result.size() == most)
            break;
        result << decode(suggestion);
    }
    return result;
}

} // namespace spelling
