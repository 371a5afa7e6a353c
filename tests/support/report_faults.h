// Makes one step of a stat.txt report fail through the report's seam, and
// lists every step a report pass takes, so that a test can fail each in turn.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "listing/text_report.h"

#ifdef _WIN32
#include <windows.h>
constexpr int disk_full = ERROR_DISK_FULL;
constexpr int access_denied = ERROR_ACCESS_DENIED;
#else
#include <cerrno>
constexpr int disk_full = ENOSPC;
constexpr int access_denied = EACCES;
#endif

constexpr int report_step_count = static_cast<int>(ReportStep::Rename) + 1;

inline const char* step_name(ReportStep step) {
    static const char* const names[report_step_count] = {"Target", "Create", "OpenInPlace", "Write", "Truncate",
                                                         "Flush",  "Link",   "Close",       "Rename"};
    return names[static_cast<int>(step)];
}

// The nth call (from 1) of step fails with error.
struct InjectedFault {
    ReportStep step;
    int nth;
    int error;
    std::string name() const { return std::string(step_name(step)) + std::to_string(nth); }
};

// The seam's state: every step is counted and recorded, the chosen ones fail.
struct ReportFaults {
    static inline std::vector<InjectedFault> faults;
    static inline std::array<int, report_step_count> seen{};
    static inline std::vector<ReportStep> steps;

    static int hook(ReportStep step) {
        const int n = ++seen[static_cast<int>(step)];
        steps.push_back(step);
        for (const InjectedFault& f : faults)
            if (f.step == step && f.nth == n) return f.error;
        return 0;
    }
};

// Installs faults (none: only counting) for as long as it lives.
class FaultScope {
public:
    explicit FaultScope(std::vector<InjectedFault> faults = {}) {
        ReportFaults::faults = std::move(faults);
        ReportFaults::seen = {};
        ReportFaults::steps.clear();
        set_report_fault(&ReportFaults::hook);
    }
    ~FaultScope() { set_report_fault(nullptr); }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;

    const std::vector<ReportStep>& steps() const { return ReportFaults::steps; }
};

// Every single fault a report pass can meet: runs pass once with only
// counting (after the given faults, e.g. one that sends it down another
// path), then lists each call of each step, failing with error.
inline std::vector<InjectedFault> every_fault(const std::function<void()>& pass, int error,
                                              const std::vector<InjectedFault>& before = {}) {
    std::array<int, report_step_count> seen;
    {
        FaultScope counting(before);
        pass();
        seen = ReportFaults::seen;
    }
    std::vector<InjectedFault> out;
    for (int s = 0; s < report_step_count; ++s) {
        const ReportStep step = static_cast<ReportStep>(s);
        int first = 1;
        for (const InjectedFault& f : before)
            if (f.step == step) first = f.nth + 1;  // that one already failed
        for (int n = first; n <= seen[static_cast<std::size_t>(s)]; ++n) out.push_back({step, n, error});
    }
    return out;
}
