#pragma once

#include "storeerror.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace entry_store {

// A keyword filed in the diary, and how many keyword lines name it.
struct Keyword {
    std::string text; // decoded, UTF-8
    std::uint64_t count = 0;
};

// Counts the keywords the entry file holds: every field of each keyword line
// (the file's first line, and each line after a marker line), read by the
// field reader's rules. The file only grows, so each pass reads on from where
// the last one stopped; a file that shrank, or whose first bytes changed, is
// read again from its start. A last line without its line end may be an
// append in progress: it is taken on a later pass. Each pass opens the file
// for reading, shares it with any writer, takes no lock and closes it again.
//
// Never counted: empty fields, the marker, and fields of more than
// kMaxKeywordLength characters. Memory stays bounded on any file: past
// kMaxKeywords distinct keywords (or kMaxKeywordBytes of them), the least used
// are dropped, and wasCut() says so.
class KeywordTally {
  public:
    enum class Pass { Done, Unfinished };

    static constexpr std::size_t kMaxKeywordLength = 200;
    static constexpr std::size_t kMaxKeywords = 100000;
    static constexpr std::size_t kMaxKeywordBytes = 8u << 20;

    explicit KeywordTally(platform::FileSystem& files, std::string fileName,
                          std::size_t bufferSize = 1 << 20);

    // Reads on until the file's complete lines are all read (Done), or, at a
    // line start, once about `budget` bytes are passed (Unfinished). A missing
    // file is an empty diary.
    platform::Expected<Pass, StoreError> readOn(std::uint64_t budget = UINT64_MAX);

    // Most used first, then in the order of their text.
    std::vector<Keyword> keywords() const;
    bool wasCut() const { return cut_; }
    // Goes up whenever the keywords change, so a list made of them can tell
    // whether it is still current.
    std::uint64_t changes() const { return changes_; }
    // File bytes taken so far: where the next pass starts.
    std::uint64_t position() const { return offset_; }

  private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const {
            return std::hash<std::string_view>()(bytes);
        }
    };
    using Counts = std::unordered_map<std::string, std::uint64_t, Hash, std::equal_to<>>;

    void restart();
    void count(std::string_view field);
    void countFields(std::string_view line);
    void dropLeastUsed();
    // Reads from offset_ into the buffer; false at the end of the file.
    platform::Expected<std::size_t, StoreError> fill(platform::FileHandle handle);
    platform::Expected<bool, StoreError> readLongLine(platform::FileHandle handle);

    platform::FileSystem& files_;
    std::string fileName_;
    std::vector<char> buffer_;
    std::size_t bufferSize_;

    std::uint64_t offset_ = 0;              // the start of the first line not taken yet
    bool keywordLineNext_ = true;           // whether that line is a keyword line
    std::string head_;                      // the file's first bytes, as last read
    std::optional<std::uint64_t> sizeRead_; // the file's size when last read to its end
    Counts counts_;
    std::size_t keywordBytes_ = 0;
    bool cut_ = false;
    std::uint64_t changes_ = 0;
};

} // namespace entry_store
