#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "recfile/rec_summary.h"
#include "support/rec_writer.h"
#include "support/temp_dir.h"

namespace {

struct ReadResult {
    bool ok;
    std::string level, s_m, time;
};

// The texts start as "untouched" so a test sees what read wrote.
ReadResult read_path(RecSummary& summary, const std::string& path, bool three_digits = false) {
    char time[time_text_capacity + 1] = "untouched";
    char level[level_text_capacity + 1] = "untouched";
    char s_m[s_m_text_capacity + 1] = "u";
    const bool ok = summary.read(path.c_str(), time, level, s_m, three_digits);
    return {ok, level, s_m, time};
}

ReadResult read_bytes(const Bytes& bytes, bool three_digits = false) {
    TempDir dir;
    write_file(dir / "a.rec", bytes);
    RecSummary summary;
    summary.clear();
    return read_path(summary, dir / "a.rec", three_digits);
}

RecordSpec record(std::vector<RecEvent> events, std::string level = "QWQUU001.LEV") {
    RecordSpec r;
    r.level_name = std::move(level);
    r.events = std::move(events);
    return r;
}

RecordSpec with(RecordSpec r, void (*change)(RecordSpec&)) {
    change(r);
    return r;
}

struct ReadCase {
    const char* name;
    Bytes bytes;
    bool ok;
    const char* level = "";
    const char* s_m = "";
    const char* time = "";
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadCases, GivesResultAndTexts) {
    const ReadCase& c = GetParam();
    const ReadResult r = read_bytes(c.bytes);
    EXPECT_EQ(r.ok, c.ok);
    if (c.ok) {
        EXPECT_EQ(r.level, c.level);
        EXPECT_EQ(r.s_m, c.s_m);
        EXPECT_EQ(r.time, c.time);
    }
}

const RecordSpec finished_12 = record({event(3, 1), event(12)});

INSTANTIATE_TEST_SUITE_P(
    Files, ReadCases,
    ::testing::Values(
        ReadCase{"SingleNoEvents", single_player(record({})), true, "QWQUU001.LEV", "s", "not finished"},
        ReadCase{"SingleFinished", single_player(finished_12), true, "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"Version130", single_player(with(finished_12, [](RecordSpec& r) { r.version = 130; })), false},
        ReadCase{"SecondVersion130",
                 two_player(finished_12, with(finished_12, [](RecordSpec& r) { r.version = 130; })), false},
        ReadCase{"TwoPlayer", two_player(record({event(5)}), record({event(12)})), true, "QWQUU001.LEV", "m",
                 "0:27.47"},
        // The second record's multi decides: 0 there makes the file single-player.
        ReadCase{"SecondMultiZero",
                 rec_bytes({with(record({event(5)}), [](RecordSpec& r) { r.multi = 1; }), record({event(12)})}),
                 true, "QWQUU001.LEV", "s", "0:11.44"},
        ReadCase{"LevelName15", single_player(record({}, "ABCDEFGHIJKLMNO")), true, "ABCDEFGHIJKLMNO", "s",
                 "not finished"},
        ReadCase{"LevelName16NoNul", single_player(record({}, "ABCDEFGHIJKLMNOP")), true, "ABCDEFGHIJKLMNO", "s",
                 "not finished"},
        ReadCase{"LevelTextFromLastRecord",
                 two_player(record({event(12)}, "FIRST.LEV"), record({event(12)}, "SECOND.LEV")), true,
                 "SECOND.LEV", "m", "0:27.47"},
        ReadCase{"FramesSkipped", single_player(with(finished_12, [](RecordSpec& r) { r.frame_count = 3; })),
                 true, "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"Frames32767", single_player(with(finished_12, [](RecordSpec& r) { r.frame_count = 32767; })),
                 true, "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"Frames32768", single_player(with(finished_12, [](RecordSpec& r) { r.frame_count = 32768; })),
                 true, "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"Frames65536", single_player(with(finished_12, [](RecordSpec& r) { r.frame_count = 65536; })),
                 true, "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"FramesMinus1MeansNone",
                 single_player(with(finished_12, [](RecordSpec& r) { r.frame_count = -1; })), true,
                 "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"FramesIntMinMeansNone",
                 single_player(with(finished_12, [](RecordSpec& r) { r.frame_count = INT_MIN; })), true,
                 "QWQUU001.LEV", "s", "0:27.47"},
        ReadCase{"FramesIntMaxInSmallFile",
                 single_player(with(finished_12, [](RecordSpec& r) {
                     r.frame_count = INT_MAX;
                     r.frame_bytes = 100;
                 })),
                 false},
        ReadCase{"Multi2", rec_bytes({with(finished_12, [](RecordSpec& r) { r.multi = 2; })}), false},
        ReadCase{"MultiMinus1", rec_bytes({with(finished_12, [](RecordSpec& r) { r.multi = -1; })}), false},
        ReadCase{"MultiIntMax", rec_bytes({with(finished_12, [](RecordSpec& r) { r.multi = INT_MAX; })}), false},
        ReadCase{"SecondMulti2",
                 rec_bytes({with(finished_12, [](RecordSpec& r) { r.multi = 1; }),
                            with(finished_12, [](RecordSpec& r) { r.multi = 2; })}),
                 false},
        ReadCase{"EventCountMinus1",
                 single_player(with(record({}), [](RecordSpec& r) { r.declared_event_count = -1; })), false},
        ReadCase{"EventCountIntMaxInTinyFile",
                 single_player(with(record({}), [](RecordSpec& r) { r.declared_event_count = INT_MAX; })), false},
        ReadCase{"EventCount32767InTinyFile",
                 single_player(with(record({event(1)}), [](RecordSpec& r) { r.declared_event_count = 32767; })),
                 false},
        ReadCase{"EventCount32768InTinyFile",
                 single_player(with(record({event(1)}), [](RecordSpec& r) { r.declared_event_count = 32768; })),
                 false},
        ReadCase{"EventCount65536InTinyFile",
                 single_player(with(record({event(1)}), [](RecordSpec& r) { r.declared_event_count = 65536; })),
                 false},
        ReadCase{"NoEndMarker", single_player(with(finished_12, [](RecordSpec& r) { r.end_marker = false; })),
                 false},
        ReadCase{"Empty", Bytes{}, false}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(RecSummaryRead, ManyEventsAreReadInFull) {
    for (int count : {32767, 32768, 65536}) {
        // The finish event is the first of the run: the walk must go all the way down.
        std::vector<RecEvent> events(static_cast<std::size_t>(count), event(12, 1));
        events.front() = event(12);
        const ReadResult r = read_bytes(single_player(record(events)));
        EXPECT_TRUE(r.ok) << count;
        EXPECT_EQ(r.time, "0:27.47") << count;
    }
}

TEST(RecSummaryRead, EveryTruncationOfATwoPlayerFileIsRejected) {
    RecordSpec first = record(run_events(5, 30, true), "QWQUU007.LEV");
    first.frame_count = 4;
    RecordSpec second = record(run_events(3, 20, true), "QWQUU007.LEV");
    second.frame_count = 4;
    const Bytes whole = two_player(first, second);
    ASSERT_TRUE(read_bytes(whole).ok);

    TempDir dir;
    RecSummary summary;
    summary.clear();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        write_file(dir / "cut.rec", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_FALSE(read_path(summary, dir / "cut.rec").ok) << "cut at " << size;
    }
}

TEST(RecSummaryRead, UnopenableOrWrongVersionLeavesTextsUntouched) {
    TempDir dir;
    RecSummary summary;
    summary.clear();
    write_file(dir / "old.rec",
               single_player(with(finished_12, [](RecordSpec& r) { r.version = 130; })));
    std::filesystem::create_directory(dir / "dir.rec");
    std::vector<const char*> names = {"missing.rec", "", "old.rec", "dir.rec"};
#ifndef _WIN32
    // A FIFO with no writer must be refused, not waited on. Windows has no such entry.
    ASSERT_EQ(mkfifo((dir / "fifo.rec").c_str(), 0600), 0);
    names.push_back("fifo.rec");
#endif
    for (const char* name : names) {
        const ReadResult r = read_path(summary, dir / name);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_EQ(r.level, "untouched") << name;
        EXPECT_EQ(r.s_m, "u") << name;
        EXPECT_EQ(r.time, "untouched") << name;
    }
}

TEST(RecSummaryRead, SinglePlayerResultIgnoresAnEarlierFilesSecondPlayer) {
    TempDir dir;
    write_file(dir / "two.rec", two_player(record({event(5)}), record({event(12)})));
    write_file(dir / "one.rec", single_player(record({})));
    RecSummary summary;
    summary.clear();
    EXPECT_EQ(read_path(summary, dir / "two.rec").time, "0:27.47");
    const ReadResult r = read_path(summary, dir / "one.rec");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.time, "not finished");
    EXPECT_TRUE(summary.events[0].empty() && summary.events[1].empty());
    // Released, not just emptied: a pass must not hold the largest file's events.
    EXPECT_EQ(summary.events[0].capacity() + summary.events[1].capacity(), 0u);
}

// The reader takes a record's events and the next header in one read of a
// few kilobytes; these counts put the end of the first record on every side
// of that read's end, whole and cut short.
TEST(RecSummaryRead, RecordsEndingAroundOneReadAreReadWhole) {
    TempDir dir;
    RecSummary summary;
    summary.clear();
    for (int count = 480; count <= 540; ++count) {
        std::vector<RecEvent> events(static_cast<std::size_t>(count), event(12, 1));
        events.back() = event(12);  // the only finish is the last event
        RecordSpec first = record(events, "QWQUU007.LEV");
        RecordSpec second = first;
        second.frame_count = 3;
        const Bytes whole = two_player(first, second);
        write_file(dir / "two.rec", whole);
        const ReadResult r = read_path(summary, dir / "two.rec");
        EXPECT_TRUE(r.ok) << count;
        EXPECT_EQ(r.s_m, "m") << count;
        EXPECT_EQ(r.time, "0:27.47") << count;

        const std::size_t first_end = 44 + 16 * static_cast<std::size_t>(count);
        for (std::size_t size = first_end - 20; size < first_end + 40; ++size) {
            write_file(dir / "cut.rec", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
            EXPECT_FALSE(read_path(summary, dir / "cut.rec").ok) << count << " cut at " << size;
        }
    }
}

TEST(RecSummaryRead, ThreeDigitsReachFinishText) {
    EXPECT_EQ(read_bytes(single_player(finished_12), true).time, "0:27.472");
}

} // namespace
