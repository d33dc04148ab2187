#pragma once

#include "fieldrules.h"
#include "storeerror.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace entry_store {

// Reads the entry file front to back, field by field, by the rules of
// fieldrules.h. Its whole state is the byte position, so the fast keyword
// scan and the plain field reader can be mixed freely and always agree.
// A UTF-8 byte-order mark at the very start of the file is skipped.
//  Each field is decoded by textcodec::decodeField.
class EntryReader {
  public:
    enum class ScanResult { Found, EndOfFile, Unfinished };

    explicit EntryReader(platform::FileSystem& files, std::size_t bufferSize = 1 << 20);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    std::optional<StoreError> open(const std::string& name);
    bool isOpen() const { return handle_ != platform::kNoFile; }
    // Closes the handle if one is open; the outcome is not reported, since a
    // read-only handle has nothing left to lose.
    void close();

    // True when no byte remains to be read.
    platform::Expected<bool, StoreError> atEnd();
    // The next field; a ReadPastEnd error when no byte remains.
    platform::Expected<std::string, StoreError> readField();
    // What ended the field readField() read last.
    Delimiter lastDelimiter() const { return lastDelimiter_; }
    // Reads on until a field equal to `keyword` has been read (Found) or no byte
    // remains (EndOfFile). Gives the same outcome and leaves the reader where
    // reading field by field would, but jumps over text that cannot match.
    // Returns Unfinished, at a field start, once about `budget` bytes are passed.
    platform::Expected<ScanResult, StoreError> findField(std::string_view keyword,
                                                         std::uint64_t budget = UINT64_MAX);

    // Bytes consumed from the start of the file.
    std::uint64_t position() const { return bufferStart_ + pos_; }

  private:
    class Sink;
    class CollectSink;
    class MatchSink;

    platform::Expected<std::size_t, StoreError> fill();
    platform::Expected<Delimiter, StoreError> consumeField(Sink& sink);
    platform::Expected<ScanResult, StoreError> matchLine(const std::vector<std::string>& forms);
    std::size_t lineStart(std::size_t from, std::size_t before) const;
    bool mayBeField(std::size_t at, std::size_t length) const;

    platform::FileSystem& files_;
    platform::FileHandle handle_ = platform::kNoFile;
    std::size_t bufferSize_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bufferStart_ = 0; // file offset of buffer_[0]
    std::uint64_t dataStart_ = 0;   // where the first line starts: after a byte-order mark
    Delimiter lastDelimiter_ = Delimiter::EndOfFile;
};

} // namespace entry_store
