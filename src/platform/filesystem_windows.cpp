// The file layer on Windows: HANDLEs, LockFileEx, FlushFileBuffers and
// SetEndOfFile, with the same contract as on POSIX systems. Windows errors are
// mapped to the nearest errno value, so the entry store sorts them into the
// same kinds, and the system's own number is kept for its own words.

#include "filesystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Not in every mingw-w64's headers.
#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace platform {

namespace {

HANDLE win(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

int errnoFor(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_QUOTA_EXCEEDED:
        return ENOSPC;
    case ERROR_LOCK_VIOLATION:
    case ERROR_SHARING_VIOLATION:
        return EWOULDBLOCK;
    case ERROR_DIRECTORY:
        return EISDIR;
    default:
        return EIO;
    }
}

FileError errorOf(FileOp op, DWORD code) {
    return FileError{op, errnoFor(code), code};
}

FileError lastError(FileOp op) {
    return errorOf(op, GetLastError());
}

std::wstring wide(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), length);
    return out;
}

bool isFolder(const std::wstring& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows locks are mandatory: a locked byte cannot be read by anyone else. So
// the lock is taken on one byte far beyond any diary's end, which every copy
// of the program agrees on, and a search may go on reading the file meanwhile.
OVERLAPPED lockByte() {
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFE;
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

class WindowsFileSystem final : public FileSystem {
  public:
    Expected<FileHandle, FileError> open(const std::string& name, Mode mode,
                                         bool* created) override {
        if (created)
            *created = false;
        const std::wstring path = wide(name);
        // Others may read, write, rename and delete meanwhile, as on POSIX
        // systems: a search reads while another copy saves.
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        // A new file inherits its folder's permissions, which on Windows keep
        // a user's folders to that user.
        HANDLE handle =
            mode != Mode::Append
                ? CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                : CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            if (code == ERROR_ACCESS_DENIED && isFolder(path))
                return FileError{FileOp::Open, EISDIR, code};
            return errorOf(FileOp::Open, code);
        }
        if (created && mode == Mode::Append)
            *created = GetLastError() != ERROR_ALREADY_EXISTS;
        return reinterpret_cast<FileHandle>(handle);
    }

    Expected<LockState, FileError> tryLock(FileHandle handle) override {
        OVERLAPPED at = lockByte();
        if (LockFileEx(win(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &at))
            return LockState::Held;
        const DWORD code = GetLastError();
        switch (code) {
        case ERROR_LOCK_VIOLATION:
        case ERROR_IO_PENDING:
            return LockState::Busy;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return LockState::Unsupported;
        default:
            return errorOf(FileOp::Lock, code);
        }
    }

    Expected<std::uint64_t, FileError> size(FileHandle handle) override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(win(handle), &size))
            return lastError(FileOp::Size);
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    Expected<FileStamp, FileError> stamp(FileHandle handle) override {
        // A console or a pipe has no file information to ask for.
        if (GetFileType(win(handle)) != FILE_TYPE_DISK)
            return FileStamp{0, 0, 0, 0, false, false};
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(win(handle), &info))
            return lastError(FileOp::Size);
        const auto wide64 = [](DWORD high, DWORD low) {
            return (static_cast<std::uint64_t>(high) << 32) | low;
        };
        return FileStamp{wide64(info.nFileSizeHigh, info.nFileSizeLow),
                         static_cast<std::int64_t>(wide64(info.ftLastWriteTime.dwHighDateTime,
                                                          info.ftLastWriteTime.dwLowDateTime)),
                         info.dwVolumeSerialNumber,
                         wide64(info.nFileIndexHigh, info.nFileIndexLow),
                         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY),
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
    }

    Expected<std::size_t, FileError> write(FileHandle handle, const char* data,
                                           std::size_t length) override {
        // Both offsets all ones: the bytes land at the file's end whatever
        // another program wrote meanwhile, like O_APPEND.
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFF;
        atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        if (!WriteFile(win(handle), data, chunk, &written, &atEnd))
            return lastError(FileOp::Write);
        return static_cast<std::size_t>(written);
    }

    Expected<std::size_t, FileError> read(FileHandle handle, char* data,
                                          std::size_t length) override {
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        if (!ReadFile(win(handle), data, chunk, &got, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_HANDLE_EOF)
                return std::size_t{0};
            return errorOf(FileOp::Read, code);
        }
        return static_cast<std::size_t>(got);
    }

    Expected<std::size_t, FileError> readAt(FileHandle handle, std::uint64_t offset, char* data,
                                            std::size_t length) override {
        // A positioned read moves the file pointer of a synchronous handle;
        // put it back, so the read position stays where it was.
        LARGE_INTEGER here{};
        if (!SetFilePointerEx(win(handle), LARGE_INTEGER{}, &here, FILE_CURRENT))
            return lastError(FileOp::Read);
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        const bool read = ReadFile(win(handle), data, chunk, &got, &at);
        const DWORD code = GetLastError();
        SetFilePointerEx(win(handle), here, nullptr, FILE_BEGIN);
        if (!read && code != ERROR_HANDLE_EOF)
            return errorOf(FileOp::Read, code);
        return static_cast<std::size_t>(read ? got : 0);
    }

    FileStatus sync(FileHandle handle) override {
        if (!FlushFileBuffers(win(handle)))
            return lastError(FileOp::Sync);
        return std::nullopt;
    }

    FileStatus truncate(FileHandle handle, std::uint64_t length) override {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(length);
        if (!SetFilePointerEx(win(handle), to, nullptr, FILE_BEGIN) || !SetEndOfFile(win(handle)))
            return lastError(FileOp::Truncate);
        return std::nullopt;
    }

    FileStatus close(FileHandle handle) override {
        if (!CloseHandle(win(handle)))
            return lastError(FileOp::Close);
        return std::nullopt;
    }

    FileStatus syncFolderOf(const std::string& name) override {
        const auto slash = name.find_last_of("/\\");
        const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
        // A folder opens only with backup semantics, and flushes only when
        // opened for writing.
        HANDLE handle = CreateFileW(wide(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return lastError(FileOp::Sync);
        const bool flushed = FlushFileBuffers(handle);
        const DWORD code = GetLastError();
        CloseHandle(handle);
        if (!flushed)
            return errorOf(FileOp::Sync, code);
        return std::nullopt;
    }
};

} // namespace

FileError systemError(FileOp op, unsigned long code) {
    return errorOf(op, static_cast<DWORD>(code));
}

std::string systemReason(const FileError& error) {
    if (error.systemCode == 0)
        return std::strerror(error.code);
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error.systemCode), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0)
        return "Windows error " + std::to_string(error.systemCode);
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' ||
                                message.back() == L'.' || message.back() == L' '))
        message.pop_back();
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, message.data(), static_cast<int>(message.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, message.data(), static_cast<int>(message.size()), out.data(),
                        size, nullptr, nullptr);
    return out;
}

FileSystem& systemFileSystem() {
    static WindowsFileSystem fs;
    return fs;
}

} // namespace platform
