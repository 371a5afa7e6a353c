// The pass with reader threads gives what a pass reading one file at a time
// gives: the same rows, order, indexes and stat.txt bytes, over folders of
// every awkward kind; and a file that changes while a pass runs is listed
// whole, as it was or as it became, or left out.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "listing/listing.h"
#include "listing/text_report.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

// Beside PassReaders, for GoogleTest to find.
void PrintTo(const PassReaders& r, std::ostream* os) { *os << r.threads << " threads"; }

namespace {

RecordSpec finishing_at(double time, const std::string& level = "QWQUU004.LEV", int events = 3) {
    RecordSpec r;
    r.level_name = level;
    r.frame_count = 40;
    r.events = run_events(events, time, true);
    return r;
}

struct PassResult {
    std::vector<RecordedRow> rows;
    std::string stat_txt;
    bool operator==(const PassResult&) const = default;
};

PassResult pass_with(PassReaders readers, ListOptions options) {
    options.report = true;
    RecordingSink sink;
    TextReport report;
    run_listing_pass(options, sink, report, readers);
    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(sink.clears, 1);
    return {sink.rows, read_file("stat.txt")};
}

// One at a time, and with reader threads started at once.
constexpr PassReaders one_at_a_time{0, 0};
const PassReaders with_threads[] = {{1, 0}, {3, 0}, {32, 0}, default_pass_readers};

class SameAsOneAtATime : public ::testing::Test {
protected:
    SameAsOneAtATime() : cwd_(dir_.path()) { fs::create_directory("rec"); }

    // Every filter and both time formats, each with every thread count.
    void expect_same_passes() {
        const struct {
            FilterMode filter;
            int number;
            const char* external;
        } filters[] = {{FilterMode::AllLevs, 0, ""},  {FilterMode::Internals, 0, ""},
                       {FilterMode::Externals, 0, ""}, {FilterMode::Internal, 4, ""},
                       {FilterMode::External, 0, "Odd.lev"}};
        for (const auto& f : filters) {
            for (bool three_digits : {false, true}) {
                ListOptions options;
                options.filter = f.filter;
                options.internal_number = static_cast<std::int8_t>(f.number);
                std::snprintf(options.external_name, sizeof options.external_name, "%s", f.external);
                options.three_digits = three_digits;
                const PassResult expected = pass_with(one_at_a_time, options);
                for (const PassReaders& readers : with_threads) {
                    SCOPED_TRACE(::testing::PrintToString(readers));
                    EXPECT_EQ(pass_with(readers, options), expected)
                        << "filter " << static_cast<int>(f.filter) << (three_digits ? ", 3 digits" : "");
                }
            }
        }
    }

    TempDir dir_;
    CurrentDir cwd_;
};

// Many more entries than any window, kept and dropped runs of every length,
// so slots are reused many times over and rows wait behind slow neighbours.
TEST_F(SameAsOneAtATime, OverThousandsOfMixedEntries) {
    const Bytes large = two_player(finishing_at(100, "Odd.lev", 3000), finishing_at(90, "Odd.lev", 3000));
    char name[32];
    for (int i = 0; i < 1500; ++i) {
        std::snprintf(name, sizeof name, "rec/%05d.rec", i);
        switch (i * 7 % 11) {
        case 0: write_file(name, Bytes{1, 2, 3}); break;
        case 1: write_file(name, large); break;
        case 2: fs::create_directory(name); break;
        case 3: write_file(name, single_player(finishing_at(i, "Odd.lev"))); break;
        default: write_file(name, single_player(finishing_at(i / 10.0, i % 2 ? "QWQUU004.LEV" : "QWQUU009.LEV")));
        }
    }
    expect_same_passes();
}

#ifndef _WIN32
// Links, FIFOs and permissions as Linux has them.
TEST_F(SameAsOneAtATime, OverEveryKindOfEntry) {
    write_file("rec/good.rec", single_player(finishing_at(12)));
    write_file("rec/two.rec", two_player(finishing_at(5, "Odd.lev"), finishing_at(30, "Odd.lev")));
    write_file("rec/nan.rec", single_player(finishing_at(std::nan(""), "Odd.lev")));
    write_file("rec/wraps.rec", single_player(finishing_at(9381599.3)));
    write_file("rec/empty.rec", Bytes{});
    write_file("rec/short.rec", Bytes{131, 0, 0, 0});
    write_file("rec/caf\xe9.rec", single_player(finishing_at(7, "QWQUU00:.LEV")));
    write_file("rec/locked.rec", single_player(finishing_at(12)));
    fs::permissions("rec/locked.rec", fs::perms::none);  // read all the same by root
    for (std::int32_t count : {INT_MAX, 1 << 30, -1}) {
        RecordSpec hostile = finishing_at(12);
        hostile.declared_event_count = count;
        write_file("rec/count" + std::to_string(count) + ".rec", two_player(finishing_at(3), hostile));
    }
    fs::create_symlink("good.rec", "rec/link.rec");
    fs::create_symlink("loop.rec", "rec/loop.rec");
    fs::create_symlink("missing.rec", "rec/dangling.rec");
    fs::create_directory("rec/folder.rec");
    ASSERT_EQ(mkfifo("rec/fifo.rec", 0600), 0);
    expect_same_passes();
}

// The size the suite's hostile folder has: 100,000 entries, few of them rec files.
TEST_F(SameAsOneAtATime, OverHundredThousandEntries) {
    char name[32];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(name, sizeof name, "rec/%06d.rec", i);
        if (i % 997 == 0) {
            write_file(name, single_player(finishing_at(i / 100.0)));
        } else if (i % 10 == 0) {
            ASSERT_EQ(symlink(name + 4, name), 0);
        } else {
            const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    ListOptions options;
    const PassResult expected = pass_with(one_at_a_time, options);
    EXPECT_EQ(expected.rows.size(), 101u);
    EXPECT_EQ(pass_with({32, 0}, options), expected);
}

// Two versions of each file, told apart by level, player count and time.
// Linux only: Windows refuses to replace or truncate a file another reader holds open.
const Bytes version_a = single_player(finishing_at(12, "QWQUU001.LEV", 5));
const Bytes version_b = two_player(finishing_at(20, "Other.lev", 200), finishing_at(21, "Other.lev", 200));

// The rows of the two versions, a.rec and b.rec, as a pass lists them.
std::vector<RecordedRow> version_rows() {
    TempDir dir;
    write_file(dir / "a.rec", version_a);
    write_file(dir / "b.rec", version_b);
    RecordingSink sink;
    EXPECT_TRUE(run_pass(sink, false, (dir / "*.rec").c_str()));
    EXPECT_EQ(sink.rows.size(), 2u);
    return sink.rows;
}

bool same_texts(const RecordedRow& a, const RecordedRow& b) {
    return a.lev_file == b.lev_file && a.s_m == b.s_m && a.time == b.time;
}

// Replaces path by bytes the way a careful writer does: a new file renamed over it.
void replace_by_rename(const std::string& path, const Bytes& bytes) {
    write_file(path + ".new", bytes);
    fs::rename(path + ".new", path);
}

// A sink that runs a change to the folder before the first row goes on.
class ChangingSink final : public RowSink {
public:
    explicit ChangingSink(std::function<void()> change) : change_(std::move(change)) {}
    void clear() override {}
    void add_row(int index, const ListRow& row) override {
        if (change_) std::exchange(change_, nullptr)();
        rows.push_back({index, row.rec_file, row.lev_file, row.s_m, row.time});
    }
    std::vector<RecordedRow> rows;

private:
    std::function<void()> change_;
};

class ChangedDuringThePass : public ::testing::TestWithParam<PassReaders> {
protected:
    ChangedDuringThePass() : cwd_(dir_.path()) { fs::create_directory("rec"); }

    // rec/000.rec, rec/001.rec, ... holding version a.
    static void put_files(int files) {
        for (int i = 0; i < files; ++i) write_file(name_of(i), version_a);
    }
    static std::string name_of(int i) {
        char name[32];
        std::snprintf(name, sizeof name, "rec/%03d.rec", i);
        return name;
    }

    bool is_whole_version(const RecordedRow& row) const {
        return same_texts(row, versions_[0]) || same_texts(row, versions_[1]);
    }

    const std::vector<RecordedRow> versions_ = version_rows();
    TempDir dir_;
    CurrentDir cwd_;
};

// The change comes while the window holds the changed files, some read and
// some not: each is listed whole in one version or left out.
TEST_P(ChangedDuringThePass, FilesAreListedWholeOrLeftOut) {
    constexpr int files = 400;
    put_files(files);
    ChangingSink sink([] {
        for (int i = 1; i < files; ++i) {
            const std::string path = name_of(i);
            switch (i % 4) {
            case 0: replace_by_rename(path, version_b); break;
            case 1: fs::remove(path); break;
            case 2: truncate(path.c_str(), static_cast<off_t>(version_a.size() - 1 - i % 50)); break;
            case 3: break;  // unchanged
            }
        }
    });
    ListOptions options;
    TextReport report;
    run_listing_pass(options, sink, report, GetParam());
    std::map<int, int> listed;
    for (std::size_t n = 0; n < sink.rows.size(); ++n) {
        const RecordedRow& row = sink.rows[n];
        EXPECT_EQ(row.index, static_cast<int>(n));
        EXPECT_TRUE(is_whole_version(row)) << row.rec_file << ": " << row.lev_file << " " << row.time;
        const int i = std::stoi(row.rec_file);
        ++listed[i];
        // A truncated file is left out unless it was read before the change.
        if (i % 4 == 2) {
            EXPECT_TRUE(same_texts(row, versions_[0])) << row.rec_file;
        }
    }
    for (int i = 0; i < files; ++i)
        if (i % 4 == 0 || i % 4 == 3) {
            EXPECT_EQ(listed[i], 1) << "file " << i;
        }
}

// Files replaced and truncated without pause while passes run: every row is
// one whole version of its file.
TEST_P(ChangedDuringThePass, FilesChurnedThroughManyPasses) {
    constexpr int files = 64;
    put_files(files);
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        for (unsigned n = 0; !stop.load(); ++n) {
            const std::string path = name_of(static_cast<int>(n * 7 % files));
            const Bytes& next = n % 2 ? version_a : version_b;
            if (n % 3 == 0) truncate(path.c_str(), static_cast<off_t>(n % 300));  // then put back whole
            replace_by_rename(path, next);
        }
    });
    for (int pass = 0; pass < 30; ++pass) {
        ChangingSink sink(nullptr);
        TextReport report;
        run_listing_pass(ListOptions{}, sink, report, GetParam());
        for (const RecordedRow& row : sink.rows)
            ASSERT_TRUE(is_whole_version(row)) << row.rec_file << ": " << row.lev_file << " " << row.time;
    }
    stop = true;
    churn.join();
}

INSTANTIATE_TEST_SUITE_P(Readers, ChangedDuringThePass,
                         ::testing::Values(PassReaders{0, 0}, PassReaders{4, 0}, PassReaders{32, 0}),
                         [](const ::testing::TestParamInfo<PassReaders>& info) {
                             return std::to_string(info.param.threads) + "Threads";
                         });
#endif

} // namespace
