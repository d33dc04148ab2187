#include "entrystore.h"

#include "fieldrules.h"
#include "textcodec.h"

#include <cerrno>

namespace entry_store {

namespace {

// How long a save waits between tries while another program holds the file.
constexpr std::chrono::milliseconds kRetryPause{10};

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

std::string tornTailClosing(std::string_view tail, bool wholeFile) {
    if (tail.empty())
        return {};
    std::string closing;
    std::string_view rest = tail;
    if (!isLineEnd(rest.back()))
        closing = "\r\n";
    else if (rest.ends_with("\r\n"))
        rest.remove_suffix(2);
    else
        rest.remove_suffix(1);
    const auto lineEnd = rest.find_last_of("\r\n");
    const bool lineStartSeen = lineEnd != std::string_view::npos || wholeFile;
    const std::string_view lastLine =
        lineEnd == std::string_view::npos ? rest : rest.substr(lineEnd + 1);
    // The exact line, not the field rules: an exact marker line is what a save writes.
    if (!lineStartSeen || lastLine != kEndOfEntry) {
        closing += kEndOfEntry;
        closing += "\r\n";
    }
    return closing;
}

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
    const std::string entry = encodeEntry(keyword, date, text);

    // One wait in all for other programs: for an open refused because one holds
    // the file without sharing it (a virus scanner, a backup or sync tool, an
    // indexer on Windows), and then for one that holds its lock.
    const auto deadline = clock_.now() + lockWait_;
    bool created = false;
    auto handle = files_.open(fileName_, platform::FileSystem::Mode::Append, &created);
    while (!handle && handle.error().code == EWOULDBLOCK && clock_.now() < deadline) {
        clock_.pause(kRetryPause);
        handle = files_.open(fileName_, platform::FileSystem::Mode::Append, &created);
    }
    if (!handle)
        return storeError(handle.error());
    const platform::FileHandle fd = handle.value();

    std::size_t written = 0;
    // Undo whatever this save wrote, then report the first failure.
    auto fail = [&](platform::FileError error, std::optional<std::uint64_t> restoreTo) {
        StoreError reported = storeError(error);
        if (restoreTo && files_.truncate(fd, *restoreTo) && written > 0)
            reported.partialLeft = true;
        (void)files_.close(fd);
        return reported;
    };

    // Only a plain file is written. A named pipe would take the entry until
    // its buffer fills and then wait for a reader for ever, and a device takes
    // it or refuses it without keeping it; neither is a diary. This comes
    // before the lock, which some devices refuse with an error of their own.
    const auto stamp = files_.stamp(fd);
    if (!stamp)
        return fail(stamp.error(), std::nullopt);
    if (!stamp.value().plain) {
        (void)files_.close(fd);
        return notPlainFileError();
    }
    if (auto error = lockWithin(fd, deadline))
        return fail(*error, std::nullopt);
    auto before = files_.size(fd);
    if (!before)
        return fail(before.error(), std::nullopt);

    // A save cut short before (a crash, a power cut) may have left the file
    // ending inside an entry: close that entry first, or the new one would be
    // glued onto its last line and never be found.
    std::string bytes;
    if (before.value() > 0) {
        char tail[kTailLength];
        const std::uint64_t from =
            before.value() - std::min<std::uint64_t>(before.value(), sizeof tail);
        auto got = files_.readAt(fd, from, tail, static_cast<std::size_t>(before.value() - from));
        if (!got)
            return fail(got.error(), std::nullopt);
        bytes = tornTailClosing(std::string_view(tail, got.value()), from == 0);
    }
    bytes += entry;

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
    // A new file's name lives in its folder, which its own flush does not cover.
    // Should that flush fail, the entry is still written, so the save stands.
    if (created)
        (void)files_.syncFolderOf(fileName_);
    return std::nullopt;
}

// Another program holding the lock (a second copy in the middle of a save, a
// backup tool) must not freeze the window: try, wait a little, try again, and
// give up at the deadline. A file system without locks is written unlocked.
std::optional<platform::FileError>
EntryStore::lockWithin(platform::FileHandle fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        auto state = files_.tryLock(fd);
        if (!state)
            return state.error();
        if (state.value() != platform::LockState::Busy)
            return std::nullopt;
        if (clock_.now() >= deadline)
            return platform::FileError{platform::FileOp::Lock, EWOULDBLOCK};
        clock_.pause(kRetryPause);
    }
}

std::optional<StoreError> EntryStore::openForReading() {
    return reader_.open(fileName_);
}

} // namespace entry_store
