#include "listing/listing.h"

#include <cstdio>
#include <cstring>

#include "listing/text_report.h"
#include "filesys/find_files.h"

namespace {

bool keeps(const ListOptions& options, LevelClass level, const char* lev_file) {
    switch (options.filter) {
    case FilterMode::AllLevs: return true;
    case FilterMode::Internals: return level.internal;
    case FilterMode::Externals: return !level.internal;
    case FilterMode::Internal: return level.internal && level.number == options.internal_number;
    case FilterMode::External:
        return !level.internal && std::strcmp(lev_file, options.external_name) == 0;
    }
    return false;
}

// Copies the directory part of pattern, separator included, to the front of
// path and returns its length. Both '/' and '\' end it, as the enumeration
// accepts both; on Linux a '\' there becomes '/', so that the files are read
// from the directory that was listed.
std::size_t form_dir_prefix(const char* pattern, char* path) {
    std::size_t n = 0;
    for (std::size_t i = 0; pattern[i]; ++i)
        if (pattern[i] == '/' || pattern[i] == '\\') n = i + 1;
    for (std::size_t i = 0; i < n; ++i) {
#ifdef _WIN32
        path[i] = pattern[i];
#else
        path[i] = pattern[i] == '\\' ? '/' : pattern[i];
#endif
    }
    return n;
}

} // namespace

LevelClass classify_level(char* level_text) {
    if (std::strncmp(level_text, "QWQUU0", 6) != 0) return {false, 0};
    // The 7th and 8th characters as signed bytes, not checked for digits:
    // the range test alone decides, as in the game.
    const int c7 = static_cast<signed char>(level_text[6]);
    const int c8 = c7 == 0 ? 0 : static_cast<signed char>(level_text[7]);
    const int n = (c7 - 48) * 10 + (c8 - 48);
    if (n < 1 || n > 55) return {false, 0};
    std::snprintf(level_text, level_text_capacity + 1, "internal %d", n);
    return {true, n};
}

void run_listing_pass(const ListOptions& options, RowSink& sink, TextReport& report) {
    RecSummary summary;
    summary.clear();
    int row_index = 0;
    sink.clear();

    char path[path_capacity + 1];
    const std::size_t prefix = form_dir_prefix(options.pattern, path);

    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(options.pattern, &found);
    if (options.report) report.open();
    if (find != INVALID_HANDLE_VALUE) {
        ListRow row;
        do {
            const std::size_t name_length = std::strlen(found.cFileName);
            if (prefix + name_length > path_capacity) continue;
            std::memcpy(path + prefix, found.cFileName, name_length + 1);
            if (!summary.read(path, row.time, row.lev_file, row.s_m, options.three_digits)) continue;
            const LevelClass level = classify_level(row.lev_file);
            if (!keeps(options, level, row.lev_file)) continue;
            std::memcpy(row.rec_file, found.cFileName, name_length + 1);
            row.finished = summary.finished;
            row.finish_time = summary.finish_time;
            sink.add_row(row_index, row);
            if (options.report) report.write_row(row);
            ++row_index;
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    if (options.report) report.close();
}
