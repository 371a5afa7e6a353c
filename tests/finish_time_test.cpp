#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "recfile/rec_summary.h"
#include "support/rec_writer.h"

namespace {

struct TimeCase {
    double time;
    const char* two_digits;
    const char* three_digits;
};

void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.time; }

constexpr double inf = std::numeric_limits<double>::infinity();

class TimeTexts : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeTexts, InBothPrecisions) {
    const TimeCase& c = GetParam();
    EXPECT_EQ(time_text(c.time, false), c.two_digits) << c.time;
    EXPECT_EQ(time_text(c.time, true), c.three_digits) << c.time;
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeTexts,
    ::testing::Values(TimeCase{12, "0:27.47", "0:27.472"}, TimeCase{0.4368, "0:01.00", "0:01.000"},
                      // Hundredths are not derived from thousandths: the texts disagree here.
                      TimeCase{26.208, "1:00.00", "0:59.999"}, TimeCase{30, "1:08.68", "1:08.681"},
                      // Minutes are not reduced to hours.
                      TimeCase{3600 * 0.4368, "60:00.00", "60:00.000"},
                      TimeCase{0, "0:00.00", "0:00.000"}, TimeCase{-0.0, "0:00.00", "0:00.000"},
                      // Negative times keep their signs in every field.
                      TimeCase{-1, "0:-2.-28", "0:-2.-289"},
                      // Out of range: the 64-bit conversion's 0x8000000000000000, low half 0.
                      TimeCase{std::nan(""), "0:00.00", "0:00.000"}, TimeCase{inf, "0:00.00", "0:00.000"},
                      TimeCase{-inf, "0:00.00", "0:00.000"}, TimeCase{1e300, "0:00.00", "0:00.000"},
                      TimeCase{-1e300, "0:00.00", "0:00.000"},
                      // Past 32 bits the low half wraps, as the game's tools show it.
                      TimeCase{9381599.3, "-357860:-52.-59", "53:03.895"}));

TEST(SplitTime, RecombinesToTheTruncatedProduct) {
    std::mt19937_64 random(131);
    std::uniform_real_distribution<double> times(-2e5, 2e5);
    for (int i = 0; i < 20000; ++i) {
        const double t = times(random);
        for (bool three : {false, true}) {
            const double product = t * (three ? 2289.3772893772893 : 228.93772893772893);
            const auto u = static_cast<std::int64_t>(product);
            const SplitTime s = split_time(t, three);
            const int unit = three ? 1000 : 100;
            EXPECT_EQ(std::int64_t{s.minutes} * 60 * unit + std::int64_t{s.seconds} * unit + s.fraction, u) << t;
            EXPECT_LT(std::abs(s.seconds), 60);
            EXPECT_LT(std::abs(s.fraction), unit);
        }
    }
}

// A summary holding events directly, as read leaves them for finish_text.
RecSummary summary_of(std::vector<RecEvent> p1, std::vector<RecEvent> p2 = {}, int players = 1) {
    RecSummary s;
    s.clear();
    s.player_count = players;
    s.event_count[0] = static_cast<std::int64_t>(p1.size());
    s.event_count[1] = static_cast<std::int64_t>(p2.size());
    s.events[0] = std::move(p1);
    s.events[1] = std::move(p2);
    return s;
}

std::string finish_of(RecSummary s, bool three_digits = false) {
    char text[time_text_capacity + 1] = "untouched";
    s.finish_text(text, three_digits);
    return text;
}

struct FinishCase {
    const char* name;
    RecSummary summary;
    const char* text;
};

void PrintTo(const FinishCase& c, std::ostream* os) { *os << c.name; }

class FinishCases : public ::testing::TestWithParam<FinishCase> {};

TEST_P(FinishCases, Text) {
    EXPECT_EQ(finish_of(GetParam().summary), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, FinishCases,
    ::testing::Values(
        FinishCase{"LastEventKind0", summary_of({event(3, 1), event(12)}), "0:27.47"},
        FinishCase{"LastEventKind1Alone", summary_of({event(3, 0), event(12, 1)}), "not finished"},
        FinishCase{"EarlierFinishAtSameTime", summary_of({event(12), event(12, 1)}), "0:27.47"},
        FinishCase{"ExtraWordsMustBeZero", summary_of({event(12, 0, 1), event(12, 0, 0, -1)}), "not finished"},
        // The walk does not stop at the first event of another time.
        FinishCase{"WalksPastOtherTimes", summary_of({event(12), event(5, 1), event(12, 1)}), "0:27.47"},
        FinishCase{"Kind4SkipsItselfAndItsPredecessor", summary_of({event(10), event(12), event(12, 4)}),
                   "not finished"},
        FinishCase{"Kind4TestsTwoBefore", summary_of({event(12), event(12), event(12, 4)}), "0:27.47"},
        // Two before a kind 4 is tested with no kind-4 test of its own.
        FinishCase{"Kind4TwoBeforeIsKind4", summary_of({event(12, 4), event(12, 1), event(12, 4)}),
                   "not finished"},
        // One skip per kind 4: the event it lands on is tested even when it is a kind 4 itself.
        FinishCase{"Kind4SkipLandsOnAKind4",
                   summary_of({event(10), event(12), event(12, 4), event(12, 1), event(12, 4)}), "0:27.47"},
        FinishCase{"Kind4SkipLandsOnAKind4BeforeTheFinish",
                   summary_of({event(12), event(12, 4), event(12, 1), event(12, 4)}), "0:27.47"},
        FinishCase{"Kind4AtTheStart", summary_of({event(12, 4)}), "not finished"},
        FinishCase{"NoEvents", summary_of({}), "not finished"},
        FinishCase{"EqualLastTimesFallsToPlayer2", summary_of({event(12, 1)}, {event(12)}, 2), "0:27.47"},
        FinishCase{"LaterPlayer2Unfinished", summary_of({event(5)}, {event(12, 1)}, 2), "not finished"},
        FinishCase{"LaterPlayer1Only", summary_of({event(12)}, {event(5)}, 2), "0:27.47"},
        FinishCase{"Player1WithoutEvents", summary_of({}, {event(12)}, 2), "0:27.47"},
        FinishCase{"Player2WithoutEvents", summary_of({event(12)}, {}, 2), "0:27.47"},
        FinishCase{"NaNGoesToPlayer2", summary_of({event(std::nan(""))}, {event(12)}, 2), "0:27.47"},
        FinishCase{"NaNLastIsNeverAFinish", summary_of({event(std::nan(""))}), "not finished"},
        FinishCase{"SinglePlayerIgnoresPlayer2", summary_of({event(5, 1)}, {event(12)}, 1), "not finished"}),
    [](const ::testing::TestParamInfo<FinishCase>& info) { return std::string(info.param.name); });

TEST(FinishText, ThreeDigits) {
    EXPECT_EQ(finish_of(summary_of({event(12), event(12), event(12, 4)}), true), "0:27.472");
}

// Typed output takes the finish event's own time, which the text is made from.
TEST(FinishText, KeepsTheFinishEventsTime) {
    char text[time_text_capacity + 1];
    RecSummary s = summary_of({event(-1), event(3, 1), event(-1, 0, 0, 1)});
    s.finish_text(text, false);
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(s.finish_time, -1);
    EXPECT_EQ(time_product(s.finish_time, false), -228);
    EXPECT_EQ(time_product(s.finish_time, true), -2289);

    s = summary_of({event(12, 1)});
    s.finish_time = 7;
    s.finish_text(text, false);
    EXPECT_FALSE(s.finished);
    EXPECT_EQ(s.finish_time, 0);
}

} // namespace
