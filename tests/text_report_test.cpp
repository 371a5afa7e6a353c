#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "listing/listing.h"
#include "listing/text_report.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

ListRow row_of(const char* rec, const char* lev, const char* s_m, const char* time) {
    ListRow row{};
    std::strcpy(row.rec_file, rec);
    std::strcpy(row.lev_file, lev);
    std::strcpy(row.s_m, s_m);
    std::strcpy(row.time, time);
    return row;
}

std::string line_of(const ListRow& row) {
    char line[report_line_capacity + 1];
    format_report_line(line, row);
    return line;
}

TEST(ReportLine, PadsTheFirstTwoTextsTo14) {
    EXPECT_EQ(line_of(row_of("a.rec", "internal 1", "s", "0:27.47")),
              "a.rec         internal 1    s   0:27.47");
    EXPECT_EQ(line_of(row_of("exactly14c.rec", "ABCDEFGHIJKLMNO", "m", "not finished")),
              "exactly14c.recABCDEFGHIJKLMNOm   not finished");
    EXPECT_EQ(line_of(row_of("", "", "s", "-357913:-56.-48")), std::string(28, ' ') + "s   -357913:-56.-48");
    const std::string longest(path_capacity, 'n');
    EXPECT_EQ(line_of(row_of(longest.c_str(), "ABCDEFGHIJKLMNO", "m", "-357913:-56.-48")),
              longest + "ABCDEFGHIJKLMNOm   -357913:-56.-48");
}

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ReportPass : public ::testing::Test {
protected:
    ReportPass() : cwd_(dir_.path()) {
        fs::create_directory("rec");
        RecordSpec r;
        r.events = {event(12)};
        write_file("rec/a.rec", single_player(r));
        write_file("rec/b.rec", Bytes{0});
        r.level_name = "Foo.lev";
        write_file("rec/c.rec", single_player(r));
    }

    bool pass(bool report, const char* pattern = "rec/*.rec") { return run_pass(sink, report, pattern); }

    TempDir dir_;
    CurrentDir cwd_;
    RecordingSink sink;
};

TEST_F(ReportPass, WritesTheKeptRowsWithCrLf) {
    write_file("stat.txt", Bytes(5000, 'x'));
    EXPECT_TRUE(pass(true));
    EXPECT_EQ(read_file("stat.txt"),
              "a.rec         internal 1    s   0:27.47\r\n"
              "c.rec         Foo.lev       s   0:27.47\r\n");
    EXPECT_EQ(entries("."), (std::vector<std::string>{"rec", "stat.txt"}));
}

TEST_F(ReportPass, MatchingNothingLeavesAnEmptyReport) {
    write_file("stat.txt", Bytes(10, 'x'));
    EXPECT_TRUE(pass(true, "nothing/*.rec"));
    EXPECT_TRUE(fs::exists("stat.txt"));
    EXPECT_EQ(read_file("stat.txt"), "");
}

TEST_F(ReportPass, ListOnlyPassLeavesStatTxtAlone) {
    pass(false);
    EXPECT_FALSE(fs::exists("stat.txt"));
    write_file("stat.txt", Bytes{'o', 'l', 'd'});
    const auto before = fs::last_write_time("stat.txt");
    pass(false);
    EXPECT_EQ(read_file("stat.txt"), "old");
    EXPECT_EQ(fs::last_write_time("stat.txt"), before);
}

TEST_F(ReportPass, UnwritableReportFailsButKeepsTheList) {
    fs::create_directory("stat.txt");
    EXPECT_FALSE(pass(true));
    EXPECT_EQ(sink.names(), (std::vector<std::string>{"a.rec", "c.rec"}));
    EXPECT_TRUE(fs::is_directory("stat.txt"));
    EXPECT_EQ(entries("."), (std::vector<std::string>{"rec", "stat.txt"}));
}

TEST_F(ReportPass, LeavesAnotherFileOfTheTemporaryNameAlone) {
    write_file("stat.txt.0.tmp", Bytes{'m', 'i', 'n', 'e'});
    EXPECT_TRUE(pass(true));
    EXPECT_EQ(read_file("stat.txt.0.tmp"), "mine");
    EXPECT_EQ(entries("."), (std::vector<std::string>{"rec", "stat.txt", "stat.txt.0.tmp"}));
}

} // namespace
