// Opens a stat.txt report in the current folder, writes enough rows for the
// first write to reach the file, and dies as a killed process does, with no
// chance to clean up.
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

#include "listing/text_report.h"

int main() {
    TextReport report;
    report.open();
    ListRow row{};
    std::snprintf(row.lev_file, sizeof row.lev_file, "internal 1");
    std::snprintf(row.s_m, sizeof row.s_m, "s");
    std::snprintf(row.time, sizeof row.time, "0:27.47");
    for (int i = 0; i < 300; ++i) {
        std::snprintf(row.rec_file, sizeof row.rec_file, "%d.rec", i);
        report.write_row(row);
    }
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    std::raise(SIGKILL);
#endif
    return 1;  // not reached
}
