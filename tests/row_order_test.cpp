#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "listing/row_order.h"
#include "support/rec_writer.h"

namespace {

struct ValueCase {
    const char* text;
    bool three_digits;
    std::optional<std::int64_t> value;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class TimeTextValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(TimeTextValues, AreTheProductShown) {
    EXPECT_EQ(time_text_value(GetParam().text, GetParam().three_digits), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimeTextValues,
    ::testing::Values(ValueCase{"0:27.47", false, 2747}, ValueCase{"0:27.472", true, 27472},
                      ValueCase{"0:00.00", false, 0}, ValueCase{"60:00.00", false, 360000},
                      ValueCase{"60:00.000", true, 3600000},
                      // Every part carries the sign of a negative product.
                      ValueCase{"0:-2.-28", false, -228}, ValueCase{"0:-2.-289", true, -2289},
                      ValueCase{"0:00.-5", false, -5}, ValueCase{"0:00.-05", true, -5},
                      ValueCase{"-1:00.-1", false, -6001},
                      ValueCase{"-357913:-56.-48", false, std::numeric_limits<std::int32_t>::min()},
                      ValueCase{"357913:56.47", false, std::numeric_limits<std::int32_t>::max()},
                      ValueCase{"not finished", false, std::nullopt}, ValueCase{"", false, std::nullopt},
                      ValueCase{"0:27", false, std::nullopt}, ValueCase{"0:27.47 ", false, std::nullopt},
                      ValueCase{"-:00.00", false, std::nullopt}, ValueCase{"0:27.4x", false, std::nullopt},
                      ValueCase{"12345678901:00.00", false, std::nullopt}));

// Whatever the time, its text gives back the product it was made from.
TEST(TimeTextValue, RecoversEveryProduct) {
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> times(-2e7, 2e7);
    std::vector<double> ts = {0, -0.0, 26.208, -1, 1e300, -1e300, std::nan(""),
                              std::numeric_limits<double>::infinity(), 9381599.3};
    for (int i = 0; i < 20000; ++i) ts.push_back(times(random));
    for (const double t : ts)
        for (const bool three : {false, true})
            EXPECT_EQ(time_text_value(time_text(t, three).c_str(), three), time_product(t, three))
                << t << (three ? " (3 digits)" : "");
}

TEST(InternalLevelNumber, OnlyWhatTheLevelRecognitionWrites) {
    EXPECT_EQ(internal_level_number("internal 1"), 1);
    EXPECT_EQ(internal_level_number("internal 10"), 10);
    EXPECT_EQ(internal_level_number("internal 55"), 55);
    for (const char* name : {"internal 56", "internal 0", "internal 07", "internal 1 ", "internal",
                             "internal -1", "Internal 1", "QWQUU001.LEV", ""})
        EXPECT_EQ(internal_level_number(name), std::nullopt) << name;
}

ListRow row(const char* rec, const char* lev, const char* s_m, const char* time) {
    ListRow r;
    std::snprintf(r.rec_file, sizeof r.rec_file, "%s", rec);
    std::snprintf(r.lev_file, sizeof r.lev_file, "%s", lev);
    std::snprintf(r.s_m, sizeof r.s_m, "%s", s_m);
    std::snprintf(r.time, sizeof r.time, "%s", time);
    return r;
}

std::vector<std::string> names_in(const std::vector<ListRow>& rows, const std::vector<std::size_t>& order) {
    std::vector<std::string> out;
    for (const std::size_t i : order) out.push_back(rows[i].rec_file);
    return out;
}

struct OrderCase {
    const char* name;
    SortColumn column;
    bool three_digits;
    std::vector<ListRow> rows;  // in pass order
    std::vector<std::string> ascending, descending;  // rec files
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class Orders : public ::testing::TestWithParam<OrderCase> {};

TEST_P(Orders, BothWaysWithTiesInPassOrder) {
    const OrderCase& c = GetParam();
    EXPECT_EQ(names_in(c.rows, sorted_rows(c.rows, c.column, false, c.three_digits)), c.ascending);
    EXPECT_EQ(names_in(c.rows, sorted_rows(c.rows, c.column, true, c.three_digits)), c.descending);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, Orders,
    ::testing::Values(
        OrderCase{"TimeByValue", SortColumn::Time, false,
                  {row("a", "L", "s", "1:00.00"), row("b", "L", "s", "not finished"),
                   row("c", "L", "s", "0:-2.-28"), row("d", "L", "s", "60:00.00"),
                   row("e", "L", "s", "0:59.99"), row("f", "L", "s", "0:00.-5"),
                   row("g", "L", "s", "-1:00.-1"), row("h", "L", "s", "0:00.00"),
                   row("i", "L", "s", "9:59.99")},
                  {"g", "c", "f", "h", "e", "a", "i", "d", "b"},
                  {"b", "d", "i", "a", "e", "h", "f", "c", "g"}},
        // -2.289 s against -2.29 s: in thousandths "-28" is a fraction, not hundredths.
        OrderCase{"TimeInThousandths", SortColumn::Time, true,
                  {row("a", "L", "s", "0:-2.-289"), row("b", "L", "s", "0:-2.-29"),
                   row("c", "L", "s", "0:59.999"), row("d", "L", "s", "1:00.000"),
                   row("e", "L", "s", "0:-2.-28")},
                  {"a", "b", "e", "c", "d"}, {"d", "c", "e", "b", "a"}},
        OrderCase{"EqualTimesKeepPassOrder", SortColumn::Time, false,
                  {row("z", "L", "s", "0:27.47"), row("a", "L", "m", "not finished"),
                   row("m", "L", "s", "0:27.47"), row("b", "L", "s", "not finished"),
                   row("c", "L", "s", "0:27.46")},
                  {"c", "z", "m", "a", "b"}, {"a", "b", "z", "m", "c"}},
        OrderCase{"LevInternalsByNumberThenNames", SortColumn::LevFile, false,
                  {row("a", "internal 10", "s", "x"), row("b", "Zeta.lev", "s", "x"),
                   row("c", "internal 2", "s", "x"), row("d", "alpha.lev", "s", "x"),
                   row("e", "internal 1", "s", "x"), row("f", "internal 07", "s", "x"),
                   row("g", "Alpha.lev", "s", "x"), row("h", "\xe9t\xe9.lev", "s", "x"),
                   row("i", "internal 2", "m", "x")},
                  // Names in byte order: capitals, digits' neighbours, then bytes past 0x7F.
                  {"e", "c", "i", "a", "g", "b", "d", "f", "h"},
                  {"h", "f", "d", "b", "g", "a", "c", "i", "e"}},
        OrderCase{"SBeforeM", SortColumn::SM, false,
                  {row("a", "L", "m", "x"), row("b", "L", "s", "x"), row("c", "L", "m", "x"),
                   row("d", "L", "s", "x")},
                  {"b", "d", "a", "c"}, {"a", "c", "b", "d"}},
        OrderCase{"RecWithoutCaseThenBytes", SortColumn::RecFile, false,
                  {row("b.rec", "L", "s", "x"), row("A.rec", "L", "s", "x"), row("a.rec", "L", "s", "x"),
                   row("_.rec", "L", "s", "x"), row("B.rec", "L", "s", "x"), row("a.rec", "L", "m", "x")},
                  // '_' lies between the upper and the lower case letters.
                  {"A.rec", "a.rec", "a.rec", "B.rec", "b.rec", "_.rec"},
                  {"_.rec", "b.rec", "B.rec", "a.rec", "a.rec", "A.rec"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(Orders, EqualRecNamesKeepPassOrderBothWays) {
    const std::vector<ListRow> rows = {row("a.rec", "L", "s", "1"), row("a.rec", "L", "s", "2")};
    for (const bool reverse : {false, true}) {
        const std::vector<std::size_t> order = sorted_rows(rows, SortColumn::RecFile, reverse, false);
        EXPECT_EQ(order, (std::vector<std::size_t>{0, 1}));
    }
}

TEST(BestPerLevel, LowestFinishedTimeEarliestOnTiesInLevelOrder) {
    const std::vector<ListRow> rows = {
        row("0", "Foo.lev", "s", "0:30.00"),      row("1", "internal 10", "s", "0:20.00"),
        row("2", "Foo.lev", "m", "0:-2.-28"),     row("3", "internal 2", "s", "not finished"),
        row("4", "internal 10", "m", "0:20.00"),  row("5", "internal 2", "s", "1:00.00"),
        row("6", "Bar.lev", "s", "not finished"), row("7", "internal 10", "s", "0:19.99"),
        row("8", "internal 10", "s", "0:19.99"),  row("9", "Foo.lev", "s", "0:-2.-28"),
    };
    EXPECT_EQ(best_per_level(rows, false), (std::vector<std::size_t>{5, 7, 2}));
    EXPECT_TRUE(best_per_level({}, false).empty());
    EXPECT_TRUE(best_per_level({row("a", "L", "s", "not finished")}, false).empty());
}

} // namespace
