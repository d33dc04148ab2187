#pragma once

#include "entryreader.h"

#include <algorithm>
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
    // Field-by-field reading: the position of every field start it passes.
    // The scan: every position at which it returned Unfinished.
    std::vector<std::uint64_t> stops;
};

namespace scantrace {

// The scan saw what field-by-field reading saw, and each time it stopped
// unfinished it stood at a field start, so field reading could take over.
inline bool agrees(const ScanTrace& scan, const ScanTrace& reference) {
    if (scan.found != reference.found || scan.shown != reference.shown ||
        scan.endedAt != reference.endedAt)
        return false;
    for (const std::uint64_t stop : scan.stops) {
        if (!std::binary_search(reference.stops.begin(), reference.stops.end(), stop))
            return false;
    }
    return true;
}

// Reads a couple of fields after a match, the same way for both readers.
inline void showSome(entry_store::EntryReader& reader, ScanTrace& trace, bool recordStarts) {
    for (int i = 0; i < 2 && !reader.atEnd().value(); ++i) {
        if (recordStarts)
            trace.stops.push_back(reader.position());
        trace.shown.push_back(reader.readField().value());
    }
}

// The plain reference: every field read and compared.
inline ScanTrace fieldByField(platform::FileSystem& files, const std::string& path,
                              const std::string& keyword, std::size_t bufferSize = 1 << 20) {
    entry_store::EntryReader reader(files, bufferSize);
    ScanTrace trace;
    if (reader.open(path))
        return trace;
    while (!reader.atEnd().value()) {
        trace.stops.push_back(reader.position());
        if (reader.readField().value() == keyword) {
            trace.found.push_back(reader.position());
            showSome(reader, trace, true);
        }
    }
    trace.endedAt = reader.position();
    trace.stops.push_back(trace.endedAt);
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
            showSome(reader, trace, false);
        } else {
            trace.stops.push_back(reader.position());
        }
    }
    trace.endedAt = reader.position();
    return trace;
}

} // namespace scantrace
