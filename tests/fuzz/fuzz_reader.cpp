// libFuzzer target: the field reader and the keyword scan on any bytes. The
// scan must see exactly what plain field-by-field reading sees, for any
// keyword, buffer size and budget; the sanitizers watch every access.
//
// Input: byte 0 picks the buffer size, byte 1 the scan budget, then the
// keyword up to the first 0x01 byte (at most 12 bytes), then the file.

#include "memoryfilesystem.h"
#include "scantrace.h"

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
    return 0;
}
