// The property both fuzzers check on the texts of a file that was read: each
// fits its capacity with its NUL, s/m is "s" or "m", and the time is
// "not finished" or exactly what format_time makes of some minutes, seconds
// and fraction. A breach aborts, which libFuzzer reports as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "recfile/rec_summary.h"

inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

inline bool terminated_within(const char* text, std::size_t capacity) {
    return std::memchr(text, '\0', capacity + 1) != nullptr;
}

inline void check_texts(const char* level, const char* s_m, const char* time, bool three_digits) {
    require(terminated_within(level, level_text_capacity), "level text fits");
    require(terminated_within(s_m, s_m_text_capacity), "s/m text fits");
    require(terminated_within(time, time_text_capacity), "time text fits");
    require(std::strcmp(s_m, "s") == 0 || std::strcmp(s_m, "m") == 0, "s/m is s or m");
    if (std::strcmp(time, "not finished") == 0) return;
    long minutes = 0, seconds = 0, fraction = 0;
    int used = 0;
    require(std::sscanf(time, "%ld:%ld.%ld%n", &minutes, &seconds, &fraction, &used) == 3 &&
                time[used] == '\0',
            "time text parses");
    char again[time_text_capacity + 1];
    format_time(again,
                SplitTime{static_cast<std::int32_t>(minutes), static_cast<std::int32_t>(seconds),
                          static_cast<std::int32_t>(fraction)},
                three_digits);
    require(std::strcmp(again, time) == 0, "time text is format_time's");
}
