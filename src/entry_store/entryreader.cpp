#include "entryreader.h"

#include "fieldfinder.h"
#include "plainfile.h"
#include "textcodec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace entry_store {

using platform::Expected;

// Receives a field's value bytes, possibly in several pieces.
class EntryReader::Sink {
  public:
    virtual ~Sink() = default;
    virtual void take(const char* data, std::size_t length) = 0;
};

class EntryReader::CollectSink final : public Sink {
  public:
    void take(const char* data, std::size_t length) override { value.append(data, length); }
    std::string value;
};

// Compares a value with the keyword's byte forms as it streams past, so a
// field that cannot match is never copied.
class EntryReader::MatchSink final : public Sink {
  public:
    explicit MatchSink(const std::vector<std::string>& forms)
        : forms_(forms), alive_(forms.size(), true) {}

    void take(const char* data, std::size_t length) override {
        for (std::size_t i = 0; i < forms_.size(); ++i) {
            if (alive_[i] && (seen_ + length > forms_[i].size() ||
                              std::memcmp(forms_[i].data() + seen_, data, length) != 0))
                alive_[i] = false;
        }
        seen_ += length;
    }

    bool matched() const {
        for (std::size_t i = 0; i < forms_.size(); ++i) {
            if (alive_[i] && forms_[i].size() == seen_)
                return true;
        }
        return false;
    }

  private:
    const std::vector<std::string>& forms_;
    std::vector<bool> alive_;
    std::size_t seen_ = 0;
};

EntryReader::EntryReader(platform::FileSystem& files, std::size_t bufferSize)
    : files_(files), bufferSize_(std::max<std::size_t>(bufferSize, 16)) {}

EntryReader::~EntryReader() {
    close();
}

std::optional<StoreError> EntryReader::open(const std::string& name) {
    close();
    auto opened = openPlainFile(files_, name);
    if (!opened)
        return opened.error();
    handle_ = opened.value().handle;
    // The buffer is made at the first search, not when the window is built.
    buffer_.resize(bufferSize_);
    pos_ = end_ = 0;
    bufferStart_ = 0;
    while (end_ < 3) {
        auto got = fill();
        if (!got)
            return got.error();
        if (got.value() == 0)
            break;
    }
    if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0)
        pos_ = 3;
    dataStart_ = pos_;
    return std::nullopt;
}

void EntryReader::close() {
    if (handle_ != platform::kNoFile)
        (void)files_.close(handle_);
    handle_ = platform::kNoFile;
    pos_ = end_ = 0;
    bufferStart_ = 0;
}

Expected<std::size_t, StoreError> EntryReader::fill() {
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        bufferStart_ += pos_;
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == buffer_.size())
        return std::size_t{0};
    auto got = files_.read(handle_, buffer_.data() + end_, buffer_.size() - end_);
    if (!got)
        return storeError(got.error());
    end_ += got.value();
    return got.value();
}

Expected<bool, StoreError> EntryReader::atEnd() {
    if (pos_ < end_)
        return false;
    // Read again even after an earlier end: the file may have grown meanwhile.
    auto got = fill();
    if (!got)
        return got.error();
    return pos_ == end_;
}

Expected<Delimiter, StoreError> EntryReader::consumeField(Sink& sink) {
    FieldParser parser;
    for (;;) {
        if (pos_ == end_) {
            auto got = fill();
            if (!got)
                return got.error();
            if (got.value() == 0)
                return Delimiter::EndOfFile;
        }
        const auto step =
            parser.feed(buffer_.data() + pos_, end_ - pos_,
                        [&](const char* data, std::size_t length) { sink.take(data, length); });
        pos_ += step.used;
        if (!step.ended)
            continue;
        // The LF of a CR LF is consumed with its CR, so that after a file's
        // last line the end-of-file test is true.
        if (parser.awaitsLineEndRest()) {
            auto got = fill();
            if (!got)
                return got.error();
            pos_ += parser.lineEndRest(buffer_.data() + pos_, end_ - pos_);
        }
        return *step.ended;
    }
}

Expected<std::string, StoreError> EntryReader::readField() {
    auto end = atEnd();
    if (!end)
        return end.error();
    if (end.value())
        return StoreError{StoreErrorKind::ReadPastEnd, {platform::FileOp::Read, 0}};
    CollectSink sink;
    auto delimiter = consumeField(sink);
    if (!delimiter)
        return delimiter.error();
    lastDelimiter_ = delimiter.value();
    return textcodec::decodeField(std::move(sink.value));
}

// Whether the keyword's bytes at buffer_[at, at + length) can be a whole field
// value, judged by their neighbours alone: a value starts at a line start, after
// a comma or spaces that follow one, or after an opening quote, and ends at a
// comma, a line end, the end of the file or a closing quote. Where a neighbour
// lies outside the buffer, the answer is yes, and the line is parsed.
bool EntryReader::mayBeField(std::size_t at, std::size_t length) const {
    if (length == 0)
        return true;
    const char* data = buffer_.data();
    const std::size_t after = at + length;
    if (after < end_ && !mayEndField(data[after]))
        return false;
    std::size_t before = at;
    while (before > 0 && data[before - 1] == ' ' && bufferStart_ + before != dataStart_)
        --before;
    if (before == 0 || bufferStart_ + before == dataStart_)
        return true;
    const char c = data[before - 1];
    if (before < at) // spaces skipped before an unquoted value
        return c == ',' || isLineEnd(c);
    return c == ',' || c == '"' || isLineEnd(c);
}

// Reads the fields of one line from the current position, stopping after a match.
Expected<EntryReader::ScanResult, StoreError>
EntryReader::matchLine(const std::vector<std::string>& forms) {
    for (;;) {
        auto end = atEnd();
        if (!end)
            return end.error();
        if (end.value())
            return ScanResult::EndOfFile;
        MatchSink sink(forms);
        auto delimiter = consumeField(sink);
        if (!delimiter)
            return delimiter.error();
        if (sink.matched())
            return ScanResult::Found;
        if (delimiter.value() != Delimiter::Comma)
            return ScanResult::Unfinished; // the line is done; the caller scans on
    }
}

// The start of the line holding buffer_[before], or `from` if that comes later.
std::size_t EntryReader::lineStart(std::size_t from, std::size_t before) const {
    const char* base = buffer_.data();
    const char* last = findLastLineEnd(base + from, base + before);
    return last ? static_cast<std::size_t>(last - base) + 1 : from;
}

Expected<EntryReader::ScanResult, StoreError> EntryReader::findField(std::string_view keyword,
                                                                     std::uint64_t budget) {
    // Fields never hold a line end, so a form holding one can never match.
    std::vector<std::string> forms = textcodec::byteForms(keyword);
    std::erase_if(forms, [](const std::string& form) {
        return form.find_first_of("\r\n") != std::string::npos;
    });

    constexpr std::uint64_t kNone = UINT64_MAX;
    // Per form: the file offset of its next occurrence, and how far the file is
    // known to hold no occurrence, so no byte is searched twice for one form.
    std::vector<std::uint64_t> hitAt(forms.size(), kNone);
    std::vector<std::uint64_t> clearTo(forms.size(), 0);
    const std::uint64_t startedAt = position();

    for (;;) {
        if (pos_ == end_) {
            auto got = fill();
            if (!got)
                return got.error();
            if (got.value() == 0)
                return ScanResult::EndOfFile;
        }
        if (position() - startedAt >= budget)
            return ScanResult::Unfinished;

        const std::uint64_t here = position();
        const std::uint64_t bufferEnd = bufferStart_ + end_;
        std::uint64_t nearest = kNone;
        for (std::size_t i = 0; i < forms.size(); ++i) {
            if (hitAt[i] != kNone && hitAt[i] >= here) {
                nearest = std::min(nearest, hitAt[i]);
                continue;
            }
            hitAt[i] = kNone;
            const std::string& form = forms[i];
            const std::uint64_t from = std::max(here, clearTo[i]);
            if (from >= bufferEnd)
                continue;
            const char* begin = buffer_.data() + (from - bufferStart_);
            const char* stop = buffer_.data() + end_;
            const char* hit = findFieldCandidate(begin, stop, form, [&](const char* at) {
                return mayBeField(static_cast<std::size_t>(at - buffer_.data()), form.size());
            });
            if (hit) {
                hitAt[i] = bufferStart_ + static_cast<std::uint64_t>(hit - buffer_.data());
                nearest = std::min(nearest, hitAt[i]);
            } else {
                // An occurrence may still start in the last size-1 bytes and
                // run on into bytes not read yet.
                clearTo[i] = std::max(
                    from, bufferEnd - std::min<std::uint64_t>(bufferEnd - from, form.size() - 1));
            }
        }

        if (nearest != kNone) {
            pos_ = lineStart(pos_, static_cast<std::size_t>(nearest - bufferStart_));
            auto line = matchLine(forms);
            if (!line || line.value() != ScanResult::Unfinished)
                return line;
            continue;
        }

        // No occurrence in the buffer: every complete line in it is passed over.
        // A CR as the last byte may still be followed by its LF, so the line
        // before it is the last one known to be complete.
        const char* base = buffer_.data();
        const char* last = findLastLineEnd(base + pos_, base + end_);
        if (last && *last == '\r' && last == base + end_ - 1)
            last = findLastLineEnd(base + pos_, last);
        if (last)
            pos_ = static_cast<std::size_t>(last - base) + 1;

        if (pos_ == 0 && end_ == buffer_.size()) {
            // One line fills the whole buffer: read it field by field, streaming,
            // so memory stays bounded however long the line is.
            auto line = matchLine(forms);
            if (!line || line.value() != ScanResult::Unfinished)
                return line;
            continue;
        }
        auto got = fill();
        if (!got)
            return got.error();
        if (got.value() == 0) {
            // The file ends in this line and nothing in it can match.
            pos_ = end_;
            return ScanResult::EndOfFile;
        }
    }
}

} // namespace entry_store
