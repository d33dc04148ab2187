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

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace entry_store {

inline constexpr const char* kFileName = "verimond.dat";
inline constexpr std::string_view kEndOfEntry = "**EOE**";

// The bytes one entry adds to the file.
std::string encodeEntry(std::string_view keyword, std::string_view date, std::string_view text);

// How many of the file's last bytes tornTailClosing needs to see.
inline constexpr std::size_t kTailLength = 10;

// What must be written before a new entry so that it starts after a marker
// line: nothing for an empty file or one that ends in a marker line (ended by
// CR LF, LF or CR); otherwise a line end where the last line has none, and a
// marker line where the last whole line is not one. `tail` is the file's last
// bytes (up to kTailLength); `wholeFile` says the file holds no more than that.
std::string tornTailClosing(std::string_view tail, bool wholeFile);

class EntryStore {
  public:
    explicit EntryStore(platform::FileSystem& files = platform::systemFileSystem(),
                        std::string fileName = kFileName);

    // Appends one entry under an exclusive lock and flushes it to disk before
    // returning; the first save also flushes the folder that now names the
    // file. A torn entry left at the file's end by an earlier save that was cut
    // short is closed first. On any failure the file is cut back to its length
    // before the save; should even that fail, the error says so (partialLeft).
    // When another program holds the file unshared or locked for longer than
    // the lock wait, the save gives up with a Busy error and writes nothing.
    std::optional<StoreError> save(std::string_view keyword, std::string_view date,
                                   std::string_view text);
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // The time a save's wait is measured on, and the pause between its tries.
    // Tests put a clock of their own here, so that no result hangs on how
    // busy the machine is.
    struct Clock {
        std::function<std::chrono::steady_clock::time_point()> now =
            &std::chrono::steady_clock::now;
        std::function<void(std::chrono::milliseconds)> pause = [](std::chrono::milliseconds d) {
            std::this_thread::sleep_for(d);
        };
    };
    void setClock(Clock clock) { clock_ = std::move(clock); }

    // Opens the file for reading from its start; the reader then holds the handle.
    std::optional<StoreError> openForReading();
    EntryReader& reader() { return reader_; }

    // Closes every file the program holds open: the reader's handle, if any.
    void closeAll() { reader_.close(); }

    const std::string& fileName() const { return fileName_; }

  private:
    std::optional<platform::FileError> lockWithin(platform::FileHandle fd,
                                                  std::chrono::steady_clock::time_point deadline);

    platform::FileSystem& files_;
    std::chrono::milliseconds lockWait_{2000};
    Clock clock_;
    std::string fileName_;
    EntryReader reader_;
};

} // namespace entry_store
