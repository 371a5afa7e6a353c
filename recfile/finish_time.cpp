#include "recfile/rec_summary.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// 1000 / 0.4368 and 100 / 0.4368: rec time units to thousandths and hundredths.
constexpr double thousandths_per_unit = 2289.3772893772893;
constexpr double hundredths_per_unit = 228.93772893772893;

bool is_finish_event(const RecEvent& e, double last_time) {
    return e.time == last_time && e.kind == 0 && e.extra_lo == 0 && e.extra_hi == 0;
}

// The game's own walk: a kind-4 event and the one before it are passed over,
// and the walk goes down to the first event unless a finish event stops it.
const RecEvent* find_finish_event(const std::vector<RecEvent>& e, std::int64_t count) {
    const double last_time = e[static_cast<std::size_t>(count - 1)].time;
    for (std::int64_t idx = count - 1; idx >= 0; --idx) {
        if (e[static_cast<std::size_t>(idx)].kind == 4) idx -= 2;
        if (idx >= 0 && is_finish_event(e[static_cast<std::size_t>(idx)], last_time))
            return &e[static_cast<std::size_t>(idx)];
    }
    return nullptr;
}

// Truncates toward zero as the x86 conversion does: NaN and anything beyond
// the 64-bit range give 0x8000000000000000.
std::int64_t truncate_to_i64(double product) {
    constexpr double two_to_63 = 9223372036854775808.0;
    if (!(std::fabs(product) < two_to_63)) return INT64_MIN;
    return static_cast<std::int64_t>(product);
}

} // namespace

const RecEvent* RecSummary::finish_event() const {
    const std::int64_t c0 = event_count[0];
    const std::int64_t c1 = player_count == 2 ? event_count[1] : 0;
    const RecEvent* finish = nullptr;
    if (c0 == 0 && c1 == 0) {
        // nothing to search
    } else if (c0 == 0) {
        finish = find_finish_event(events[1], c1);
    } else if (c1 == 0) {
        finish = find_finish_event(events[0], c0);
    } else {
        const double t0 = events[0][static_cast<std::size_t>(c0 - 1)].time;
        const double t1 = events[1][static_cast<std::size_t>(c1 - 1)].time;
        if (t0 == t1) {
            finish = find_finish_event(events[0], c0);
            if (!finish) finish = find_finish_event(events[1], c1);
        } else if (t0 > t1) {
            finish = find_finish_event(events[0], c0);
        } else {
            // Also where either time is NaN.
            finish = find_finish_event(events[1], c1);
        }
    }
    return finish;
}

void RecSummary::finish_text(char* time_text, bool three_digits) {
    const RecEvent* finish = finish_event();
    finished = finish != nullptr;
    finish_time = finish ? finish->time : 0;
    if (!finish) {
        std::strcpy(time_text, "not finished");
        return;
    }
    format_time(time_text, split_time(finish->time, three_digits), three_digits);
}

std::int32_t time_product(double time, bool three_digits) {
    // The product is rounded to binary64 before truncation, never kept wider.
    volatile double product = time * (three_digits ? thousandths_per_unit : hundredths_per_unit);
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(truncate_to_i64(product))));
}

SplitTime split_time(double time, bool three_digits) {
    const std::int32_t u = time_product(time, three_digits);
    if (three_digits) return {u / 60000, (u / 1000) % 60, u % 1000};
    return {u / 6000, (u / 100) % 60, u % 100};
}

void format_time(char* text, SplitTime t, bool three_digits) {
    std::snprintf(text, time_text_capacity + 1, three_digits ? "%ld:%02ld.%03ld" : "%ld:%02ld.%02ld",
                  static_cast<long>(t.minutes), static_cast<long>(t.seconds),
                  static_cast<long>(t.fraction));
}
