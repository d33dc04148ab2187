#include "keywordtally.h"

#include "entrystore.h"
#include "fieldfinder.h"
#include "textcodec.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace entry_store {

using platform::Expected;

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Enough of the file's start to tell a grown file from another one.
constexpr std::size_t kHeadLength = 64;
// A field of more bytes than this holds more than kMaxKeywordLength characters.
constexpr std::size_t kMaxFieldBytes = KeywordTally::kMaxKeywordLength * 4;

// The index of the line end of the line holding data[from], or npos where
// none is in `data`. A CR as the last byte is none yet: an LF may follow it.
std::size_t lineEndFrom(std::string_view data, std::size_t from) {
    const char* base = data.data();
    const char* end = base + data.size();
    const auto* lf = static_cast<const char*>(std::memchr(base + from, '\n', data.size() - from));
    const char* limit = lf ? lf : end;
    const auto* cr =
        static_cast<const char*>(std::memchr(base + from, '\r', limit - (base + from)));
    const char* at = cr ? cr : lf;
    if (!at || (*at == '\r' && at + 1 == end))
        return std::string_view::npos;
    return static_cast<std::size_t>(at - base);
}

// Past the line end at data[at]: one byte, or two for CR LF.
std::size_t pastLineEnd(std::string_view data, std::size_t at) {
    return at + (data[at] == '\r' && at + 1 < data.size() && data[at + 1] == '\n' ? 2 : 1);
}

// Past the last complete line of `data`: 0 where no line ends in it.
std::size_t completeLinesEnd(std::string_view data) {
    std::size_t at = data.size();
    while (at > 0 && !isLineEnd(data[at - 1]))
        --at;
    if (at == data.size() && at > 0 && data[at - 1] == '\r') { // maybe the first half of CR LF
        --at;
        while (at > 0 && !isLineEnd(data[at - 1]))
            --at;
    }
    return at;
}

// A longer line is no marker line, whatever the buffer: it always fits one.
constexpr std::size_t kMaxMarkerLine = 32;

// Whether the line (without its line end) reads as the one field "**EOE**".
bool isMarkerLine(std::string_view line) {
    if (line.size() > kMaxMarkerLine)
        return false;
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return false;
    const std::string_view rest = line.substr(start);
    if (rest == kEndOfEntry)
        return true;
    // Quoted: whatever stands between the closing quote and the line end is
    // dropped, unless a comma makes another field of it.
    return rest.size() >= kEndOfEntry.size() + 2 && rest.front() == '"' &&
           rest.substr(1, kEndOfEntry.size()) == kEndOfEntry &&
           rest[kEndOfEntry.size() + 1] == '"' &&
           rest.find(',', kEndOfEntry.size() + 2) == std::string_view::npos;
}

std::size_t characters(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

} // namespace

// Splits one line into fields by the reader's rules, fed in pieces, and hands
// each field to `take`. A field that lies within one piece is handed over
// where it lies, without a copy; a field too long to be a keyword is not kept.
template <typename Take> class LineFields {
  public:
    explicit LineFields(Take take) : take_(std::move(take)) {}

    // Where `piece` is not the line's last, its bytes are taken before they
    // are overwritten by the next one.
    void feed(std::string_view piece, bool last) {
        std::size_t i = 0;
        while (i < piece.size()) {
            switch (state_) {
            case State::Start:
                if (piece[i] == ' ') {
                    ++i;
                } else if (piece[i] == '"') {
                    state_ = State::Quoted;
                    ++i;
                } else {
                    state_ = State::Plain;
                }
                break;
            case State::Plain:
                i = keep(piece, i, piece.find(',', i), State::Start);
                break;
            case State::Quoted:
                i = keep(piece, i, piece.find('"', i), State::AfterQuote);
                break;
            case State::AfterQuote: {
                const std::size_t comma = piece.find(',', i);
                if (comma == std::string_view::npos) {
                    i = piece.size();
                    break;
                }
                endField();
                i = comma + 1;
                break;
            }
            }
        }
        if (!last) {
            value_.append(pending_);
            pending_ = {};
        }
    }

    // The line has ended, and its last field with it.
    void finish() { endField(); }

  private:
    enum class State { Start, Plain, Quoted, AfterQuote };

    // Keeps piece[from, to) as part of the field. At `to` the field's text
    // ends, and at a comma (next is Start) the field itself.
    std::size_t keep(std::string_view piece, std::size_t from, std::size_t to, State next) {
        const std::string_view part = piece.substr(from, std::min(to, piece.size()) - from);
        if (tooLong_ || value_.size() + pending_.size() + part.size() > kMaxFieldBytes) {
            tooLong_ = true;
        } else if (value_.empty() && pending_.empty()) {
            pending_ = part;
        } else {
            value_.append(pending_);
            value_.append(part);
            pending_ = {};
        }
        if (to == std::string_view::npos)
            return piece.size();
        if (next == State::Start)
            endField();
        else
            state_ = next;
        return to + 1;
    }

    void endField() {
        if (!tooLong_)
            take_(value_.empty() ? pending_ : std::string_view(value_));
        value_.clear();
        pending_ = {};
        tooLong_ = false;
        state_ = State::Start;
    }

    Take take_;
    State state_ = State::Start;
    std::string value_;
    std::string_view pending_;
    bool tooLong_ = false;
};

KeywordTally::KeywordTally(platform::FileSystem& files, std::string fileName,
                           std::size_t bufferSize)
    : files_(files), fileName_(std::move(fileName)),
      bufferSize_(std::max<std::size_t>(bufferSize, kHeadLength)) {}

void KeywordTally::restart() {
    if (!counts_.empty())
        ++changes_;
    offset_ = 0;
    keywordLineNext_ = true;
    sizeRead_.reset();
    counts_.clear();
    keywordBytes_ = 0;
    cut_ = false;
}

void KeywordTally::count(std::string_view field) {
    if (field.empty() || field == kEndOfEntry)
        return;
    ++changes_;
    // Looked up by its bytes where they lie: a keyword already counted costs no copy.
    if (const auto known = counts_.find(field); known != counts_.end()) {
        ++known->second;
        return;
    }
    counts_.emplace(field, 1);
    keywordBytes_ += field.size();
    if (counts_.size() > kMaxKeywords || keywordBytes_ > kMaxKeywordBytes)
        dropLeastUsed();
}

void KeywordTally::countFields(std::string_view line) {
    LineFields fields([this](std::string_view field) { count(field); });
    fields.feed(line, true);
    fields.finish();
}

// Keeps the more used half, or fewer where many are used alike.
void KeywordTally::dropLeastUsed() {
    std::vector<std::uint64_t> uses;
    uses.reserve(counts_.size());
    for (const auto& [bytes, uses_] : counts_)
        uses.push_back(uses_);
    auto middle = uses.begin() + static_cast<std::ptrdiff_t>(uses.size() / 2);
    std::nth_element(uses.begin(), middle, uses.end());
    const std::uint64_t atMost = *middle;
    std::erase_if(counts_, [&](const auto& entry) {
        if (entry.second > atMost)
            return false;
        keywordBytes_ -= entry.first.size();
        return true;
    });
    cut_ = true;
}

Expected<std::size_t, StoreError> KeywordTally::fill(platform::FileHandle handle) {
    std::size_t got = 0;
    while (got < buffer_.size()) {
        auto n = files_.readAt(handle, offset_ + got, buffer_.data() + got, buffer_.size() - got);
        if (!n)
            return storeError(n.error());
        if (n.value() == 0)
            break;
        got += n.value();
    }
    return got;
}

// The line at offset_ is longer than the buffer. Finds its end, then, for a
// keyword line, reads its fields again piece by piece. False where the file
// ends first: the line is not complete yet.
Expected<bool, StoreError> KeywordTally::readLongLine(platform::FileHandle handle) {
    const std::uint64_t start = offset_;
    std::uint64_t end = start;
    std::size_t endLength = 0;
    for (;;) {
        offset_ = end;
        auto got = fill(handle);
        if (!got) {
            offset_ = start;
            return got.error();
        }
        const std::string_view data(buffer_.data(), got.value());
        const std::size_t at = lineEndFrom(data, 0);
        if (at != std::string_view::npos) {
            end += at;
            endLength = pastLineEnd(data, at) - at;
            break;
        }
        if (got.value() < buffer_.size()) {
            offset_ = start;
            return false;
        }
        // A CR at the very end is looked at again with what follows it.
        end += data.back() == '\r' ? data.size() - 1 : data.size();
    }
    if (keywordLineNext_) {
        LineFields fields([this](std::string_view field) { count(field); });
        for (offset_ = start; offset_ < end;) {
            auto got = fill(handle);
            if (!got) {
                offset_ = start;
                return got.error();
            }
            const std::size_t length =
                static_cast<std::size_t>(std::min<std::uint64_t>(got.value(), end - offset_));
            fields.feed(std::string_view(buffer_.data(), length), false);
            offset_ += length;
        }
        fields.finish();
    }
    offset_ = end + endLength;
    keywordLineNext_ = false;
    return true;
}

Expected<KeywordTally::Pass, StoreError> KeywordTally::readOn(std::uint64_t budget) {
    auto opened = files_.open(fileName_, platform::FileSystem::Mode::Read);
    if (!opened) {
        const StoreError error = storeError(opened.error());
        restart();
        if (error.kind == StoreErrorKind::NotFound)
            return Pass::Done;
        return error;
    }
    const platform::FileHandle handle = opened.value();
    struct Closer {
        platform::FileSystem& files;
        platform::FileHandle handle;
        ~Closer() { (void)files.close(handle); }
    } closer{files_, handle};

    auto size = files_.size(handle);
    if (!size)
        return storeError(size.error());
    buffer_.resize(bufferSize_);
    // The file's first bytes tell a file grown since the last pass from another one.
    char headBytes[kHeadLength];
    auto got =
        files_.readAt(handle, 0, headBytes,
                      static_cast<std::size_t>(std::min<std::uint64_t>(size.value(), kHeadLength)));
    if (!got)
        return storeError(got.error());
    const std::string head(headBytes, got.value());
    const bool shrank = size.value() < offset_ || (sizeRead_ && size.value() < *sizeRead_);
    if (shrank || !head.starts_with(head_))
        restart();
    head_ = head;
    if (size.value() == sizeRead_)
        return Pass::Done;
    if (offset_ == 0 && head.starts_with(kByteOrderMark))
        offset_ = kByteOrderMark.size();

    std::uint64_t passed = 0;
    for (;;) {
        auto filled = fill(handle);
        if (!filled)
            return filled.error();
        const std::string_view data(buffer_.data(), filled.value());
        const std::size_t limit = completeLinesEnd(data);
        std::size_t pos = 0;
        while (pos < limit) {
            if (keywordLineNext_) {
                const std::size_t end = lineEndFrom(data, pos);
                const std::string_view line = data.substr(pos, end - pos);
                countFields(line);
                keywordLineNext_ = isMarkerLine(line);
                pos = pastLineEnd(data, end);
                continue;
            }
            // On to the next marker line; the line after it holds keywords.
            const char* hit = findFieldCandidate(
                data.data() + pos, data.data() + limit, kEndOfEntry, [&](const char* at) {
                    std::size_t start = static_cast<std::size_t>(at - data.data());
                    while (start > pos && !isLineEnd(data[start - 1]))
                        --start;
                    const std::size_t end =
                        lineEndFrom(data, static_cast<std::size_t>(at - data.data()));
                    return isMarkerLine(data.substr(start, end - start));
                });
            if (!hit) {
                pos = limit;
                break;
            }
            pos = pastLineEnd(data, lineEndFrom(data, static_cast<std::size_t>(hit - data.data())));
            keywordLineNext_ = true;
        }
        offset_ += pos;
        passed += pos;
        if (pos == 0) {
            if (data.size() < buffer_.size())
                break; // the file ends in a line not complete yet
            auto whole = readLongLine(handle);
            if (!whole)
                return whole.error();
            if (!whole.value())
                break;
            passed += buffer_.size();
        }
        if (passed >= budget)
            return Pass::Unfinished;
    }
    sizeRead_ = size.value();
    return Pass::Done;
}

std::vector<Keyword> KeywordTally::keywords() const {
    // Two byte forms of one text (Windows-1252 and UTF-8) are one keyword.
    std::map<std::string, std::uint64_t> merged;
    for (const auto& [bytes, uses] : counts_) {
        std::string text = textcodec::decodeField(bytes);
        if (characters(text) <= kMaxKeywordLength)
            merged[std::move(text)] += uses;
    }
    std::vector<Keyword> list;
    for (auto& [text, uses] : merged)
        list.push_back(Keyword{text, uses});
    std::stable_sort(list.begin(), list.end(),
                     [](const Keyword& a, const Keyword& b) { return a.count > b.count; });
    return list;
}

} // namespace entry_store
