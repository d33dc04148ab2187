#include "words.h"

namespace spelling {

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}

bool isApostrophe(QChar c) {
    return c == u'\'' || c == u'\u2019';
}

// A chunk between spaces that names a place rather than says something:
// "https://example.org/x", "www.example.org", "mailto:a@b", "name@example.org".
bool isAddress(QStringView chunk) {
    if (chunk.contains(u"://") || chunk.startsWith(u"www.", Qt::CaseInsensitive) ||
        chunk.startsWith(u"mailto:", Qt::CaseInsensitive))
        return true;
    const qsizetype at = chunk.indexOf(u'@');
    if (at <= 0)
        return false;
    const qsizetype dot = chunk.indexOf(u'.', at + 2);
    return dot != -1 && dot + 1 < chunk.size() && isWordChar(chunk[dot + 1]);
}

void wordsOfChunk(QStringView line, qsizetype from, qsizetype to, std::vector<WordSpan>& words) {
    qsizetype i = from;
    while (i < to) {
        if (!isWordChar(line[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < to) {
            if (isWordChar(line[i]))
                ++i;
            else if (isApostrophe(line[i]) && i + 1 < to && isWordChar(line[i + 1]))
                i += 2;
            else
                break;
        }
        words.push_back({start, i - start});
    }
}

} // namespace

std::vector<WordSpan> findWords(QStringView line) {
    std::vector<WordSpan> words;
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size) {
        while (i < size && line[i].isSpace())
            ++i;
        const qsizetype start = i;
        while (i < size && !line[i].isSpace())
            ++i;
        if (!isAddress(line.mid(start, i - start)))
            wordsOfChunk(line, start, i, words);
    }
    return words;
}

std::optional<WordSpan> wordAt(QStringView line, qsizetype position) {
    for (const WordSpan& word : findWords(line)) {
        if (word.start > position)
            break;
        if (position <= word.end())
            return word;
    }
    return std::nullopt;
}

} // namespace spelling
