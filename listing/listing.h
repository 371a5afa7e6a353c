// listing: one pass over the files a pattern matches — enumerate, read,
// recognise internal levels, filter, and hand each kept row to a sink and,
// on request, to the stat.txt report.
#pragma once

#include <cstdint>

#include "recfile/rec_summary.h"

enum class FilterMode : int { AllLevs = 0, Internals = 1, Externals = 2, Internal = 3, External = 4 };

constexpr int external_name_capacity = 19;

struct ListOptions {
    char pattern[path_capacity + 1] = "rec/*.rec";
    FilterMode filter = FilterMode::AllLevs;
    std::int8_t internal_number = 0;
    char external_name[external_name_capacity + 1] = {};
    bool three_digits = false;
    bool report = false;
};

// The four texts of a kept file, in column order, and the finish event's
// time that the time text was made from (for typed output).
struct ListRow {
    char rec_file[path_capacity + 1];
    char lev_file[level_text_capacity + 1];
    char s_m[s_m_text_capacity + 1];
    char time[time_text_capacity + 1];
    bool finished = false;
    double finish_time = 0;  // in rec time units; 0 when not finished
};

// Where a pass sends its rows. add_row copies the texts: the pass reuses them.
class RowSink {
public:
    virtual void clear() = 0;
    virtual void add_row(int row_index, const ListRow& row) = 0;

protected:
    ~RowSink() = default;
};

class TextReport;

// Runs one pass. report is used only when options.report is set. The sink
// and the report are called on the calling thread only, in enumeration order.
void run_listing_pass(const ListOptions& options, RowSink& sink, TextReport& report);

// How a pass keeps reads in flight. While its reads are quick (files in
// memory) the calling thread reads alone, or with one reader thread in a pass
// of a few hundred files or more; once a few of its reads in a row have
// taken longer than slow_read_us, up to threads reader threads join it.
// slow_read_us 0 starts them at once; threads 0 reads one file at a time.
struct PassReaders {
    int threads;
    int slow_read_us;
};
// Chosen by measurement (README, Benchmarks).
constexpr PassReaders default_pass_readers{32, 100};

void run_listing_pass(const ListOptions& options, RowSink& sink, TextReport& report,
                      PassReaders readers);

struct LevelClass {
    bool internal;
    int number;
};

// Recognises the game's internal levels (QWQUU001.LEV to QWQUU055.LEV) and
// rewrites their text to "internal N" in place.
LevelClass classify_level(char* level_text);
