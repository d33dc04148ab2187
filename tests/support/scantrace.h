#pragma once

#include "entryreader.h"

#include <cstdint>
#include <string>
#include <vector>

// What a search sees of a file: the byte position after each field equal to
// the keyword, the fields it reads on after each (as a showing does), and
// where it stops. The fast scan must see exactly what plain field-by-field
// reading sees.
struct ScanTrace {
    std::vector<std::uint64_t> found;
    std::vector<std::string> shown;
    std::uint64_t endedAt = 0;
    bool operator==(const ScanTrace&) const = default;
};

namespace scantrace {

// Reads a couple of fields after a match, the same way for both readers.
inline void showSome(entry_store::EntryReader& reader, ScanTrace& trace) {
    for (int i = 0; i < 2 && !reader.atEnd().value(); ++i)
        trace.shown.push_back(reader.readField().value());
}

// The plain reference: every field read and compared.
inline ScanTrace fieldByField(platform::FileSystem& files, const std::string& path,
                              const std::string& keyword, std::size_t bufferSize = 1 << 20) {
    entry_store::EntryReader reader(files, bufferSize);
    ScanTrace trace;
    if (reader.open(path))
        return trace;
    while (!reader.atEnd().value()) {
        if (reader.readField().value() == keyword) {
            trace.found.push_back(reader.position());
            showSome(reader, trace);
        }
    }
    trace.endedAt = reader.position();
    return trace;
}

inline ScanTrace scanned(platform::FileSystem& files, const std::string& path,
                         const std::string& keyword, std::size_t bufferSize, std::uint64_t budget) {
    using Result = entry_store::EntryReader::ScanResult;
    entry_store::EntryReader reader(files, bufferSize);
    ScanTrace trace;
    if (reader.open(path))
        return trace;
    for (;;) {
        const Result result = reader.findField(keyword, budget).value();
        if (result == Result::EndOfFile)
            break;
        if (result == Result::Found) {
            trace.found.push_back(reader.position());
            showSome(reader, trace);
        }
    }
    trace.endedAt = reader.position();
    return trace;
}

} // namespace scantrace
