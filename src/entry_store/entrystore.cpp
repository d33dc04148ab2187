#include "entrystore.h"

#include "textcodec.h"

#include <cerrno>

namespace entry_store {

namespace {

// Writes every line of `value` (a line break being CR LF, a lone CR or a lone
// LF) followed by CR LF, each line in its own encoding.
void appendLines(std::string& out, std::string_view value) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t brk = value.find_first_of("\r\n", start);
        out += textcodec::encodeLine(value.substr(start, brk - start));
        out += "\r\n";
        if (brk == std::string_view::npos)
            return;
        start = brk + 1;
        if (value[brk] == '\r' && start < value.size() && value[start] == '\n')
            ++start;
    }
}

} // namespace

std::string encodeEntry(std::string_view keyword, std::string_view date, std::string_view text) {
    std::string out;
    out.reserve(keyword.size() + date.size() + text.size() + 16);
    appendLines(out, keyword);
    appendLines(out, date);
    appendLines(out, text);
    appendLines(out, kEndOfEntry);
    return out;
}

EntryStore::EntryStore(platform::FileSystem& files, std::string fileName)
    : files_(files), fileName_(std::move(fileName)), reader_(files) {}

std::optional<StoreError> EntryStore::save(std::string_view keyword, std::string_view date,
                                           std::string_view text) {
    const std::string bytes = encodeEntry(keyword, date, text);

    auto handle = files_.open(fileName_, platform::FileSystem::Mode::Append);
    if (!handle)
        return storeError(handle.error());
    const int fd = handle.value();

    // Undo whatever this save wrote, then report the first failure.
    auto fail = [&](platform::FileError error, std::optional<std::uint64_t> restoreTo) {
        if (restoreTo)
            (void)files_.truncate(fd, *restoreTo);
        (void)files_.close(fd);
        return storeError(error);
    };

    if (auto error = files_.lock(fd))
        return fail(*error, std::nullopt);
    auto before = files_.size(fd);
    if (!before)
        return fail(before.error(), std::nullopt);

    std::size_t written = 0;
    while (written < bytes.size()) {
        auto n = files_.write(fd, bytes.data() + written, bytes.size() - written);
        if (!n)
            return fail(n.error(), before.value());
        if (n.value() == 0)
            return fail(platform::FileError{platform::FileOp::Write, ENOSPC}, before.value());
        written += n.value();
    }
    if (auto error = files_.sync(fd))
        return fail(*error, before.value());
    // The entry is whole and on disk; an error from close can no longer lose it,
    // and reporting one would only invite the user to save it twice.
    (void)files_.close(fd);
    return std::nullopt;
}

std::optional<StoreError> EntryStore::openForReading() {
    return reader_.open(fileName_);
}

} // namespace entry_store
