// filesys: a read-only file read at explicit offsets: one system call per read, no
// stream buffer to refill and no seek, since the reader jumps over frame data.
#pragma once

#include <cstddef>
#include <cstdint>

class PositionalFile {
public:
    PositionalFile() = default;
    PositionalFile(const PositionalFile&) = delete;
    PositionalFile& operator=(const PositionalFile&) = delete;
    ~PositionalFile() { close(); }

    // Opens without blocking on special files; a FIFO or a directory opens
    // but then fails every read, so only regular files give data.
    bool open(const char* path);
    void close();

    // True when all n bytes at offset were read.
    bool read_at(std::int64_t offset, void* buffer, std::size_t n) const;

    // One read of up to n bytes at offset: fewer only where the file ends.
    // The number read, or -1 on failure.
    std::int64_t read_some_at(std::int64_t offset, void* buffer, std::size_t n) const;

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};
