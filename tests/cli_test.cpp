#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/report_faults.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

// The command line front end as a process, in dir, with arguments given as
// shell words; program may also set variables in front of it.
CliRun cli(const TempDir& dir, const std::string& args, const std::string& program = "'" CLOCKR_CLI "'") {
    const std::string command = "cd '" + dir.path().string() + "' && " + program + " " + args +
                                " >.out 2>.err </dev/null";
    const int raw = std::system(command.c_str());
    CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(dir.path() / ".out"),
            read_file(dir.path() / ".err")};
    fs::remove(dir.path() / ".out");
    fs::remove(dir.path() / ".err");
    return run;
}

RecordSpec on_level(const std::string& level, double finish, bool finished = true) {
    RecordSpec r;
    r.level_name = level;
    r.events = run_events(4, finish, finished);
    return r;
}

class Cli : public ::testing::Test {
protected:
    Cli() {
        fs::create_directory(dir.path() / "rec");
        write_file(dir / "rec/a.rec", single_player(on_level("QWQUU001.LEV", 12)));
        write_file(dir / "rec/b,\"q\".rec", two_player(on_level("Foo.lev", 30), on_level("Foo.lev", 5)));
        write_file(dir / "rec/c\xe9.rec", single_player(on_level("Bar\xff.lev", 12, false)));
        write_file(dir / "rec/junk.rec", Bytes{1, 2, 3});
    }
    TempDir dir;
};

const char* const text_rows =
    "a.rec         internal 1    s   0:27.47\n"
    "b,\"q\".rec     Foo.lev       m   1:08.68\n"
    "c\xe9.rec        Bar\xff.lev      s   not finished\n";

TEST_F(Cli, TextIsTheReportLines) {
    const CliRun r = cli(dir, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, text_rows);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(dir.path() / "stat.txt"));
}

TEST_F(Cli, CsvQuotesWhereNeeded) {
    const CliRun r = cli(dir, "--format csv --three-digits --externals");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "rec file,lev file,s/m,time\r\n"
              "\"b,\"\"q\"\".rec\",Foo.lev,m,1:08.681\r\n"
              "c\xe9.rec,Bar\xff.lev,s,not finished\r\n");
}

TEST_F(Cli, JsonIsValidUtf8WhateverTheNames) {
    const CliRun r = cli(dir, "--format json");
    EXPECT_EQ(r.status, 0);
    const nlohmann::json rows = nlohmann::json::parse(r.out);  // throws on invalid UTF-8
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (nlohmann::json{{"rec_file", "a.rec"}, {"lev_file", "internal 1"}, {"s_m", "s"},
                                       {"time", "0:27.47"}}));
    EXPECT_EQ(rows[1]["rec_file"], "b,\"q\".rec");
    EXPECT_EQ(rows[2]["rec_file"], "c\xc3\xa9.rec");   // Latin-1 é
    EXPECT_EQ(rows[2]["lev_file"], "Bar\xc3\xbf.lev");  // Latin-1 ÿ
    EXPECT_EQ(cli(dir, "--format json nothing/*").out, "[]\n");
}

TEST_F(Cli, FiltersSelectTheirRows) {
    EXPECT_EQ(cli(dir, "--internal 1").out, "a.rec         internal 1    s   0:27.47\n");
    EXPECT_EQ(cli(dir, "--internal 257").status, 2);
    EXPECT_EQ(cli(dir, "--internal -5").out, "");
    EXPECT_EQ(cli(dir, "--external Foo.lev --format csv").out,
              "rec file,lev file,s/m,time\r\n\"b,\"\"q\"\".rec\",Foo.lev,m,1:08.68\r\n");
    EXPECT_EQ(cli(dir, "--internals 'rec/?.rec'").out, "a.rec         internal 1    s   0:27.47\n");
}

TEST_F(Cli, TxtAlsoWritesStatTxt) {
    const CliRun r = cli(dir, "--txt --format csv");
    EXPECT_EQ(r.status, 0);
    std::string crlf;
    for (const char* p = text_rows; *p; ++p) crlf += *p == '\n' ? std::string("\r\n") : std::string(1, *p);
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), crlf);
}

TEST_F(Cli, UnwritableStatTxtExitsOneAndStillPrints) {
    fs::create_directory(dir.path() / "stat.txt");
    const CliRun r = cli(dir, "--txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, text_rows);
    EXPECT_EQ(r.err, "korvo-clockr-cli: stat.txt could not be written. Opening stat.txt for writing in " +
                         fs::canonical(dir.path()).string() + " failed: Is a directory.\n");
    EXPECT_TRUE(fs::is_directory(dir.path() / "stat.txt"));
}

// A folder of count rec files and an old stat.txt.
class CliReport : public ::testing::Test {
protected:
    void fill(int count) {
        fs::create_directory(dir.path() / "rec");
        const Bytes bytes = single_player(on_level("QWQUU001.LEV", 12));
        for (int i = 0; i < count; ++i) write_file(dir / ("rec/" + std::to_string(10000 + i) + ".rec"), bytes);
        write_file(dir / "stat.txt", Bytes(old.begin(), old.end()));
    }

    const std::string old = "old report\r\n";
    TempDir dir;
};

TEST_F(CliReport, EachFailingStepExitsOneWithItsReasonAndKeepsTheOldReport) {
    fill(300);
    const std::string rows = cli(dir, "").out;
    std::vector<InjectedFault> faults;
    {
        CurrentDir cwd(dir.path());
        faults = every_fault([] { RecordingSink sink; run_pass(sink, true); }, ENOSPC);
    }
    ASSERT_GE(faults.size(), 7u);
    const std::string start = "korvo-clockr-cli: stat.txt could not be written. ";
    const std::string end = " in " + fs::canonical(dir.path()).string() + " failed: No space left on device.\n";
    for (const InjectedFault& fault : faults) {
        SCOPED_TRACE(fault.name());
        write_file(dir / "stat.txt", Bytes(old.begin(), old.end()));
        const CliRun r = cli(dir, "--txt",
                             "CLOCKR_REPORT_FAULT='" + std::to_string(static_cast<int>(fault.step)) + " " +
                                 std::to_string(fault.nth) + " " + std::to_string(fault.error) +
                                 "' '" CLOCKR_CLI_FAULTS "'");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, rows);
        EXPECT_EQ(r.err.substr(0, start.size()), start) << r.err;
        EXPECT_NE(r.err.find(end), std::string::npos) << r.err;
        EXPECT_EQ(read_file(dir.path() / "stat.txt"), old);
        EXPECT_EQ(entry_names(dir.path()), (std::vector<std::string>{"rec", "stat.txt"}));
    }
}

// `--txt | head -1`: the tool dies of the closed pipe in the middle of the
// pass, having written more than a pipe holds.
TEST_F(CliReport, CutOffByAClosedPipeLeavesNothingBehind) {
    fill(3000);
    const std::string command = "cd '" + dir.path().string() + "' && '" CLOCKR_CLI "' --txt | head -c 1 >/dev/null";
    std::system(command.c_str());
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), old);
    EXPECT_EQ(entry_names(dir.path()), (std::vector<std::string>{"rec", "stat.txt"}));
}

TEST_F(Cli, NothingMatchedIsSuccess) {
    const CliRun r = cli(dir, "--txt 'missing/*.rec'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), "");
}

TEST_F(Cli, VersionPrintsNameAndVersion) {
    const CliRun r = cli(dir, "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "korvo-clockr-cli " CLOCKR_VERSION "\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Cli, UsageErrorsExitTwoAndTouchNothing) {
    write_file(dir / "stat.txt", Bytes{'o', 'l', 'd'});
    const std::string long_pattern(260, 'p');
    for (const std::string& args : std::vector<std::string>{"--txt --bogus", "--txt --internals --externals", "--txt --internal 3 --external X",
          "--txt --internals --internal 3", "--txt --internal 128", "--txt --internal -129",
          "--txt --internal x", "--txt --internal", "--txt --external ABCDEFGHIJKLMNOPQRST",
          "--txt " + long_pattern, "--txt --format xml", "--txt a b"}) {
        const CliRun r = cli(dir, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err, "") << args;
    }
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), "old");
    // The limits themselves are accepted.
    EXPECT_EQ(cli(dir, "--internal -128").status, 0);
    EXPECT_EQ(cli(dir, "--external ABCDEFGHIJKLMNOPQRS").status, 0);
    EXPECT_EQ(cli(dir, std::string(259, 'p')).status, 0);
}

TEST_F(Cli, HelpPrintsUsage) {
    const CliRun r = cli(dir, "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--three-digits"), std::string::npos);
}

// The committed samples are what the project's writer makes, and list as shown.
TEST(Examples, AreTheWritersOutputAndListAsDocumented) {
    TempDir fresh;
    ASSERT_EQ(std::system(("'" WRITE_EXAMPLES "' '" + fresh.path().string() + "'").c_str()), 0);
    for (const auto& e : fs::directory_iterator(CLOCKR_EXAMPLES "/rec"))
        EXPECT_EQ(read_file(e.path()), read_file(fresh.path() / e.path().filename())) << e.path();

    const std::string cmd = "cd '" CLOCKR_EXAMPLES "' && '" CLOCKR_CLI "' --three-digits >'" +
                            (fresh.path() / "out").string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(read_file(fresh.path() / "out"),
              "duel.rec      Duel.lev      m   not finished\n"
              "duo_warmup.recinternal 7    m   0:59.999\n"
              "first_try.rec internal 1    s   0:27.472\n"
              "forest.rec    Forest.lev    s   1:08.681\n"
              "hour.rec      Marathon.lev  s   60:00.000\n"
              "last_level.recinternal 55   s   not finished\n");
}

} // namespace
