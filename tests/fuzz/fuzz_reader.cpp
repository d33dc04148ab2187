// libFuzzer target: the field reader, the keyword scan and the keyword tally
// on any bytes. The scan must see exactly what plain field-by-field reading
// sees, for any keyword, buffer size and budget, and the tally must count the
// same keywords with a tiny buffer and tiny passes as in one pass; the
// sanitizers watch every access.
//
// Input: byte 0 picks the buffer size, byte 1 the scan budget, then the
// keyword up to the first 0x01 byte (at most 12 bytes), then the file.

#include "keywordtally.h"
#include "memoryfilesystem.h"
#include "scantrace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
    return 0;
}
