#include "listing/listing.h"

#include <cstdio>
#include <cstring>

#include "listing/text_report.h"
#include "filesys/find_files.h"
#include "listing/read_ahead.h"

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

namespace {

struct PassContext {
    const ListOptions& options;
    char prefix[path_capacity + 1];  // the pattern's directory part, as read
    std::size_t prefix_length;
};

// A reader's work on one entry: read it, recognise its level, apply the filter.
void read_entry(const void* context, RecSummary& summary, EntrySlot& slot) {
    const PassContext& pass = *static_cast<const PassContext*>(context);
    char path[path_capacity + 1];
    std::memcpy(path, pass.prefix, pass.prefix_length);
    std::strcpy(path + pass.prefix_length, slot.row.rec_file);  // the caller checked the length
    ListRow& row = slot.row;
    slot.kept = summary.read(path, row.time, row.lev_file, row.s_m, pass.options.three_digits) &&
                keeps(pass.options, classify_level(row.lev_file), row.lev_file);
    row.finished = summary.finished;
    row.finish_time = summary.finish_time;
}

} // namespace

void run_listing_pass(const ListOptions& options, RowSink& sink, TextReport& report) {
    run_listing_pass(options, sink, report, default_pass_readers);
}

void run_listing_pass(const ListOptions& options, RowSink& sink, TextReport& report,
                      PassReaders readers) {
    sink.clear();
    PassContext pass{options, {}, 0};
    pass.prefix_length = form_dir_prefix(options.pattern, pass.prefix);

    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(options.pattern, &found);
    if (options.report) report.open();
    bool more = find != INVALID_HANDLE_VALUE;

    ReadAhead ahead(readers, read_entry, &pass);
    int row_index = 0;
    for (;;) {
        // Names go out in batches of half a window, so readers wake once a batch.
        if (more && (ahead.free_slots() * 2 >= ahead.window() || ahead.pending() == 0)) {
            while (more && ahead.free_slots() > 0) {
                const std::size_t name_length = std::strlen(found.cFileName);
                if (pass.prefix_length + name_length <= path_capacity)
                    std::memcpy(ahead.next_free().row.rec_file, found.cFileName, name_length + 1);
                more = FindNextFileA(find, &found);
            }
            ahead.publish();
        }
        const EntrySlot* slot = ahead.oldest();
        if (!slot) break;
        if (slot->kept) {
            sink.add_row(row_index, slot->row);
            if (options.report) report.write_row(slot->row);
            ++row_index;
        }
        ahead.take_oldest();
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    if (options.report) report.close();
}
