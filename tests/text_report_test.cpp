#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "listing/listing.h"
#include "listing/text_report.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/report_faults.h"
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

// What ReportPass's folder reports.
const char* const two_rows =
    "a.rec         internal 1    s   0:27.47\r\n"
    "c.rec         Foo.lev       s   0:27.47\r\n";

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
    EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt"}));
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
    EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt"}));
}

TEST_F(ReportPass, LeavesOtherFilesOfTemporaryNamesAlone) {
    // A fresh file of our temporary name may belong to a run going on now.
    for (const char* name : {"stat.txt.0.tmp", "stat.txt.tmp", "stat.txt.clockr-0.tmp"})
        write_file(name, Bytes{'m', 'i', 'n', 'e'});
    EXPECT_TRUE(pass(true));
    for (const char* name : {"stat.txt.0.tmp", "stat.txt.tmp", "stat.txt.clockr-0.tmp"})
        EXPECT_EQ(read_file(name), "mine") << name;
    EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt", "stat.txt.0.tmp",
                                                      "stat.txt.clockr-0.tmp", "stat.txt.tmp"}));
}

TEST_F(ReportPass, TakesOverTemporaryFilesThatEarlierRunsLeft) {
    // Every name a run could use, left by runs that died a while ago.
    const auto long_ago = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    for (int n = 0; n < 100; ++n) {
        const std::string name = "stat.txt.clockr-" + std::to_string(n) + ".tmp";
        write_file(name, Bytes{'o', 'l', 'd'});
        fs::last_write_time(name, long_ago);
    }
    EXPECT_TRUE(pass(true));
    EXPECT_EQ(read_file("stat.txt"), two_rows);
    // One name was taken over; the rest wait for later runs.
    EXPECT_EQ(entry_names(".").size(), 2u + 99u);
}

#ifndef _WIN32
// Entries anywhere below dir whose names are our temporary files'.
std::vector<std::string> temporary_files(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().filename().string().find(".clockr-") != std::string::npos) found.push_back(e.path().string());
    return found;
}

// A stat.txt that is a symbolic link is written through, as opening it for
// writing would: its target is replaced (made, when missing), the link stays.
struct LinkCase {
    const char* name;
    const char* link;       // what stat.txt points to; %s stands for the test's folder
    const char* lands_in;   // the file that gets the report; nullptr when the report fails
    const char* message;    // what the failure's message ends with
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class StatTxtLink : public ReportPass, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(StatTxtLink, IsWrittenThrough) {
    const LinkCase& c = GetParam();
    fs::create_directory("reports");
    fs::create_directory("links");
    write_file("reports/week.txt", Bytes{'o', 'l', 'd'});
    fs::create_symlink("../reports/week.txt", "links/week");
    char link[report_path_room];
    std::snprintf(link, sizeof link, c.link, fs::current_path().c_str());
    fs::create_symlink(link, "stat.txt");

    TextReport report;
    ListOptions options;
    options.report = true;
    run_listing_pass(options, sink, report);
    EXPECT_EQ(report.succeeded(), c.lands_in != nullptr);
    EXPECT_EQ(sink.names(), (std::vector<std::string>{"a.rec", "c.rec"}));
    EXPECT_TRUE(fs::is_symlink("stat.txt"));
    EXPECT_EQ(fs::read_symlink("stat.txt"), link);
    EXPECT_EQ(temporary_files("."), std::vector<std::string>{});
    if (c.lands_in) {
        EXPECT_EQ(read_file(c.lands_in), two_rows);
    } else {
        EXPECT_EQ(read_file("reports/week.txt"), "old");
        char text[report_message_room];
        report.describe_failure(text, sizeof text);
        char expected[report_message_room];
        std::snprintf(expected, sizeof expected, c.message, fs::current_path().c_str());
        EXPECT_STREQ(text, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, StatTxtLink,
    ::testing::Values(
        LinkCase{"Relative", "reports/week.txt", "reports/week.txt", nullptr},
        LinkCase{"Absolute", "%s/reports/week.txt", "reports/week.txt", nullptr},
        // The second link is relative to its own folder.
        LinkCase{"ToALink", "links/week", "reports/week.txt", nullptr},
        LinkCase{"DanglingMakesItsTarget", "reports/new.txt", "reports/new.txt", nullptr},
        LinkCase{"DanglingIntoNoFolder", "missing/new.txt", nullptr,
                 "stat.txt could not be written. Making a new file in %s/missing failed: No such file or "
                 "directory."},
        LinkCase{"ToItself", "stat.txt", nullptr,
                 "stat.txt could not be written. Opening stat.txt for writing in %s failed: Too many levels "
                 "of symbolic links."},
        LinkCase{"ToAFolder", "reports", nullptr,
                 "stat.txt could not be written. Opening stat.txt for writing in %s failed: Is a directory."}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

// Old files of our temporary names that no run of ours made: a folder, a
// file with a second name, and (where the test can make one) another user's.
TEST_F(ReportPass, LeavesOldTemporaryNamesThatAreNotOursAlone) {
    const auto long_ago = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    fs::create_directory("stat.txt.clockr-0.tmp");
    write_file("stat.txt.clockr-1.tmp", Bytes{'1'});
    fs::create_hard_link("stat.txt.clockr-1.tmp", "second-name");
    write_file("stat.txt.clockr-2.tmp", Bytes{'2'});
    if (geteuid() == 0) {
        ASSERT_EQ(chown("stat.txt.clockr-2.tmp", 65534, 65534), 0);
    }
    for (const char* name : {"stat.txt.clockr-0.tmp", "stat.txt.clockr-1.tmp", "stat.txt.clockr-2.tmp"})
        fs::last_write_time(name, long_ago);
    EXPECT_TRUE(pass(true));
    EXPECT_EQ(read_file("stat.txt"), two_rows);
    EXPECT_TRUE(fs::is_directory("stat.txt.clockr-0.tmp"));
    EXPECT_EQ(read_file("stat.txt.clockr-1.tmp"), "1");
    if (geteuid() == 0) {
        EXPECT_EQ(read_file("stat.txt.clockr-2.tmp"), "2");
    }
}

TEST_F(ReportPass, KeepsTheOldFilesPermissionBitsAndOwner) {
    for (const fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0664)}) {
        write_file("stat.txt", Bytes{'o', 'l', 'd'});
        fs::permissions("stat.txt", mode);
        // Only root can give a file to another user, and only root's run can give it back.
        const bool as_root = geteuid() == 0;
        if (as_root) {
            ASSERT_EQ(chown("stat.txt", 65534, 65534), 0);
        }
        EXPECT_TRUE(pass(true));
        EXPECT_EQ(read_file("stat.txt"), two_rows);
        EXPECT_EQ(fs::status("stat.txt").permissions(), mode);
        struct stat st;
        ASSERT_EQ(stat("stat.txt", &st), 0);
        if (as_root) {
            EXPECT_EQ(st.st_uid, 65534u);
            EXPECT_EQ(st.st_gid, 65534u);
        }
    }
    // A new stat.txt gets what any new file gets.
    fs::remove("stat.txt");
    const mode_t mask = umask(022);
    EXPECT_TRUE(pass(true));
    umask(mask);
    EXPECT_EQ(fs::status("stat.txt").permissions(), fs::perms(0644));
}
#endif

// 300 rec files, whose report takes two writes, and a longer old stat.txt.
class FailingReport : public ::testing::Test {
protected:
    FailingReport() : cwd_(dir_.path()) {
        fs::create_directory("rec");
        RecordSpec r;
        r.events = {event(12)};
        for (int i = 0; i < 300; ++i) write_file("rec/" + std::to_string(1000 + i) + ".rec", single_player(r));
        write_file("stat.txt", Bytes(old_report.begin(), old_report.end()));
        RecordingSink plain;
        run_pass(plain, false);
        rows_ = plain.rows;
    }

    // A report pass; true when stat.txt was written.
    bool pass() {
        ListOptions options;
        options.report = true;
        TextReport report;
        run_listing_pass(options, sink_, report);
        char text[report_message_room];
        report.describe_failure(text, sizeof text);
        message_ = text;
        return report.succeeded();
    }

    // What every failed pass must show: its rows all listed, nothing left
    // beside stat.txt, and a message naming the folder.
    void expect_failed_cleanly() {
        EXPECT_EQ(sink_.rows, rows_);
        EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt"}));
        const std::string start = "stat.txt could not be written. ";
        EXPECT_EQ(message_.substr(0, start.size()), start) << message_;
        EXPECT_NE(message_.find(" in " + fs::current_path().string() + " failed: "), std::string::npos) << message_;
#ifndef _WIN32
        EXPECT_EQ(message_.substr(message_.size() - std::strlen(std::strerror(disk_full)) - 1),
                  std::string(std::strerror(disk_full)) + ".") << message_;
#endif
    }

    // Compared without printing its 20,000 bytes.
    void expect_old_report() {
        const std::string now = read_file("stat.txt");
        EXPECT_TRUE(now == old_report) << "stat.txt changed: " << now.size() << " bytes, starting "
                                       << now.substr(0, 60);
    }

    const std::string old_report = std::string(20000, 'x') + "\r\n";
    TempDir dir_;
    CurrentDir cwd_;
    RecordingSink sink_;
    std::vector<RecordedRow> rows_;
    std::string message_;
};

std::vector<std::string> names_of(const std::vector<InjectedFault>& faults) {
    std::vector<std::string> names;
    for (const InjectedFault& f : faults) names.push_back(f.name());
    return names;
}

TEST_F(FailingReport, TheNewFileIsOnTheDiskBeforeItReplacesTheOld) {
    FaultScope counting;
    ASSERT_TRUE(pass());
    std::vector<ReportStep> expected = {ReportStep::Target, ReportStep::Create, ReportStep::Write,
                                        ReportStep::Write, ReportStep::Flush};
    // Where the system has unnamed files, the new one gets its name after the flush.
    if (std::count(counting.steps().begin(), counting.steps().end(), ReportStep::Link))
        expected.push_back(ReportStep::Link);
    expected.insert(expected.end(), {ReportStep::Close, ReportStep::Rename});
    EXPECT_EQ(counting.steps(), expected);
    EXPECT_EQ(read_file("stat.txt"), report_lines(rows_));
}

TEST_F(FailingReport, EachFailingStepLeavesTheOldReportAndNoOtherFile) {
    const std::vector<InjectedFault> faults = every_fault([this] { pass(); }, disk_full);
    const std::vector<std::string> names = names_of(faults);
    for (const char* step : {"Target1", "Create1", "Write1", "Write2", "Flush1", "Close1", "Rename1"})
        EXPECT_NE(std::find(names.begin(), names.end(), step), names.end()) << step;
    for (const InjectedFault& fault : faults) {
        SCOPED_TRACE(fault.name());
        write_file("stat.txt", Bytes(old_report.begin(), old_report.end()));
        FaultScope failing({fault});
        EXPECT_FALSE(pass());
        expect_old_report();
        expect_failed_cleanly();
    }
}

// Where no new file can be made in the folder, stat.txt is rewritten in
// place: whole when every step works, reported when one fails.
TEST_F(FailingReport, InPlaceWhenNoNewFileCanBeMade) {
    const InjectedFault no_new_file{ReportStep::Create, 1, access_denied};
    {
        FaultScope counting({no_new_file});
        ASSERT_TRUE(pass());
        EXPECT_EQ(read_file("stat.txt"), report_lines(rows_));
        EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt"}));
    }
    const std::vector<InjectedFault> faults = every_fault([this] { pass(); }, disk_full, {no_new_file});
    const std::vector<std::string> names = names_of(faults);
    EXPECT_EQ(names, (std::vector<std::string>{"Target1", "OpenInPlace1", "Write1", "Write2", "Truncate1",
                                               "Flush1", "Close1"}));
    for (const InjectedFault& fault : faults) {
        SCOPED_TRACE(fault.name());
        write_file("stat.txt", Bytes(old_report.begin(), old_report.end()));
        FaultScope failing({no_new_file, fault});
        EXPECT_FALSE(pass());
        if (fault.step == ReportStep::Target || fault.step == ReportStep::OpenInPlace) expect_old_report();
        expect_failed_cleanly();
    }
}

// The helper program next to this one, as a command for std::system.
std::string sibling_command(const char* name) {
#ifdef _WIN32
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    return "\"" + path.substr(0, path.find_last_of("\\/") + 1) + name + ".exe\"";
#else
    return "'" + fs::read_symlink("/proc/self/exe").parent_path().string() + "/" + name + "'";
#endif
}

TEST_F(FailingReport, ARunThatDiesMidReportLeavesNothingBehind) {
    // The helper opens a report here, writes rows and kills itself.
    std::system(sibling_command("die_mid_report").c_str());
    expect_old_report();
    EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt"}));
}

} // namespace
