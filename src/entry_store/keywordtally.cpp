#include "keywordtally.h"

#include "entrystore.h"
#include "fieldfinder.h"
#include "plainfile.h"
#include "textcodec.h"

#include <algorithm>
#include <map>

namespace entry_store {

using platform::Expected;

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Enough of the file's start, and of the bytes before where a pass stopped,
// to tell a grown file from a changed one.
constexpr std::size_t kCheckLength = 64;
// A field of more bytes than this holds more than kMaxKeywordLength characters.
constexpr std::size_t kMaxFieldBytes = KeywordTally::kMaxKeywordLength * 4;
// A marker candidate may lie across two reads, and a quote before it with it:
// skimming keeps this many of a read's last bytes for the next one.
constexpr std::size_t kSkimOverlap = kEndOfEntry.size() + 1;
// Fields of one keyword line kept one by one; more are added up as they come.
constexpr std::size_t kLineFieldsKept = 4096;

std::size_t characters(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

} // namespace

void KeywordTally::Counter::add(std::string_view keyword, std::uint64_t count) {
    // Looked up by its bytes where they lie: a keyword already counted costs no copy.
    if (const auto known = uses.find(keyword); known != uses.end()) {
        known->second.count += count;
        return;
    }
    uses.emplace(keyword, Uses{count, met++});
    bytes += keyword.size();
    if (uses.size() > kMaxKeywords || bytes > kMaxKeywordBytes)
        dropLeastUsed();
}

// Keeps the more used half, and of keywords used alike those met first, so
// that a list is never emptied.
void KeywordTally::Counter::dropLeastUsed() {
    using Entry = decltype(uses)::iterator;
    std::vector<Entry> order;
    order.reserve(uses.size());
    for (auto entry = uses.begin(); entry != uses.end(); ++entry)
        order.push_back(entry);
    const auto better = [](Entry a, Entry b) {
        return a->second.count != b->second.count ? a->second.count > b->second.count
                                                  : a->second.firstMet < b->second.firstMet;
    };
    // The better half first, found in linear time; in order only where the
    // bytes they hold decide how many of them stay.
    std::size_t kept = std::min(order.size(), kMaxKeywords / 2);
    std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept), order.end(),
                     better);
    std::size_t keptBytes = 0;
    for (std::size_t i = 0; i < kept; ++i)
        keptBytes += order[i]->first.size();
    if (keptBytes > kMaxKeywordBytes / 2) {
        std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept), better);
        keptBytes = 0;
        for (std::size_t i = 0; i < kept; ++i) {
            const std::size_t size = order[i]->first.size();
            if (keptBytes + size > kMaxKeywordBytes / 2) {
                kept = i;
                break;
            }
            keptBytes += size;
        }
    }
    for (std::size_t i = kept; i < order.size(); ++i)
        uses.erase(order[i]);
    bytes = keptBytes;
    cut = true;
}

void KeywordTally::Counter::clear() {
    uses.clear();
    bytes = 0;
    met = 0;
    cut = false;
}

KeywordTally::KeywordTally(platform::FileSystem& files, std::string fileName,
                           std::size_t bufferSize)
    : files_(files), fileName_(std::move(fileName)),
      bufferSize_(std::max<std::size_t>(bufferSize, kMinBudget)) {}

void KeywordTally::restart() {
    if (!counts_.uses.empty())
        ++changes_;
    counts_.clear();
    finished_ = false;
    head_.clear();
    tail_.clear();
    offset_ = 0;
    line_ = Line::Keyword;
    parser_ = FieldParser();
    afterCR_ = false;
    blank_ = true;
    value_.clear();
    tooLong_ = false;
    fieldsInLine_ = 0;
    lineFieldCount_ = 0;
    lineOverflow_.clear();
}

// Up to `length` bytes from `at`; fewer only where the file ends.
Expected<std::size_t, StoreError> KeywordTally::readFully(platform::FileHandle handle,
                                                          std::uint64_t at, char* into,
                                                          std::size_t length) {
    std::size_t got = 0;
    while (got < length) {
        auto n = files_.readAt(handle, at + got, into + got, length - got);
        if (!n)
            return storeError(n.error());
        if (n.value() == 0)
            break;
        got += n.value();
    }
    return got;
}

Expected<std::string, StoreError> KeywordTally::readCheck(platform::FileHandle handle,
                                                          std::uint64_t at, std::size_t length) {
    std::string bytes(length, '\0');
    auto got = readFully(handle, at, bytes.data(), length);
    if (!got)
        return got.error();
    bytes.resize(got.value());
    return bytes;
}

// Whether the file still starts with the bytes read from its start, and still
// holds the bytes read just before offset_. The first bytes compared grow
// with a file that was shorter than them.
Expected<bool, StoreError> KeywordTally::unchanged(platform::FileHandle handle) {
    auto head = readCheck(handle, 0, kCheckLength);
    if (!head)
        return head.error();
    if (!head.value().starts_with(head_))
        return false;
    head_ = std::move(head.value());
    auto tail = readCheck(handle, offset_ - tail_.size(), tail_.size());
    if (!tail)
        return tail.error();
    return tail.value() == tail_;
}

void KeywordTally::keepTail(const char* data, std::size_t length) {
    if (length >= kCheckLength) {
        tail_.assign(data + length - kCheckLength, kCheckLength);
        return;
    }
    tail_.append(data, length);
    if (tail_.size() > kCheckLength)
        tail_.erase(0, tail_.size() - kCheckLength);
}

void KeywordTally::keep(const char* data, std::size_t length) {
    const std::size_t limit = line_ == Line::Keyword ? kMaxFieldBytes : kEndOfEntry.size();
    if (tooLong_ || value_.size() + length > limit)
        tooLong_ = true;
    else
        value_.append(data, length);
}

void KeywordTally::endField() {
    ++fieldsInLine_;
    const bool marker = !tooLong_ && value_ == kEndOfEntry;
    if (fieldsInLine_ == 1)
        firstIsMarker_ = marker;
    if (line_ == Line::Keyword && !tooLong_ && !value_.empty() && !marker) {
        if (lineFieldCount_ == kLineFieldsKept) {
            for (std::size_t i = 0; i < lineFieldCount_; ++i)
                lineOverflow_.add(lineFields_[i], 1);
            lineFieldCount_ = 0;
        }
        if (lineFieldCount_ == lineFields_.size())
            lineFields_.emplace_back();
        lineFields_[lineFieldCount_++] = value_;
    }
    value_.clear();
    tooLong_ = false;
}

void KeywordTally::endLine() {
    if (line_ == Line::Keyword) {
        for (std::size_t i = 0; i < lineFieldCount_; ++i, ++changes_)
            counts_.add(lineFields_[i], 1);
        for (const auto& [keyword, uses] : lineOverflow_.uses) {
            counts_.add(keyword, uses.count);
            ++changes_;
        }
        counts_.cut = counts_.cut || lineOverflow_.cut;
        lineFieldCount_ = 0;
        lineOverflow_.clear();
    }
    line_ = fieldsInLine_ == 1 && firstIsMarker_ ? Line::Keyword : Line::Skim;
    fieldsInLine_ = 0;
    blank_ = true;
}

// Skims data[from, size) for the next marker candidate that may be the
// first field of its line, and returns where reading goes on. Where the data
// holds none, its last few bytes are left for the next read.
std::size_t KeywordTally::skim(const char* data, std::size_t from, std::size_t size) {
    const char* begin = data + from;
    const char* end = data + size;
    const char* hit = findFieldCandidate(begin, end, kEndOfEntry, [](const char*) { return true; });
    if (!hit) {
        // Left for the next read, and for the next pass where the file ends
        // here now: more may come.
        const char* stop =
            end - begin > static_cast<std::ptrdiff_t>(kSkimOverlap) ? end - kSkimOverlap : begin;
        const char* last = stop;
        while (last > begin && last[-1] == ' ')
            --last;
        if (last > begin)
            blank_ = isLineEnd(last[-1]);
        return static_cast<std::size_t>(stop - data);
    }
    const char* start = hit;
    if (start > begin && start[-1] == '"')
        --start;
    const char* before = start;
    while (before > begin && before[-1] == ' ')
        --before;
    if (before > begin ? isLineEnd(before[-1]) : blank_) {
        line_ = Line::MaybeMarker;
        return static_cast<std::size_t>(start - data);
    }
    line_ = Line::RestOfLine; // something stands before it, so no marker line
    return static_cast<std::size_t>(hit - data);
}

// Takes what it can of data[0, size), the bytes at offset_, and returns how
// many it took.
std::size_t KeywordTally::take(const char* data, std::size_t size) {
    std::size_t i = 0;
    if (afterCR_ && size > 0) {
        afterCR_ = false;
        if (data[0] == '\n')
            i = 1;
    }
    while (i < size) {
        switch (line_) {
        case Line::Keyword:
        case Line::MaybeMarker: {
            const auto step = parser_.feed(data + i, size - i,
                                           [this](const char* at, std::size_t n) { keep(at, n); });
            i += step.used;
            if (!step.ended)
                break;
            endField();
            if (*step.ended == Delimiter::Comma) {
                if (line_ == Line::MaybeMarker) {
                    fieldsInLine_ = 0;
                    line_ = Line::RestOfLine;
                }
                break;
            }
            afterCR_ = parser_.awaitsLineEndRest();
            parser_ = FieldParser();
            endLine();
            break;
        }
        case Line::RestOfLine: {
            const char* end = findLineEnd(data + i, data + size);
            if (!end)
                return size;
            // The LF of a CR LF is skimmed as an empty line.
            i = static_cast<std::size_t>(end - data) + 1;
            line_ = Line::Skim;
            blank_ = true;
            break;
        }
        case Line::Skim: {
            const std::size_t next = skim(data, i, size);
            if (line_ == Line::Skim)
                return next;
            i = next;
            break;
        }
        }
    }
    return i;
}

Expected<KeywordTally::Pass, StoreError> KeywordTally::readOn(std::uint64_t budget) {
    budget = std::max(budget, kMinBudget);
    auto opened = openPlainFile(files_, fileName_);
    if (!opened) {
        const StoreError& error = opened.error();
        // No file is an empty diary; so are a folder and a device or a pipe,
        // which would never end a pass.
        if (error.kind != StoreErrorKind::NotFound && error.kind != StoreErrorKind::IsFolder &&
            error.kind != StoreErrorKind::NotPlainFile)
            return error;
        restart();
        stamp_.reset();
        return Pass::Done;
    }
    const platform::FileHandle handle = opened.value().handle;
    struct Closer {
        platform::FileSystem& files;
        platform::FileHandle handle;
        ~Closer() { (void)files.close(handle); }
    } closer{files_, handle};
    const platform::FileStamp now = opened.value().stamp;
    if (stamp_ && *stamp_ == now) {
        if (finished_)
            return Pass::Done;
    } else if (stamp_) {
        // A file shorter than what was read fails the check of the bytes
        // before offset_. One of the same size has a new time, as the stamp
        // differs: rewritten in place.
        const bool replaced = now.device != stamp_->device || now.file != stamp_->file;
        const bool rewritten = now.size == stamp_->size;
        bool same = !replaced && !rewritten;
        if (same) {
            auto check = unchanged(handle);
            if (!check)
                return check.error();
            same = check.value();
        }
        if (!same)
            restart();
    }
    stamp_ = now;
    finished_ = false;
    buffer_.resize(bufferSize_);

    if (offset_ == 0) {
        auto head = readCheck(handle, 0, kCheckLength);
        if (!head)
            return head.error();
        head_ = std::move(head.value());
        if (head_.starts_with(kByteOrderMark))
            offset_ = kByteOrderMark.size();
    }

    std::uint64_t read = 0;
    for (;;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), budget - read));
        auto filled = readFully(handle, offset_, buffer_.data(), want);
        if (!filled)
            return filled.error();
        const std::size_t got = filled.value();
        read += got;
        const bool atEnd = got < want;
        const std::size_t taken = take(buffer_.data(), got);
        keepTail(buffer_.data(), taken);
        offset_ += taken;
        if (atEnd) {
            finished_ = true;
            return Pass::Done;
        }
        if (read >= budget)
            return Pass::Unfinished;
    }
}

std::vector<Keyword> KeywordTally::keywords() const {
    // Two byte forms of one text (Windows-1252 and UTF-8) are one keyword.
    std::map<std::string, std::uint64_t> merged;
    for (const auto& [bytes, uses] : counts_.uses) {
        std::string text = textcodec::decodeField(bytes);
        if (characters(text) <= kMaxKeywordLength)
            merged[std::move(text)] += uses.count;
    }
    std::vector<Keyword> list;
    for (auto& [text, uses] : merged)
        list.push_back(Keyword{text, uses});
    std::stable_sort(list.begin(), list.end(),
                     [](const Keyword& a, const Keyword& b) { return a.count > b.count; });
    return list;
}

} // namespace entry_store
