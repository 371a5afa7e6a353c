// stat.txt: the kept rows of a report pass, one padded line each.
#pragma once

#include <cstdio>

#include "listing/listing.h"

// Longest line without its end: two texts padded to 14, s/m, three spaces, time.
constexpr int report_line_capacity = path_capacity + level_text_capacity + s_m_text_capacity + 3 +
                                     time_text_capacity;

// The line for row, without its line end, into line (report_line_capacity + 1 bytes).
void format_report_line(char* line, const ListRow& row);

// Writes stat.txt whole or not at all: the lines go to a temporary file beside
// it, which replaces stat.txt only when every line was written.
class TextReport {
public:
    TextReport() = default;
    TextReport(const TextReport&) = delete;
    TextReport& operator=(const TextReport&) = delete;
    ~TextReport();

    void open();
    void write_row(const ListRow& row);
    void close();

    // After close: true when stat.txt holds exactly the rows written.
    bool succeeded() const { return succeeded_; }

private:
    void discard();

    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool succeeded_ = false;
    char temp_name_[32] = {};
};
