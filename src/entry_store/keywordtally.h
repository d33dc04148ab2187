#pragma once

#include "fieldrules.h"
#include "storeerror.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace entry_store {

// A keyword filed in the diary, and how many times keyword lines name it.
struct Keyword {
    std::string text; // decoded, UTF-8
    std::uint64_t count = 0;
};

// Counts the keywords the entry file holds: every field of each keyword line
// (the file's first line, and each line after a marker line), read by the
// rules of fieldrules.h. A marker line is a line that reads as the one field
// "**EOE**". The fields of a line are counted once its line end is read, so a
// line another program is still writing is never offered in part.
//
// The file only grows, so each pass reads on from where the last one
// stopped, each byte once, also across passes in the middle of a long line.
// Before it reads on, a pass checks that what was read is unchanged, and
// reads the file again from its start where it is not: another file in its
// place (device and inode, or volume and file index), a file shorter than
// what was read, the same size with another modification time, or first
// bytes or bytes just before where the last pass stopped that differ. The
// check misses a change in the middle of what was read that keeps the file's
// size and modification time, or that comes with an append and spares the
// bytes compared; the keyword list is a convenience that the next change of
// those bytes, or the next start, puts right, and nothing is ever written.
//
// Only a plain file is read: a device, a named pipe, a socket or a folder is
// an empty diary, and opening it never waits. Each pass opens the file for
// reading, shares it with any writer, takes no lock and closes it again.
//
// Never counted: empty fields, the marker, and fields of more than
// kMaxKeywordLength characters. Memory stays bounded on any file: past
// kMaxKeywords distinct keywords (or kMaxKeywordBytes of them), the more used
// half stays, and on a tie those met first; wasCut() then says so. A kept
// keyword's count is exact from when it was kept: the true count for every
// diary under the limits.
class KeywordTally {
  public:
    enum class Pass { Done, Unfinished };

    static constexpr std::size_t kMaxKeywordLength = 200;
    static constexpr std::size_t kMaxKeywords = 100000;
    static constexpr std::size_t kMaxKeywordBytes = 8u << 20;
    // The least a pass reads, whatever its budget, so that it always gets on.
    static constexpr std::uint64_t kMinBudget = 64;

    explicit KeywordTally(platform::FileSystem& files, std::string fileName,
                          std::size_t bufferSize = 1 << 20);

    // Reads on until the end of the file (Done), or until `budget` bytes are
    // read (Unfinished), besides the few that tell whether the file changed.
    // A missing file is an empty diary. A failed pass keeps the keywords
    // counted so far, and the next pass tries again.
    platform::Expected<Pass, StoreError> readOn(std::uint64_t budget = UINT64_MAX);

    // Most used first, then in the order of their text.
    std::vector<Keyword> keywords() const;
    bool wasCut() const { return counts_.cut; }
    // Goes up whenever the keywords change, so a list made of them can tell
    // whether it is still current.
    std::uint64_t changes() const { return changes_; }

  private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const {
            return std::hash<std::string_view>()(bytes);
        }
    };
    struct Uses {
        std::uint64_t count;
        std::uint64_t firstMet;
    };
    // Keywords and their uses, kept within the limits.
    struct Counter {
        std::unordered_map<std::string, Uses, Hash, std::equal_to<>> uses;
        std::size_t bytes = 0;
        std::uint64_t met = 0;
        bool cut = false;

        void add(std::string_view keyword, std::uint64_t count);
        void dropLeastUsed();
        void clear();
    };
    // What the line being read is, and how it is read.
    enum class Line {
        Keyword,     // field by field, each counted at the line's end
        Skim,        // on to a marker candidate, no field read
        MaybeMarker, // field by field from a candidate, to see whether it is the only one
        RestOfLine,  // on to the line's end
    };

    void restart();
    platform::Expected<std::size_t, StoreError>
    readFully(platform::FileHandle handle, std::uint64_t at, char* into, std::size_t length);
    platform::Expected<std::string, StoreError> readCheck(platform::FileHandle handle,
                                                          std::uint64_t at, std::size_t length);
    platform::Expected<bool, StoreError> unchanged(platform::FileHandle handle);
    std::size_t take(const char* data, std::size_t size);
    std::size_t skim(const char* data, std::size_t from, std::size_t size);
    void keep(const char* data, std::size_t length);
    void endField();
    void endLine();
    void keepTail(const char* data, std::size_t length);

    platform::FileSystem& files_;
    std::string fileName_;
    std::vector<char> buffer_;
    std::size_t bufferSize_;

    std::optional<platform::FileStamp> stamp_; // the file as the last pass found it
    bool finished_ = false;                    // the last pass read to its end
    std::string head_;                         // the file's first bytes, as read
    std::string tail_;                         // the bytes just before offset_, as read
    std::uint64_t offset_ = 0;                 // the next byte to take

    Line line_ = Line::Keyword;
    FieldParser parser_;
    bool afterCR_ = false; // a line ended at a CR that ended a piece
    bool blank_ = true;    // Skim: the line holds nothing but spaces so far
    std::string value_;    // the field being read
    bool tooLong_ = false;
    std::size_t fieldsInLine_ = 0;
    bool firstIsMarker_ = false;          // set by a line's first field, before its end reads it
    std::vector<std::string> lineFields_; // the keyword line's fields, to count at its end
    std::size_t lineFieldCount_ = 0;
    Counter lineOverflow_; // where a line holds very many

    Counter counts_;
    std::uint64_t changes_ = 0;
};

} // namespace entry_store
