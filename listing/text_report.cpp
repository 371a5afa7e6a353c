#include "listing/text_report.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <filesystem>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr const char* report_name = "stat.txt";
constexpr int padded_width = 14;

char* put_padded(char* out, const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    out += n;
    for (std::size_t i = n; i < padded_width; ++i) *out++ = ' ';
    return out;
}

// Creates a new file of that name, never one that already exists.
std::FILE* create_new(const char* name) {
#ifdef _WIN32
    const int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, 0666);
#else
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
#ifdef _WIN32
        _close(fd);
#else
        ::close(fd);
#endif
        std::remove(name);
    }
    return f;
}

} // namespace

void format_report_line(char* line, const ListRow& row) {
    char* out = put_padded(line, row.rec_file);
    out = put_padded(out, row.lev_file);
    std::snprintf(out, static_cast<std::size_t>(line + report_line_capacity + 1 - out), "%s   %s",
                  row.s_m, row.time);
}

TextReport::~TextReport() {
    discard();
}

void TextReport::open() {
    discard();
    failed_ = false;
    succeeded_ = false;
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        std::snprintf(temp_name_, sizeof temp_name_, "%s.%d.tmp", report_name, attempt);
        file_ = create_new(temp_name_);
        if (!file_ && errno != EEXIST) break;
    }
    if (!file_) {
        temp_name_[0] = '\0';
        failed_ = true;
    }
}

void TextReport::write_row(const ListRow& row) {
    if (!file_) return;
    char line[report_line_capacity + 3];
    format_report_line(line, row);
    std::strcat(line, "\r\n");
    const std::size_t n = std::strlen(line);
    if (std::fwrite(line, 1, n, file_) != n) failed_ = true;
}

void TextReport::close() {
    if (!file_) {
        succeeded_ = false;
        return;
    }
    const bool written = std::fclose(file_) == 0 && !failed_;
    file_ = nullptr;
    std::error_code error;
    if (written) std::filesystem::rename(temp_name_, report_name, error);
    succeeded_ = written && !error;
    if (!succeeded_) std::remove(temp_name_);
    temp_name_[0] = '\0';
}

void TextReport::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (temp_name_[0]) std::remove(temp_name_);
    temp_name_[0] = '\0';
}
