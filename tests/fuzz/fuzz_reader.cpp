// libFuzzer target: the field reader, the keyword scan and the keyword tally
// on any bytes. The scan must see exactly what plain field-by-field reading
// sees, for any keyword, buffer size and budget; the tally must count the
// same keywords with a tiny buffer and tiny passes as in one pass, and offer
// what the field reader reads on the keyword lines; the sanitizers watch every
// access.
//
// Input: byte 0 picks the buffer size, byte 1 the scan budget, then the
// keyword up to the first 0x01 byte (at most 12 bytes), then the file.

#include "entrystore.h"
#include "keywordtally.h"
#include "memoryfilesystem.h"
#include "scantrace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

// The fields the reader reads on complete keyword lines (the first line, and
// each line after a line that is the one field "**EOE**"): those the tally
// may offer, and those short enough that it must.
struct KeywordLineFields {
    std::set<std::string> may;
    std::set<std::string> must;
};

KeywordLineFields keywordLineFields(platform::FileSystem& files, const std::string& path) {
    using entry_store::Delimiter;
    KeywordLineFields fields;
    entry_store::EntryReader reader(files, 4096);
    if (reader.open(path))
        return fields;
    bool keywordLine = true;
    std::vector<std::string> line;
    while (!reader.atEnd().value()) {
        line.push_back(reader.readField().value());
        if (reader.lastDelimiter() == Delimiter::Comma)
            continue;
        for (const std::string& field : line) {
            if (!keywordLine || reader.lastDelimiter() != Delimiter::LineEnd || field.empty() ||
                field == entry_store::kEndOfEntry)
                continue;
            fields.may.insert(field);
            const auto characters = std::count_if(field.begin(), field.end(), [](char c) {
                return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            });
            if (characters <= 200)
                fields.must.insert(field);
        }
        keywordLine = line.size() == 1 && line[0] == entry_store::kEndOfEntry;
        line.clear();
    }
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t bufferSize = 16 + data[0] % 48;
    const std::uint64_t budget = data[1] == 0 ? UINT64_MAX : data[1];
    const char* rest = reinterpret_cast<const char*>(data + 2);
    const std::size_t restSize = size - 2;
    std::size_t keywordEnd = 0;
    while (keywordEnd < restSize && keywordEnd < 12 && rest[keywordEnd] != '\x01')
        ++keywordEnd;
    const std::string keyword(rest, keywordEnd);
    const std::size_t fileStart = std::min(restSize, keywordEnd + 1);

    MemoryFileSystem files;
    files.files["verimond.dat"] = std::string(rest + fileStart, restSize - fileStart);
    const ScanTrace expected = scantrace::fieldByField(files, "verimond.dat", keyword, 4096);
    const ScanTrace actual = scantrace::scanned(files, "verimond.dat", keyword, bufferSize, budget);
    if (!scantrace::agrees(actual, expected)) {
        std::fprintf(stderr, "the scan differs from field-by-field reading\n");
        std::abort();
    }

    entry_store::KeywordTally whole(files, "verimond.dat", 8192); // more than any input
    entry_store::KeywordTally sliced(files, "verimond.dat", bufferSize);
    (void)whole.readOn();
    for (int pass = 0; sliced.readOn(budget).value() != entry_store::KeywordTally::Pass::Done;
         ++pass) {
        if (pass > 100000)
            std::abort();
    }
    const auto same = [](const entry_store::Keyword& a, const entry_store::Keyword& b) {
        return a.text == b.text && a.count == b.count;
    };
    const auto expectedKeywords = whole.keywords();
    const auto keywords = sliced.keywords();
    if (!std::equal(keywords.begin(), keywords.end(), expectedKeywords.begin(),
                    expectedKeywords.end(), same)) {
        std::fprintf(stderr, "the keyword tally depends on its buffer or its passes\n");
        std::abort();
    }
    const KeywordLineFields read = keywordLineFields(files, "verimond.dat");
    std::set<std::string> offered;
    for (const auto& keyword : keywords)
        offered.insert(keyword.text);
    if (!std::includes(read.may.begin(), read.may.end(), offered.begin(), offered.end()) ||
        !std::includes(offered.begin(), offered.end(), read.must.begin(), read.must.end())) {
        std::fprintf(stderr, "the keyword tally offers other fields than the reader reads\n");
        std::abort();
    }
    return 0;
}
