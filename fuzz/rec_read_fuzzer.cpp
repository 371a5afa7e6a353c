// Any bytes as a rec file: read gives false, or true with texts that fit.
// The bytes go to a memory file read through its /proc path, so the reader
// opens a real file without touching the disk on every run.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz/text_checks.h"
#include "recfile/rec_summary.h"

namespace {

int memory_file() {
    static const int fd = memfd_create("fuzz.rec", MFD_CLOEXEC);
    require(fd >= 0, "memfd_create works");
    return fd;
}

void read_once(const char* path, bool three_digits) {
    // Buffers of exactly the promised sizes, on the heap, so that any write
    // past them is an AddressSanitizer report.
    std::vector<char> time(time_text_capacity + 1, '\x7f');
    std::vector<char> level(level_text_capacity + 1, '\x7f');
    std::vector<char> s_m(s_m_text_capacity + 1, '\x7f');
    RecSummary summary;
    summary.clear();
    const bool ok = summary.read(path, time.data(), level.data(), s_m.data(), three_digits);
    require(summary.events[0].empty() && summary.events[1].empty(), "events released by read");
    if (ok) check_texts(level.data(), s_m.data(), time.data(), three_digits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memory_file();
    require(ftruncate(fd, 0) == 0, "memory file truncates");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        require(n > 0, "memory file takes the bytes");
        done += static_cast<std::size_t>(n);
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    read_once(path, false);
    read_once(path, true);
    return 0;
}
