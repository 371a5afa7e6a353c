#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
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
    nlohmann::json texts;
    for (const char* key : {"rec_file", "lev_file", "s_m", "time"}) texts[key] = rows[0][key];
    EXPECT_EQ(texts, (nlohmann::json{{"rec_file", "a.rec"}, {"lev_file", "internal 1"}, {"s_m", "s"},
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
          "--txt " + long_pattern, "--txt --format xml", "--txt --sort", "--txt --sort size",
          "--txt --reverse", "--txt --format json " + long_pattern + " rec/a.rec"}) {
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

// Each usage error names the option and what it expects.
TEST_F(Cli, UsageErrorsSayWhatTheOptionExpects) {
    const std::pair<std::string, std::string> cases[] = {
        {"--internal abc", "--internal: abc is not a number; expects a whole number N from -128 to 127\n"},
        {"--internal 300", "--internal: 300 is out of range; expects a whole number N from -128 to 127\n"},
        {"--internal", "--internal: its value is missing; expects a whole number N from -128 to 127\n"},
        {"--external", "--external: its value is missing; expects a level file NAME of at most 19 characters\n"},
        {"--format xml", "--format: 'xml' is unknown; expects text, csv or json\n"},
        {"--sort size", "--sort: 'size' is unknown; expects rec, lev, sm or time\n"},
        {"--sort", "--sort: its value is missing; expects rec, lev, sm or time\n"},
        {"--reverse", "--reverse requires --sort\n"},
        {"--internals --externals", "--internals excludes --externals; give one level filter at most\n"},
        {std::string(260, 'p'), "PATTERN: longer than 259 characters; expects a path of at most 259 characters\n"},
    };
    for (const auto& [args, message] : cases) {
        const CliRun r = cli(dir, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), message) << args;
    }
    // Decimal as typed: no octal or hexadecimal reading of a level number.
    EXPECT_EQ(cli(dir, "--internal 01").out, "a.rec         internal 1    s   0:27.47\n");
    EXPECT_EQ(cli(dir, "--internal 010").out, "");
    EXPECT_EQ(cli(dir, "--internal 0x1").status, 2);
}

TEST_F(Cli, HelpPrintsUsage) {
    const CliRun r = cli(dir, "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--three-digits"), std::string::npos);
}

TEST_F(Cli, JsonHasTypedFieldsBesideTheTexts) {
    write_file(dir / "rec/d.rec", single_player(on_level("QWQUU055.LEV", -1)));
    write_file(dir / "rec/e.rec", single_player(on_level("Inf.lev", std::numeric_limits<double>::infinity())));
    const CliRun r = cli(dir, "--format json");
    EXPECT_EQ(r.status, 0);
    const nlohmann::json rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 5u);
    const auto typed = [](const nlohmann::json& row) {
        nlohmann::json t = row;
        for (const char* text : {"rec_file", "lev_file", "s_m", "time"}) t.erase(text);
        return t;
    };
    using nlohmann::json;
    EXPECT_EQ(typed(rows[0]), (json{{"players", 1}, {"internal_level", 1}, {"finished", true},
                                    {"time_units", 12.0}, {"time_ms", 27472}, {"time_cs", 2747}}));
    EXPECT_EQ(typed(rows[1]), (json{{"players", 2}, {"internal_level", nullptr}, {"finished", true},
                                    {"time_units", 30.0}, {"time_ms", 68681}, {"time_cs", 6868}}));
    EXPECT_EQ(typed(rows[2]), (json{{"players", 1}, {"internal_level", nullptr}, {"finished", false},
                                    {"time_units", nullptr}, {"time_ms", nullptr}, {"time_cs", nullptr}}));
    EXPECT_EQ(rows[3]["time"], "0:-2.-28");
    EXPECT_EQ(typed(rows[3]), (json{{"players", 1}, {"internal_level", 55}, {"finished", true},
                                    {"time_units", -1.0}, {"time_ms", -2289}, {"time_cs", -228}}));
    // An infinite finish time: the product's low 32 bits are 0, as the text shows.
    EXPECT_EQ(rows[4]["time"], "0:00.00");
    EXPECT_EQ(typed(rows[4]), (json{{"players", 1}, {"internal_level", nullptr}, {"finished", true},
                                    {"time_units", nullptr}, {"time_ms", 0}, {"time_cs", 0}}));
    // The keys keep their order: the texts first.
    EXPECT_EQ(r.out.find("{\"rec_file\":\"a.rec\",\"lev_file\":\"internal 1\",\"s_m\":\"s\",\"time\":\"0:27.47\",\"players\":1"),
              4u);
}

// A folder of runs with ties, unfinished runs and both kinds of level, for
// --best and --sort. Pass order is the name order a..h.
class CliRuns : public ::testing::Test {
protected:
    CliRuns() {
        fs::create_directory(dir.path() / "rec");
        // 0:27.47 both, but 0:27.479 and 0:27.472 in thousandths.
        write_file(dir / "rec/a.rec", single_player(on_level("QWQUU010.LEV", 12.003)));
        write_file(dir / "rec/b.rec", single_player(on_level("QWQUU010.LEV", 12)));
        write_file(dir / "rec/c.rec", single_player(on_level("QWQUU002.LEV", 1, false)));
        write_file(dir / "rec/d.rec", two_player(on_level("QWQUU002.LEV", 30), on_level("QWQUU002.LEV", 5)));
        write_file(dir / "rec/e.rec", single_player(on_level("Foo.lev", 5)));
        write_file(dir / "rec/f.rec", single_player(on_level("Foo.lev", -1)));
        write_file(dir / "rec/g.rec", single_player(on_level("Bar.lev", 1, false)));
        write_file(dir / "rec/h.rec", single_player(on_level("Alpha.lev", 26.208)));
    }
    TempDir dir;
};

const char* const line_a = "a.rec         internal 10   s   0:27.47\n";
const char* const line_b = "b.rec         internal 10   s   0:27.47\n";
const char* const line_c = "c.rec         internal 2    s   not finished\n";
const char* const line_d = "d.rec         internal 2    m   1:08.68\n";
const char* const line_e = "e.rec         Foo.lev       s   0:11.44\n";
const char* const line_f = "f.rec         Foo.lev       s   0:-2.-28\n";
const char* const line_g = "g.rec         Bar.lev       s   not finished\n";
const char* const line_h = "h.rec         Alpha.lev     s   1:00.00\n";

std::string with_crlf(const std::string& lf) {
    std::string out;
    for (const char c : lf) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

TEST_F(CliRuns, BestIsTheLowestFinishedTimeOnEachLevel) {
    const std::string best = std::string(line_d) + line_a + line_h + line_f;
    const CliRun r = cli(dir, "--best --txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, best);
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), with_crlf(best));
    // By the value shown: in thousandths b is faster than a, and 1:00.00 is 0:59.999.
    EXPECT_EQ(cli(dir, "--best --three-digits").out,
              "d.rec         internal 2    m   1:08.681\n"
              "b.rec         internal 10   s   0:27.472\n"
              "h.rec         Alpha.lev     s   0:59.999\n"
              "f.rec         Foo.lev       s   0:-2.-289\n");
    EXPECT_EQ(cli(dir, "--best --internals").out, std::string(line_d) + line_a);
    EXPECT_EQ(cli(dir, "--best --external Foo.lev").out, line_f);
    EXPECT_EQ(cli(dir, "--best --external Bar.lev --txt").out, "");
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), "");
    EXPECT_EQ(cli(dir, "--best --sort time").out, std::string(line_f) + line_a + line_h + line_d);
    EXPECT_EQ(nlohmann::json::parse(cli(dir, "--best --format json").out).size(), 4u);
}

TEST_F(CliRuns, SortPrintsInColumnOrderAndStatTxtKeepsPassOrder) {
    const std::string pass = std::string(line_a) + line_b + line_c + line_d + line_e + line_f + line_g + line_h;
    const std::pair<std::string, std::string> cases[] = {
        {"--sort time", std::string(line_f) + line_e + line_a + line_b + line_h + line_d + line_c + line_g},
        {"--sort time --reverse", std::string(line_c) + line_g + line_d + line_h + line_a + line_b + line_e + line_f},
        {"--sort lev", std::string(line_c) + line_d + line_a + line_b + line_h + line_g + line_e + line_f},
        {"--sort lev --reverse", std::string(line_e) + line_f + line_g + line_h + line_a + line_b + line_c + line_d},
        {"--sort sm", std::string(line_a) + line_b + line_c + line_e + line_f + line_g + line_h + line_d},
        {"--sort rec --reverse", std::string(line_h) + line_g + line_f + line_e + line_d + line_c + line_b + line_a},
    };
    for (const auto& [args, out] : cases) {
        const CliRun r = cli(dir, args + " --txt");
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.out, out) << args;
        EXPECT_EQ(read_file(dir.path() / "stat.txt"), with_crlf(pass)) << args;
    }
}

// One pass per pattern, one after another, with one report for all of them.
TEST_F(CliRuns, SeveralPatternsListOneAfterAnother) {
    const CliRun r = cli(dir, "--txt 'rec/?.rec' rec/b.rec 'rec/[*' 'rec/[ab]*' 'rec/*' rec/h.rec");
    EXPECT_EQ(r.status, 0);
    const std::string all = std::string(line_a) + line_b + line_c + line_d + line_e + line_f + line_g + line_h;
    const std::string expected = all + line_b + all + line_h;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(read_file(dir.path() / "stat.txt"), with_crlf(expected));
    // What the shell makes of an unquoted pattern lists as the pattern does.
    EXPECT_EQ(cli(dir, "rec/*.rec").out, all);
    EXPECT_EQ(cli(dir, "--internal 10 rec/*.rec").out, std::string(line_a) + line_b);
    EXPECT_EQ(cli(dir, "--format csv rec/b.rec missing.rec rec/b.rec").out,
              "rec file,lev file,s/m,time\r\nb.rec,internal 10,s,0:27.47\r\nb.rec,internal 10,s,0:27.47\r\n");
    const nlohmann::json rows = nlohmann::json::parse(cli(dir, "--format json rec/a.rec 'rec/[*' rec/a.rec").out);
    EXPECT_EQ(rows.size(), 2u);
    // Sorting and --best take the rows of every pattern together.
    EXPECT_EQ(cli(dir, "--sort time rec/h.rec rec/f.rec").out, std::string(line_f) + line_h);
    EXPECT_EQ(cli(dir, "--best rec/b.rec rec/a.rec").out, line_b);
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
