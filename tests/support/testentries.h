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
    bool tornTail = false;             // the file ends inside an entry
    std::string fault;                 // empty when the file is sound
};

// Reads the file field by field and checks every entry against what its keyword says.
inline Contents check(const std::string& path) {
    Contents contents;
    entry_store::EntryReader reader(platform::systemFileSystem());
    if (reader.open(path)) {
        contents.fault = "cannot open";
        return contents;
    }
    std::vector<std::string> entry;
    auto expected = [](const std::vector<std::string>& got) {
        const auto dash = got[0].rfind('-');
        if (dash == std::string::npos || dash + 1 >= got[0].size())
            return std::vector<std::string>{};
        return lines(got[0].substr(0, dash), std::stoi(got[0].substr(dash + 1)));
    };
    while (!reader.atEnd().value()) {
        std::string field = reader.readField().value();
        if (field != entry_store::kEndOfEntry) {
            entry.push_back(std::move(field));
            continue;
        }
        if (entry.empty() || expected(entry) != entry) {
            contents.fault = "entry " + std::to_string(contents.keywords.size()) + " is damaged";
            return contents;
        }
        contents.keywords.push_back(entry[0]);
        entry.clear();
    }
    if (!entry.empty()) {
        const auto want = expected(entry);
        if (want.size() < entry.size() || !std::equal(entry.begin(), entry.end(), want.begin()))
            contents.fault = "the last entry is torn inside a line";
        contents.tornTail = true;
    }
    return contents;
}

} // namespace testentries
