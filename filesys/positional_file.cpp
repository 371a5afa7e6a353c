#include "filesys/positional_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef _WIN32

bool PositionalFile::open(const char* path) {
    close();
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return false;
    }
    handle_ = h;
    return true;
}

void PositionalFile::close() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool PositionalFile::read_at(std::int64_t offset, void* buffer, std::size_t n) const {
    if (!handle_ || offset < 0) return false;
    auto* out = static_cast<unsigned char*>(buffer);
    while (n > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
        DWORD want = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(handle_), out, want, &got, &at) || got == 0) return false;
        out += got;
        offset += got;
        n -= got;
    }
    return true;
}

std::int64_t PositionalFile::read_some_at(std::int64_t offset, void* buffer, std::size_t n) const {
    if (!handle_ || offset < 0) return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer, n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n),
                  &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}

#else

bool PositionalFile::open(const char* path) {
    close();
    // O_NONBLOCK: opening a FIFO with no writer must not hang the pass.
    fd_ = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return fd_ >= 0;
}

void PositionalFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool PositionalFile::read_at(std::int64_t offset, void* buffer, std::size_t n) const {
    if (fd_ < 0 || offset < 0) return false;
    auto* out = static_cast<unsigned char*>(buffer);
    while (n > 0) {
        // pread fails on FIFOs, sockets and directories, which leaves them out.
        ssize_t got = ::pread(fd_, out, n > 0x40000000u ? 0x40000000u : n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

std::int64_t PositionalFile::read_some_at(std::int64_t offset, void* buffer, std::size_t n) const {
    if (fd_ < 0 || offset < 0) return -1;
    for (;;) {
        // A regular file reads short only at its end, so one call is enough.
        ssize_t got = ::pread(fd_, buffer, n > 0x40000000u ? 0x40000000u : n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
}

#endif
