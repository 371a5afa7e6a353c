// Linked into a test copy of the command-line tool, never into the tool
// itself: makes the report step that CLOCKR_REPORT_FAULT names fail. Its
// value is "STEP NTH ERROR": a ReportStep's number, which call of it (from
// 1), and the errno to fail with.
#include <cstdio>
#include <cstdlib>

#include "support/report_faults.h"

namespace {

const bool installed = [] {
    const char* setting = std::getenv("CLOCKR_REPORT_FAULT");
    int step = 0, nth = 0, error = 0;
    if (!setting || std::sscanf(setting, "%d %d %d", &step, &nth, &error) != 3) return false;
    ReportFaults::faults = {{static_cast<ReportStep>(step), nth, error}};
    set_report_fault(&ReportFaults::hook);
    return true;
}();

} // namespace
