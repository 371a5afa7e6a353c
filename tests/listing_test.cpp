#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "listing/listing.h"
#include "listing/text_report.h"
#include "filesys/find_files.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

RecordSpec on_level(const std::string& level, double finish = 12) {
    RecordSpec r;
    r.level_name = level;
    r.events = {event(finish)};
    return r;
}

ListOptions options_for(const std::string& pattern) {
    ListOptions o;
    std::snprintf(o.pattern, sizeof o.pattern, "%s", pattern.c_str());
    return o;
}

RecordingSink run(const ListOptions& options) {
    RecordingSink sink;
    TextReport report;
    run_listing_pass(options, sink, report);
    EXPECT_EQ(sink.clears, 1);
    return sink;
}

struct LevelCase {
    const char* text;
    const char* shown;
    bool internal;
    int number;
};

void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.text; }

class ClassifyLevel : public ::testing::TestWithParam<LevelCase> {};

TEST_P(ClassifyLevel, RecognisesInternalLevels) {
    const LevelCase& c = GetParam();
    char text[level_text_capacity + 1] = {};
    std::strcpy(text, c.text);
    const LevelClass level = classify_level(text);
    EXPECT_EQ(level.internal, c.internal) << c.text;
    if (c.internal) {
        EXPECT_EQ(level.number, c.number) << c.text;
    }
    EXPECT_STREQ(text, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClassifyLevel,
    ::testing::Values(LevelCase{"QWQUU001.LEV", "internal 1", true, 1},
                      LevelCase{"QWQUU055.LEV", "internal 55", true, 55},
                      LevelCase{"QWQUU056.LEV", "QWQUU056.LEV", false, 0},
                      LevelCase{"QWQUU000.LEV", "QWQUU000.LEV", false, 0},
                      LevelCase{"qwquu001.lev", "qwquu001.lev", false, 0},
                      // Not checked for digits: the colon is 58, so this is 10.
                      LevelCase{"QWQUU00:.LEV", "internal 10", true, 10},
                      // The terminating NUL counts as 0: "7" then NUL is 70 - 48.
                      LevelCase{"QWQUU07", "internal 22", true, 22},
                      LevelCase{"QWQUU0", "QWQUU0", false, 0}, LevelCase{"QWQUU", "QWQUU", false, 0},
                      LevelCase{"QWQUU0\xff" "1.LEV", "QWQUU0\xff" "1.LEV", false, 0},
                      LevelCase{"", "", false, 0}));

#ifndef _WIN32
// Our own wildcard matcher for Linux; Windows matches with its own rules.
struct MatchCase {
    const char* mask;
    const char* name;
    bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.mask << " ~ " << c.name; }

class Wildcards : public ::testing::TestWithParam<MatchCase> {};

TEST_P(Wildcards, Match) {
    EXPECT_EQ(wildcard_match(GetParam().mask, GetParam().name), GetParam().matches)
        << GetParam().mask << " ~ " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, Wildcards,
    ::testing::Values(MatchCase{"*.rec", "a.rec", true}, MatchCase{"*.rec", ".rec", true},
                      MatchCase{"*.rec", "A.REC", true}, MatchCase{"*.rec", "a.rec.bak", false},
                      MatchCase{"*.rec", "a.re", false}, MatchCase{"?.rec", "ab.rec", false},
                      MatchCase{"??.rec", "ab.rec", true}, MatchCase{"*", "", true},
                      MatchCase{"", "a", false}, MatchCase{"a*b*c", "aXbYbZc", true},
                      MatchCase{"a*b*c", "aXbYbZ", false}, MatchCase{"[ab].rec", "[AB].rec", true},
                      MatchCase{"[ab].rec", "a.rec", false}, MatchCase{"**?", "x", true},
                      MatchCase{"\xe9*", "\xc9x", false},
                      MatchCase{"*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false}));
#endif

// A folder of rec files, current for the test.
class Folder : public ::testing::Test {
protected:
    Folder() : cwd_(dir_.path()) { fs::create_directory("rec"); }
    void put(const std::string& path, const Bytes& bytes) { write_file(path, bytes); }

    TempDir dir_;
    CurrentDir cwd_;
};

TEST_F(Folder, DefaultPatternListsRecFiles) {
    put("rec/b.rec", two_player(on_level("QWQUU007.LEV", 5), on_level("QWQUU007.LEV", 12)));
    put("rec/A.rec", single_player(on_level("Foo.lev", 30)));
    put("rec/a.rec", single_player(on_level("QWQUU001.LEV")));
    put("rec/notes.txt", single_player(on_level("QWQUU001.LEV")));
    put("rec/broken.rec", Bytes{1, 2, 3});
    fs::create_directory("rec/dir.rec");
    ListOptions options;
    options.three_digits = true;
    std::vector<RecordedRow> rows = run(options).rows;
#ifdef _WIN32
    // Names ignore case there: a.rec rewrote the file A.rec. The order is the
    // file system's, so only the indexes' set is fixed.
    std::sort(rows.begin(), rows.end(),
              [](const RecordedRow& a, const RecordedRow& b) { return a.rec_file < b.rec_file; });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].index + rows[1].index, 1);
    rows[0].index = 0;
    rows[1].index = 1;
    const std::vector<RecordedRow> expected = {{0, "A.rec", "internal 1", "s", "0:27.472"},
                                               {1, "b.rec", "internal 7", "m", "0:27.472"}};
#else
    // Our enumeration sorts by upper-cased name, and keeps a.rec and A.rec apart.
    const std::vector<RecordedRow> expected = {{0, "A.rec", "Foo.lev", "s", "1:08.681"},
                                               {1, "a.rec", "internal 1", "s", "0:27.472"},
                                               {2, "b.rec", "internal 7", "m", "0:27.472"}};
#endif
    EXPECT_EQ(rows, expected);
}

struct FilterCase {
    const char* name;
    FilterMode filter;
    int number;
    const char* external;
    Names kept;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class Filters : public Folder, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(Filters, KeepOnlyTheirLevels) {
    put("rec/1.rec", single_player(on_level("QWQUU001.LEV")));
    put("rec/2.rec", single_player(on_level("QWQUU007.LEV")));
    put("rec/3.rec", single_player(on_level("Foo.lev")));
    put("rec/4.rec", single_player(on_level("foo.lev")));
    put("rec/5.rec", single_player(on_level("QWQUU056.LEV")));
    put("rec/6.rec", single_player(on_level("ABCDEFGHIJKLMNOP")));
    ListOptions options;
    options.filter = GetParam().filter;
    options.internal_number = static_cast<std::int8_t>(GetParam().number);
    std::strcpy(options.external_name, GetParam().external);
    EXPECT_EQ(run(options).names(), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Filters,
    ::testing::Values(
        FilterCase{"AllLevs", FilterMode::AllLevs, 0, "", {"1.rec", "2.rec", "3.rec", "4.rec", "5.rec", "6.rec"}},
        FilterCase{"Internals", FilterMode::Internals, 0, "", {"1.rec", "2.rec"}},
        FilterCase{"Externals", FilterMode::Externals, 0, "", {"3.rec", "4.rec", "5.rec", "6.rec"}},
        FilterCase{"Internal7", FilterMode::Internal, 7, "", {"2.rec"}},
        FilterCase{"InternalZeroKeepsNothing", FilterMode::Internal, 0, "", {}},
        FilterCase{"ExternalExactCase", FilterMode::External, 0, "Foo.lev", {"3.rec"}},
        FilterCase{"ExternalNeverInternal", FilterMode::External, 0, "QWQUU001.LEV", {}},
        FilterCase{"ExternalNameTooLongForALevel", FilterMode::External, 0, "ABCDEFGHIJKLMNOP", {}},
        FilterCase{"ExternalCutName", FilterMode::External, 0, "ABCDEFGHIJKLMNO", {"6.rec"}}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST_F(Folder, RowIndexesCountOnlyKeptRows) {
    put("rec/a.rec", single_player(on_level("QWQUU001.LEV")));
    put("rec/b.rec", Bytes{});
    put("rec/c.rec", single_player(on_level("Foo.lev")));
    put("rec/d.rec", single_player(on_level("QWQUU002.LEV")));
    put("rec/e.rec", single_player(on_level("QWQUU003.LEV")));
    ListOptions options;
    options.filter = FilterMode::Internals;
    const RecordingSink sink = run(options);
    ASSERT_EQ(sink.names(), (Names{"a.rec", "d.rec", "e.rec"}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sink.rows[static_cast<std::size_t>(i)].index, i);
}

TEST_F(Folder, PatternsFindTheirDirectory) {
    put("here.rec", single_player(on_level("QWQUU001.LEV")));
    put("rec/there.rec", single_player(on_level("QWQUU001.LEV")));
    const std::string absolute = (dir_.path() / "rec" / "*.rec").string();
    EXPECT_EQ(run(options_for(absolute)).names(), Names{"there.rec"});
    EXPECT_EQ(run(options_for("./rec/THERE.REC")).names(), Names{"there.rec"});
    EXPECT_TRUE(run(options_for("missing/*.rec")).names().empty());
    EXPECT_TRUE(run(options_for("rec/")).names().empty());
    // A backslash in the directory part separates directories, as on Windows.
    EXPECT_EQ(run(options_for("rec\\*.rec")).names(), Names{"there.rec"});
}

#ifndef _WIN32
// On Linux a backslash is also an ordinary character of names: a directory
// literally named "rec\" and a file "rec\there.rec" of the current directory
// must neither be listed nor read for the pattern rec\*.rec, and a name that
// holds a backslash is read from the directory it was listed in.
TEST_F(Folder, BackslashSeparatesInPatternsAndStaysInNames) {
    put("rec/there.rec", single_player(on_level("QWQUU001.LEV")));
    put("rec/a\\b.rec", single_player(on_level("Inner.lev")));
    fs::create_directory("rec\\");
    put("rec\\/decoy.rec", single_player(on_level("Decoy.lev")));
    put("rec\\there.rec", single_player(on_level("Wrong.lev")));
    const std::vector<RecordedRow> expected = {{0, "a\\b.rec", "Inner.lev", "s", "0:27.47"},
                                               {1, "there.rec", "internal 1", "s", "0:27.47"}};
    EXPECT_EQ(run(options_for("rec\\*.rec")).rows, expected);
    EXPECT_EQ(run(options_for("rec/*.rec")).rows, expected);
    EXPECT_EQ(run(options_for(".\\rec\\*.rec")).rows, expected);
}

TEST_F(Folder, APatternWhoseOnlySlashIsItsFirstReadsFromTheRoot) {
    // A rec file here named like a folder at the root: it is listed only if
    // the match were read without the prefix "/"; the root's folder is no rec file.
    std::string root_folder;
    for (const auto& e : fs::directory_iterator("/"))
        if (e.is_directory() && !e.is_symlink() && e.path().filename().string().find_first_of("*?[]\\") == std::string::npos) {
            root_folder = e.path().filename().string();
            break;
        }
    ASSERT_FALSE(root_folder.empty());
    put(root_folder, single_player(on_level("QWQUU001.LEV")));
    EXPECT_EQ(run(options_for(root_folder)).names(), Names{root_folder});
    EXPECT_EQ(run(options_for("/" + root_folder)).names(), Names{});
}
#endif

TEST_F(Folder, JoinedPathOver259IsSkipped) {
    const std::string dir(250, 'd');
    fs::create_directory(dir);
    put(dir + "/a.rec", single_player(on_level("QWQUU001.LEV")));     // 256 characters
    put(dir + "/abcd.rec", single_player(on_level("QWQUU001.LEV")));  // 259
    put(dir + "/abcde.rec", single_player(on_level("QWQUU001.LEV"))); // 260
    EXPECT_EQ(run(options_for(dir + "/*.rec")).names(), (Names{"a.rec", "abcd.rec"}));
}

} // namespace
