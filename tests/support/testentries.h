#pragma once

#include "entrystore.h"

#include <string>
#include <vector>

// The entries the saver helper writes, and a check that a file holds nothing
// but whole ones of them. Entry `i` of copy `tag` has a keyword, a date and
// 1 to 5 text lines, all derived from tag and i, so each can be verified alone.
namespace testentries {

inline std::string keyword(const std::string& tag, int i) {
    return tag + "-" + std::to_string(i);
}

inline std::vector<std::string> lines(const std::string& tag, int i) {
    std::vector<std::string> out{keyword(tag, i), "date " + keyword(tag, i)};
    for (int line = 0; line <= i % 5; ++line)
        out.push_back("line " + std::to_string(line) + " of " + keyword(tag, i) + " " +
                      std::string(static_cast<std::size_t>(i % 97), 'x'));
    return out;
}

inline std::string text(const std::string& tag, int i) {
    const auto all = lines(tag, i);
    std::string out;
    for (std::size_t k = 2; k < all.size(); ++k)
        out += (k > 2 ? "\r\n" : "") + all[k];
    return out;
}

struct Contents {
    std::vector<std::string> keywords; // of the whole entries, in file order
    int closedTorn = 0;                // entries cut short, then closed by a later save
    bool tornTail = false;             // the file ends inside an entry
    std::string tornKeyword;           // the first field of that entry
    std::string fault;                 // empty when the file is sound
};

// What the entry whose first field is `first` should hold, or nothing when
// `first` is not a keyword the saver writes.
inline std::vector<std::string> expectedFor(const std::string& first) {
    const auto dash = first.rfind('-');
    if (dash == std::string::npos || dash + 1 >= first.size() || dash + 7 < first.size() ||
        first.find_first_not_of("0123456789", dash + 1) != std::string::npos)
        return {};
    return lines(first.substr(0, dash), std::stoi(first.substr(dash + 1)));
}

// True when `got` is what a save cut short leaves of its entry: the first
// fields whole, the last one (the marker too) possibly cut.
inline bool isCutShort(const std::vector<std::string>& got) {
    auto want = expectedFor(got[0]);
    want.emplace_back(entry_store::kEndOfEntry);
    if (got.size() == 1)
        return want.size() == 1 || want[0] == got[0];
    if (got.size() > want.size() || !std::equal(got.begin(), got.end() - 1, want.begin()))
        return false;
    return want[got.size() - 1].starts_with(got.back());
}

// Reads the file field by field and checks every entry against what its keyword says.
inline Contents check(const std::string& path) {
    Contents contents;
    entry_store::EntryReader reader(platform::systemFileSystem());
    if (reader.open(path)) {
        contents.fault = "cannot open";
        return contents;
    }
    std::vector<std::string> entry;
    while (!reader.atEnd().value()) {
        std::string field = reader.readField().value();
        if (field != entry_store::kEndOfEntry) {
            entry.push_back(std::move(field));
            continue;
        }
        if (!entry.empty() && expectedFor(entry[0]) == entry) {
            contents.keywords.push_back(entry[0]);
        } else if (!entry.empty() && isCutShort(entry)) {
            ++contents.closedTorn;
        } else {
            contents.fault = "entry " + std::to_string(contents.keywords.size()) + " is damaged";
            return contents;
        }
        entry.clear();
    }
    if (!entry.empty()) {
        if (!isCutShort(entry))
            contents.fault = "the last entry is torn inside a line";
        contents.tornTail = true;
        contents.tornKeyword = entry[0];
    }
    return contents;
}

} // namespace testentries
