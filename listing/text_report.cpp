#include "listing/text_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#endif

namespace {

constexpr const char* report_name = "stat.txt";
constexpr int padded_width = 14;
// Temporary names tried beside the target before giving up.
constexpr int temp_names = 100;
// A temporary file of ours this much older than now was left by a run that
// ended early; a live run renames its own long before (where the system has
// unnamed files, it has no name at all until the rename).
constexpr long stale_seconds = 60;

ReportFault report_fault = nullptr;

int fault_for(ReportStep step) { return report_fault ? report_fault(step) : 0; }

char* put_padded(char* out, const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    out += n;
    for (std::size_t i = n; i < padded_width; ++i) *out++ = ' ';
    return out;
}

bool is_separator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

// Length of path's folder part, its last separator included; 0 for none.
std::size_t folder_length(const char* path) {
    std::size_t n = 0;
    for (std::size_t i = 0; path[i]; ++i)
        if (is_separator(path[i])) n = i + 1;
    return n;
}

// The folder part of path, "." for none, into folder (report_path_room bytes).
void folder_of(const char* path, char* folder) {
    const std::size_t n = folder_length(path);
    if (n == 0) {
        std::strcpy(folder, ".");
        return;
    }
    std::memcpy(folder, path, n);
    folder[n] = '\0';
}

// The system calls, the same shape on both systems; false with the reason in
// errno or GetLastError.
#ifdef _WIN32

int last_error() { return static_cast<int>(GetLastError()); }
void set_error(int error) { SetLastError(static_cast<DWORD>(error)); }
constexpr int name_too_long = ERROR_FILENAME_EXCED_RANGE;

bool name_taken(int error, const char* path) {
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return true;
    // A file that another run is deleting refuses access to its name.
    if (error != ERROR_ACCESS_DENIED) return false;
    const bool present = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ||
                         (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND);
    set_error(error);
    return present;
}

bool no_new_file_allowed(int error) { return error == ERROR_ACCESS_DENIED; }

bool create_new(const char* path, ReportFile& file) {
    // DELETE and FILE_SHARE_DELETE: deleted on close, and renamed while open.
    const HANDLE h = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    file = h;
    return true;
}

// While set, the file goes when its handle closes, also when the process dies.
bool set_delete_on_close(ReportFile file, bool on) {
    FILE_DISPOSITION_INFO info;
    info.DeleteFile = on ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info) != 0;
}

bool open_existing(const char* path, bool, ReportFile& file) {
    const HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    file = h;
    return true;
}

bool write_all(ReportFile file, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD done = 0;
        if (!WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr) || done == 0) return false;
        data += done;
        size -= done;
    }
    return true;
}

bool truncate_file(ReportFile file, std::uint64_t size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool sync_file(ReportFile file) { return FlushFileBuffers(file) != 0; }
bool close_file(ReportFile file) { return CloseHandle(file) != 0; }
bool remove_file(const char* path) { return DeleteFileA(path) != 0; }

bool replace_file(const char* from, const char* to) {
    // Write-through: returns once the rename is on the disk.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool is_stale_leftover(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](FILETIME t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    const std::uint64_t per_second = 10000000;  // FILETIME counts 100 ns
    return ticks(now) > ticks(data.ftLastWriteTime) + stale_seconds * per_second;
}

void absolute_folder(const char* path, char* out, std::size_t size) {
    char folder[report_path_room];
    folder_of(path, folder);
    const DWORD n = GetFullPathNameA(folder, static_cast<DWORD>(size), out, nullptr);
    if (n == 0 || n >= size) std::snprintf(out, size, "%s", folder);
    // "C:\x\" reads better as "C:\x", but "C:\" must stay.
    const std::size_t length = std::strlen(out);
    if (length > 3 && is_separator(out[length - 1])) out[length - 1] = '\0';
}

void error_text(int error, char* text, std::size_t size) {
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(error), 0, text, static_cast<DWORD>(size), nullptr);
    // The system's sentences end in a period and CR LF; ours adds its own period.
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = '\0';
    if (n == 0) std::snprintf(text, size, "error %d", error);
}

#else

int last_error() { return errno; }
void set_error(int error) { errno = error; }
constexpr int name_too_long = ENAMETOOLONG;

bool name_taken(int error, const char*) { return error == EEXIST; }

bool no_new_file_allowed(int error) { return error == EACCES || error == EPERM; }

bool create_new(const char* path, ReportFile& file) {
    file = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return file >= 0;
}

// A special file (a FIFO, a device) is written as a plain open would, but
// without waiting for a FIFO's reader.
bool open_existing(const char* path, bool regular, ReportFile& file) {
    file = ::open(path, O_WRONLY | O_CLOEXEC | (regular ? 0 : O_NONBLOCK));
    if (file < 0) return false;
    if (!regular) {
        const int flags = fcntl(file, F_GETFL);
        fcntl(file, F_SETFL, flags & ~O_NONBLOCK);
    }
    return true;
}

bool write_all(ReportFile file, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(file, data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

bool truncate_file(ReportFile file, std::uint64_t size) { return ftruncate(file, static_cast<off_t>(size)) == 0; }
bool sync_file(ReportFile file) { return fsync(file) == 0; }
bool close_file(ReportFile file) { return ::close(file) == 0; }
bool remove_file(const char* path) { return ::unlink(path) == 0; }
bool replace_file(const char* from, const char* to) { return ::rename(from, to) == 0; }

// After a rename: its folder's entry on the disk too. Many file systems
// refuse to flush a folder, and the new file is in place either way, so a
// failure here is no failure of the report.
void sync_folder(const char* path) {
    char folder[report_path_room];
    folder_of(path, folder);
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

// Only a regular file of our user with no other name, as our runs make them.
bool is_stale_leftover(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() && st.st_nlink == 1 &&
           std::time(nullptr) - st.st_mtime > stale_seconds;
}

void absolute_folder(const char* path, char* out, std::size_t size) {
    char folder[report_path_room];
    folder_of(path, folder);
    std::size_t n = std::strlen(folder);
    if (n > 1 && folder[n - 1] == '/') folder[--n] = '\0';
    char resolved[PATH_MAX];
    char cwd[PATH_MAX];
    if (realpath(folder, resolved)) {
        std::snprintf(out, size, "%s", resolved);
        return;
    }
    // A folder that is not there (a dangling link's): shown as given, from the current one.
    if (folder[0] == '/' || !getcwd(cwd, sizeof cwd) ||
        std::snprintf(out, size, "%s/%s", cwd, folder) >= static_cast<int>(size))
        std::snprintf(out, size, "%s", folder);
}

void error_text(int error, char* text, std::size_t size) { std::snprintf(text, size, "%s", std::strerror(error)); }

// Follows stat.txt through symbolic links as opening it would, into target:
// the file a write lands on, which need not exist (a dangling link's target
// is created). False, with errno, when a link cannot be read or links loop.
bool resolve_links(char* target) {
    std::strcpy(target, report_name);
    for (int hops = 0; hops < 40; ++hops) {
        char link[report_path_room];
        const ssize_t n = readlink(target, link, sizeof link);
        if (n < 0) return errno == EINVAL || errno == ENOENT;  // not a link, or nothing there
        if (static_cast<std::size_t>(n) >= sizeof link) {
            errno = ENAMETOOLONG;
            return false;
        }
        link[n] = '\0';
        // A relative target is relative to the link's folder.
        const std::size_t keep = link[0] == '/' ? 0 : folder_length(target);
        if (keep + static_cast<std::size_t>(n) >= report_path_room) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::memcpy(target + keep, link, static_cast<std::size_t>(n) + 1);
    }
    errno = ELOOP;
    return false;
}

#ifdef O_TMPFILE
// The path through which an unnamed file gets a name: linking it by its
// descriptor itself needs a privilege, linking this path does not.
void descriptor_path(int fd, char* path, std::size_t size) { std::snprintf(path, size, "/proc/self/fd/%d", fd); }

// A file in folder with no name, gone with the process however it ends;
// false where the file system or the kernel has no such files, or where the
// process cannot name it later.
bool create_unnamed(const char* folder, ReportFile& file) {
    file = ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (file < 0) return false;
    char path[64];
    descriptor_path(file, path, sizeof path);
    if (access(path, F_OK) == 0) return true;
    ::close(file);
    errno = EOPNOTSUPP;
    return false;
}

bool unnamed_unsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }
#endif

#endif

// Makes a new file named after target with make(name), into temp: the first
// free name of target.clockr-N.tmp, taking over a stale one of ours.
template <class Make> bool claim_temp_name(const char* target, char* temp, Make make) {
    for (int n = 0; n < temp_names; ++n) {
        if (std::snprintf(temp, report_path_room, "%s.clockr-%d.tmp", target, n) >= report_path_room) {
            set_error(name_too_long);
            return false;
        }
        if (make(temp)) return true;
        const int error = last_error();
        if (!name_taken(error, temp)) return false;
        if (is_stale_leftover(temp) && remove_file(temp) && make(temp)) return true;
        set_error(error);
    }
    return false;
}

} // namespace

void set_report_fault(ReportFault fault) { report_fault = fault; }

void format_report_line(char* line, const ListRow& row) {
    char* out = put_padded(line, row.rec_file);
    out = put_padded(out, row.lev_file);
    std::snprintf(out, static_cast<std::size_t>(line + report_line_capacity + 1 - out), "%s   %s",
                  row.s_m, row.time);
}

TextReport::~TextReport() {
    discard();
}

template <class Call> bool TextReport::run(ReportStep step, Call call) {
    int error = fault_for(step);
    if (error == 0) {
        if (call()) return true;
        error = last_error();
    }
    fail(step, error);
    return false;
}

void TextReport::open() {
    discard();
    failed_ = false;
    succeeded_ = false;
    target_exists_ = false;
    target_regular_ = false;
    written_ = 0;
    buffered_ = 0;
    if (!run(ReportStep::Target, [this] { return find_target(); })) return;
    if (target_exists_ && !target_regular_) {
        open_in_place();
        return;
    }
    const int fault = fault_for(ReportStep::Create);
    if (fault == 0 && create_temporary()) return;
    const int error = fault ? fault : last_error();
    if (target_exists_ && no_new_file_allowed(error))
        open_in_place();
    else
        fail(ReportStep::Create, error);
}

#ifdef _WIN32

bool TextReport::find_target() {
    std::strcpy(target_, report_name);
    const DWORD attributes = GetFileAttributesA(target_);
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    target_exists_ = true;
    target_regular_ = true;
    // What opening it for writing would refuse, and replacing it would only refuse at the end.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
        set_error(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool TextReport::create_temporary() {
    if (!claim_temp_name(target_, temp_, [this](const char* name) { return create_new(name, file_); })) {
        temp_[0] = '\0';
        return false;
    }
    file_open_ = true;
    mode_ = Mode::Named;
    // Without it (a file system that refuses), a run that dies leaves the
    // file, which a later run takes over once it is stale.
    set_delete_on_close(file_, true);
    return true;
}

#else

bool TextReport::find_target() {
    if (!resolve_links(target_)) return false;
    struct stat st;
    if (stat(target_, &st) != 0) return errno == ENOENT;
    target_exists_ = true;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    target_regular_ = S_ISREG(st.st_mode);
    old_mode_ = st.st_mode & 0777;
    old_owner_ = st.st_uid;
    old_group_ = st.st_gid;
    // The new file takes its place only where writing to it is allowed.
    return faccessat(AT_FDCWD, target_, W_OK, AT_EACCESS) == 0;
}

bool TextReport::create_temporary() {
    char folder[report_path_room];
    folder_of(target_, folder);
    temp_[0] = '\0';
    bool made = false;
#ifdef O_TMPFILE
    made = create_unnamed(folder, file_);
    if (made) {
        mode_ = Mode::Unnamed;
    } else if (!unnamed_unsupported(errno)) {
        return false;
    }
#endif
    if (!made) {
        if (!claim_temp_name(target_, temp_, [this](const char* name) { return create_new(name, file_); })) {
            temp_[0] = '\0';
            return false;
        }
        mode_ = Mode::Named;
    }
    file_open_ = true;
    if (!target_exists_) return true;
    // The old file's owner (only root can give a file away; others keep it
    // theirs) and permission bits: a private stat.txt stays private.
    struct stat st;
    if (fstat(file_, &st) == 0 && (st.st_uid != old_owner_ || st.st_gid != old_group_))
        (void)!fchown(file_, old_owner_, old_group_);
    if (fchmod(file_, static_cast<mode_t>(old_mode_)) == 0) return true;
    const int error = errno;
    discard();
    errno = error;
    return false;
}

#endif

void TextReport::open_in_place() {
    const bool regular = target_regular_;
    if (!run(ReportStep::OpenInPlace, [&] { return open_existing(target_, regular, file_); })) return;
    file_open_ = true;
    mode_ = Mode::InPlace;
}

void TextReport::write_row(const ListRow& row) {
    if (!file_open_ || failed_) return;
    char line[report_line_capacity + 3];
    format_report_line(line, row);
    std::strcat(line, "\r\n");
    const std::size_t n = std::strlen(line);
    if (buffered_ + n > sizeof buffer_ && !flush_buffer()) return;
    std::memcpy(buffer_ + buffered_, line, n);
    buffered_ += n;
}

bool TextReport::flush_buffer() {
    if (buffered_ == 0) return true;
    if (!run(ReportStep::Write, [this] { return write_all(file_, buffer_, buffered_); })) return false;
    written_ += buffered_;
    buffered_ = 0;
    return true;
}

void TextReport::close() {
    succeeded_ = file_open_ && !failed_ && flush_buffer() && commit();
    discard();
}

// Truncate (in place), flush, name, close, rename: the order in which a
// failure at any step leaves the old stat.txt as it was (in place: as far as
// it was written).
bool TextReport::commit() {
    const bool in_place = mode_ == Mode::InPlace;
    // A special file has no length to cut, and may not flush.
    if (in_place && target_regular_ &&
        !run(ReportStep::Truncate, [this] { return truncate_file(file_, written_); }))
        return false;
    if ((!in_place || target_regular_) && !run(ReportStep::Flush, [this] { return sync_file(file_); }))
        return false;
#ifdef O_TMPFILE
    if (mode_ == Mode::Unnamed) {
        char path[64];
        descriptor_path(file_, path, sizeof path);
        const auto link_it = [&](const char* name) {
            return linkat(AT_FDCWD, path, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0;
        };
        if (!run(ReportStep::Link, [&] { return claim_temp_name(target_, temp_, link_it); })) {
            temp_[0] = '\0';
            return false;
        }
    }
#endif
    // The file is closed whatever close says; only then is a fault taken.
    const int fault = fault_for(ReportStep::Close);
#ifdef _WIN32
    if (mode_ == Mode::Named && !set_delete_on_close(file_, false) && fault == 0) {
        fail(ReportStep::Close, last_error());
        return false;
    }
#endif
    const bool closed = close_file(file_);
    file_open_ = false;
    if (fault != 0 || !closed) {
        fail(ReportStep::Close, fault ? fault : last_error());
        return false;
    }
    if (in_place) return true;
    if (!run(ReportStep::Rename, [this] { return replace_file(temp_, target_); })) return false;
    temp_[0] = '\0';
#ifndef _WIN32
    sync_folder(target_);
#endif
    return true;
}

// Closes what is still open and removes the temporary file while it has a
// name: only ever one this report made.
void TextReport::discard() {
    // Removed while still open where it is: no other file can have taken
    // the name in between (Windows deletes it when the handle closes).
    if (temp_[0]) remove_file(temp_);
    if (file_open_) close_file(file_);
    file_open_ = false;
    temp_[0] = '\0';
    mode_ = Mode::Closed;
}

void TextReport::fail(ReportStep step, int error) {
    if (failed_) return;
    failed_ = true;
    failed_step_ = step;
    error_ = error;
    absolute_folder(target_[0] ? target_ : report_name, folder_, sizeof folder_);
}

void TextReport::describe_failure(char* text, std::size_t size) const {
    static const char* const actions[] = {
        "Opening stat.txt for writing",    "Making a new file",
        "Opening stat.txt for rewriting",  "Writing the report",
        "Cutting stat.txt to its length",  "Flushing the report to the disk",
        "Naming the new file",             "Closing the report",
        "Replacing stat.txt",
    };
    if (!failed_) {
        std::snprintf(text, size, "stat.txt could not be written.");
        return;
    }
    char reason[256];
    error_text(error_, reason, sizeof reason);
    std::snprintf(text, size, "stat.txt could not be written. %s in %s failed: %s.",
                  actions[static_cast<int>(failed_step_)], folder_, reason);
}
