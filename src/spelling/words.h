#pragma once

#include <QStringView>

#include <optional>
#include <vector>

namespace spelling {

// Where a word lies in its line, in UTF-16 units.
struct WordSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype end() const { return start + length; }
    bool operator==(const WordSpan&) const = default;
};

// The words of one line that spelling looks at: runs of letters and digits,
// with an apostrophe inside a word kept in it ("don't"). A web or e-mail
// address is no prose, so none of its parts is a word.
std::vector<WordSpan> findWords(QStringView line);

// The word that holds `position`, or ends just before it, as a caret stands.
std::optional<WordSpan> wordAt(QStringView line, qsizetype position);

} // namespace spelling
