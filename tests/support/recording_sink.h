// A RowSink that keeps what it was given, for checking a pass.
#pragma once

#include <string>
#include <vector>

#include <cstdio>

#include "listing/listing.h"
#include "listing/text_report.h"

struct RecordedRow {
    int index;
    std::string rec_file, lev_file, s_m, time;
    bool operator==(const RecordedRow&) const = default;
};

class RecordingSink final : public RowSink {
public:
    void clear() override {
        rows.clear();
        ++clears;
    }
    void add_row(int row_index, const ListRow& row) override {
        rows.push_back({row_index, row.rec_file, row.lev_file, row.s_m, row.time});
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const RecordedRow& r : rows) out.push_back(r.rec_file);
        return out;
    }

    std::vector<RecordedRow> rows;
    int clears = 0;
};

// The stat.txt lines of rows, each ending in CR LF.
inline std::string report_lines(const std::vector<RecordedRow>& rows) {
    std::string out;
    for (const RecordedRow& r : rows) {
        ListRow row{};
        std::snprintf(row.rec_file, sizeof row.rec_file, "%s", r.rec_file.c_str());
        std::snprintf(row.lev_file, sizeof row.lev_file, "%s", r.lev_file.c_str());
        std::snprintf(row.s_m, sizeof row.s_m, "%s", r.s_m.c_str());
        std::snprintf(row.time, sizeof row.time, "%s", r.time.c_str());
        char line[report_line_capacity + 1];
        format_report_line(line, row);
        out += std::string(line) + "\r\n";
    }
    return out;
}

// Runs a pass over pattern into sink, with the report when asked; true when
// the report was written (or not asked for).
inline bool run_pass(RowSink& sink, bool report, const char* pattern = "rec/*.rec") {
    ListOptions options;
    std::snprintf(options.pattern, sizeof options.pattern, "%s", pattern);
    options.report = report;
    TextReport text_report;
    run_listing_pass(options, sink, text_report);
    return !report || text_report.succeeded();
}
