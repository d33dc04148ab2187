#pragma once

// The entry store: everything about the entry file "verimond.dat" in the
// current directory, and nothing about windows. Each entry is four values
// written one per line with CR LF: keyword, date, text (as many lines as it
// has), and the marker line "**EOE**". Saving appends one whole entry or, on
// failure, nothing; reading goes field by field through EntryReader, where a
// comma also ends a field. Failures come back as StoreError values; the
// windows turn them into messages. The store holds the program's one handle
// on the file, which close-all releases.

#include "entryreader.h"
#include "storeerror.h"

#include <optional>
#include <string>
#include <string_view>

namespace entry_store {

inline constexpr const char* kFileName = "verimond.dat";
inline constexpr std::string_view kEndOfEntry = "**EOE**";

// The bytes one entry adds to the file.
std::string encodeEntry(std::string_view keyword, std::string_view date, std::string_view text);

class EntryStore {
  public:
    explicit EntryStore(platform::FileSystem& files = platform::systemFileSystem(),
                        std::string fileName = kFileName);

    // Appends one entry under an exclusive lock and flushes it to disk before
    // returning. On any failure the file is cut back to its length before the
    // save, so it never holds part of an entry.
    std::optional<StoreError> save(std::string_view keyword, std::string_view date,
                                   std::string_view text);

    // Opens the file for reading from its start; the reader then holds the handle.
    std::optional<StoreError> openForReading();
    EntryReader& reader() { return reader_; }

    // Closes every file the program holds open: the reader's handle, if any.
    void closeAll() { reader_.close(); }

    const std::string& fileName() const { return fileName_; }

  private:
    platform::FileSystem& files_;
    std::string fileName_;
    EntryReader reader_;
};

} // namespace entry_store
