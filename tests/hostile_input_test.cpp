// Rec files as strangers share them, through whole listing passes: none may
// crash or hang a pass, allocate by a count it declares, or make the pass
// write anything but stat.txt. A well-formed file is listed with its row.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "listing/listing.h"
#include "listing/text_report.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

RecordSpec finishing_at(double time, const std::string& level = "Odd.lev") {
    RecordSpec r;
    r.level_name = level;
    r.events = {event(1, 1), event(time)};
    return r;
}

constexpr int child_hung = -2;

// Runs fn in a child process and gives its exit status (97 when fn threw),
// -1 when it died, or child_hung when it still ran after two minutes (then it
// is killed).
// With drop_root the child first becomes "nobody": root reads any file
// whatever its mode bits, so only an unprivileged reader meets a denial.
int in_child(const std::function<int()>& fn, bool drop_root = false) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (drop_root && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(98);
        // Nothing may unwind out of the child into the test runner's frames.
        int status = 97;
        try {
            status = fn();
        } catch (...) {
        }
        std::fflush(nullptr);
        _exit(status);
    }
    if (pid < 0) return -1;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return child_hung;
        }
        usleep(10000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder with rec/ in it, current for the test.
class HostileFolder : public ::testing::Test {
protected:
    HostileFolder() : cwd_(dir_.path()) { fs::create_directory("rec"); }

    static bool pass(RecordingSink& sink, bool report = true) { return run_pass(sink, report); }

    // A pass with stat.txt that fails: empty when the report was written.
    static std::string failed_report(RecordingSink& sink) {
        ListOptions options;
        options.report = true;
        TextReport report;
        run_listing_pass(options, sink, report);
        if (report.succeeded()) return {};
        char text[report_message_room];
        report.describe_failure(text, sizeof text);
        return text;
    }

    TempDir dir_;
    CurrentDir cwd_;
};

TEST_F(HostileFolder, OddFinishTimesAreListedWithTheirRows) {
    write_file("rec/huge.rec", single_player(finishing_at(1e300)));
    write_file("rec/inf.rec", single_player(finishing_at(inf)));
    write_file("rec/minus_inf.rec", single_player(finishing_at(-inf)));
    write_file("rec/minus_zero.rec", single_player(finishing_at(-0.0)));
    // A NaN never equals itself, so it is no finish; two players with a NaN go to player 2.
    write_file("rec/nan.rec", single_player(finishing_at(std::nan(""))));
    write_file("rec/nan_vs_12.rec", two_player(finishing_at(std::nan("")), finishing_at(12)));
    write_file("rec/wraps.rec", single_player(finishing_at(9381599.3, "QWQUU003.LEV")));
    RecordingSink sink;
    ASSERT_TRUE(pass(sink));
    const std::vector<RecordedRow> expected = {
        {0, "huge.rec", "Odd.lev", "s", "0:00.00"},
        {1, "inf.rec", "Odd.lev", "s", "0:00.00"},
        {2, "minus_inf.rec", "Odd.lev", "s", "0:00.00"},
        {3, "minus_zero.rec", "Odd.lev", "s", "0:00.00"},
        {4, "nan.rec", "Odd.lev", "s", "not finished"},
        {5, "nan_vs_12.rec", "Odd.lev", "m", "0:27.47"},
        {6, "wraps.rec", "internal 3", "s", "-357860:-52.-59"}};
    EXPECT_EQ(sink.rows, expected);
}

TEST_F(HostileFolder, LinksLoopsAndSpecialFilesAreLeftOut) {
    write_file("rec/good.rec", single_player(finishing_at(12)));
    fs::create_symlink("good.rec", "rec/link.rec");
    fs::create_symlink("loop.rec", "rec/loop.rec");
    fs::create_symlink("pong.rec", "rec/ping.rec");
    fs::create_symlink("ping.rec", "rec/pong.rec");
    fs::create_symlink("missing.rec", "rec/dangling.rec");
    fs::create_directory("rec/folder.rec");
    ASSERT_EQ(mkfifo("rec/fifo.rec", 0600), 0);
    // In a child, so that a FIFO that blocked the pass fails the test as hung.
    const int status = in_child([] {
        RecordingSink sink;
        return pass(sink) && sink.names() == Names{"good.rec", "link.rec"} ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "1: wrong rows; -2: the pass hung";
}

TEST_F(HostileFolder, NamesThatAreNotUtf8KeepTheirBytes) {
    const Names names = {"caf\xe9.rec", "\xc3(.rec", "\xff\xfe.rec"};
    for (const std::string& name : names) write_file("rec/" + name, single_player(finishing_at(12)));
    RecordingSink sink;
    ASSERT_TRUE(pass(sink));
    EXPECT_EQ(sink.names(), names);
    EXPECT_EQ(read_file("stat.txt"),
              "caf\xe9.rec      Odd.lev       s   0:27.47\r\n"
              "\xc3(.rec        Odd.lev       s   0:27.47\r\n"
              "\xff\xfe.rec        Odd.lev       s   0:27.47\r\n");
}

TEST_F(HostileFolder, AnUnreadableFileIsLeftOut) {
    write_file("rec/open.rec", single_player(finishing_at(12)));
    write_file("rec/locked.rec", single_player(finishing_at(12)));
    fs::permissions("rec/locked.rec", fs::perms::none);
    // The unprivileged reader must reach the folder.
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const int status = in_child(
        [] {
            if (std::fopen("rec/locked.rec", "rb") != nullptr) return 2;  // not unreadable after all
            RecordingSink sink;
            pass(sink, false);
            return sink.names() == Names{"open.rec"} ? 0 : 1;
        },
        true);
    EXPECT_EQ(status, 0) << "2: the file was readable; 98: could not drop root";
}

// Root writes any file whatever its mode bits: these run as "nobody".
TEST_F(HostileFolder, ARefusedStatTxtIsNotReplaced) {
    write_file("rec/a.rec", single_player(finishing_at(12)));
    write_file("stat.txt", Bytes{'o', 'l', 'd'});
    fs::permissions("stat.txt", fs::perms(0444));
    fs::permissions(dir_.path(), fs::perms::all);  // a new file could be made
    const int status = in_child(
        [] {
            RecordingSink sink;
            const std::string expected = "stat.txt could not be written. Opening stat.txt for writing in " +
                                         fs::current_path().string() + " failed: Permission denied.";
            return failed_report(sink) == expected && sink.names() == Names{"a.rec"} ? 0 : 1;
        },
        true);
    EXPECT_EQ(status, 0) << "1: replaced, or not said so; 98: could not drop root";
    EXPECT_EQ(read_file("stat.txt"), "old");
    EXPECT_EQ(entry_names("."), (Names{"rec", "stat.txt"}));
}

TEST_F(HostileFolder, WhereNoNewFileCanBeMadeStatTxtIsRewrittenInPlace) {
    write_file("rec/a.rec", single_player(finishing_at(12)));
    write_file("stat.txt", Bytes(100, 'x'));
    fs::permissions("stat.txt", fs::perms(0666));
    fs::permissions(dir_.path(), fs::perms(0755));  // no new file for others
    struct stat before;
    ASSERT_EQ(stat("stat.txt", &before), 0);
    const int status = in_child(
        [] {
            RecordingSink sink;
            return pass(sink) ? 0 : 1;
        },
        true);
    EXPECT_EQ(status, 0) << "1: not written; 98: could not drop root";
    EXPECT_EQ(read_file("stat.txt"), "a.rec         Odd.lev       s   0:27.47\r\n");
    struct stat after;
    ASSERT_EQ(stat("stat.txt", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(entry_names("."), (Names{"rec", "stat.txt"}));
}

// A real failing write, not the report's seam: past the file size limit
// the system refuses with EFBIG (the signal it would send is ignored).
TEST_F(HostileFolder, AReportPastTheFileSizeLimitFailsAndKeepsTheOldOne) {
    for (int i = 0; i < 300; ++i) write_file("rec/" + std::to_string(1000 + i) + ".rec", single_player(finishing_at(12)));
    write_file("stat.txt", Bytes{'o', 'l', 'd'});
    const int status = in_child([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        RecordingSink sink;
        const std::string message = failed_report(sink);
        return sink.rows.size() == 300 &&
                       message.find("Writing the report in ") != std::string::npos &&
                       message.find(": File too large.") != std::string::npos
                   ? 0
                   : 1;
    });
    EXPECT_EQ(status, 0) << "1: written, or not said so; 2: no limit could be set";
    EXPECT_EQ(read_file("stat.txt"), "old");
    EXPECT_EQ(entry_names("."), (Names{"rec", "stat.txt"}));
}

int open_descriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

// Every entry is opened and closed again: one descriptor kept per entry
// would show in the count, and would run out long before the last entry,
// the one rec file.
TEST_F(HostileFolder, HundredThousandEntriesAndTheLastOneARecFile) {
    char name[32];
    for (int i = 0; i < 99999; ++i) {
        std::snprintf(name, sizeof name, "rec/%06d.rec", i);
        if (i % 10 == 0) {
            ASSERT_EQ(symlink(name + 4, name), 0);  // a link to itself
        } else {
            const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    write_file("rec/099999.rec", single_player(finishing_at(12)));
    const int before = open_descriptors();
    RecordingSink sink;
    ASSERT_TRUE(pass(sink));
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(sink.rows, (std::vector<RecordedRow>{{0, "099999.rec", "Odd.lev", "s", "0:27.47"}}));
    EXPECT_EQ(read_file("stat.txt"), "099999.rec    Odd.lev       s   0:27.47\r\n");
}

long status_kib(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::stol(line.substr(n + 1));
    return -1;
}

TEST_F(HostileFolder, HugeEventCountsInTinyFilesAllocateLittle) {
    Names paths;
    for (std::int32_t count : {INT_MAX, 1 << 30, 65536}) {
        for (bool two : {false, true}) {
            RecordSpec hostile = finishing_at(12);
            hostile.declared_event_count = count;
            const std::string path = "rec/" + std::to_string(count) + (two ? "m" : "s") + ".rec";
            write_file(path, two ? two_player(finishing_at(12), hostile) : single_player(hostile));
            paths.push_back(path);
        }
    }
    // In a child, whose peak resident size is reset before the reads and read
    // after them. Its data size is also capped, so that a reader that did
    // allocate by the count fails here rather than exhausting the machine.
    const long limit_kib = 16 * 1024;
    const int status = in_child([&] {
        const long data_kib = status_kib("VmData");
        if (data_kib > 0) {
            const rlim_t cap = static_cast<rlim_t>(data_kib + 1024 * 1024) * 1024;
            const rlimit limit{cap, cap};
            setrlimit(RLIMIT_DATA, &limit);
        }
        // "5" resets the peak to the present size; where that is refused, the
        // earlier peak stands in, a weaker bound that cannot fail falsely.
        const int refs = ::open("/proc/self/clear_refs", O_WRONLY);
        const bool reset = refs >= 0 && ::write(refs, "5", 1) == 1;
        if (refs >= 0) ::close(refs);
        const long before = status_kib(reset ? "VmRSS" : "VmHWM");
        RecSummary summary;
        summary.clear();
        char time[time_text_capacity + 1], level[level_text_capacity + 1], s_m[s_m_text_capacity + 1];
        for (const std::string& path : paths)
            if (summary.read(path.c_str(), time, level, s_m, false)) return 1;
        const long growth = status_kib("VmHWM") - before;
        std::fprintf(stderr, "peak resident growth: %ld KiB\n", growth);
        return before > 0 && growth < limit_kib ? 0 : 2;
    });
    EXPECT_EQ(status, 0) << "1: a hostile file was read as valid; 2: peak memory grew by 16 MiB or more; "
                            "97: an allocation failed";
}

// What a directory holds, for telling exactly what a pass changed.
struct EntryState {
    fs::file_type type;
    std::string bytes;  // a file's content or a link's target
    fs::file_time_type mtime;
    bool operator==(const EntryState&) const = default;
};

std::map<std::string, EntryState> snapshot(const fs::path& root) {
    std::map<std::string, EntryState> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const fs::file_type type = e.symlink_status().type();
        EntryState state{type, "", {}};
        if (type == fs::file_type::regular) {
            state.bytes = read_file(e.path());
            state.mtime = fs::last_write_time(e.path());
        } else if (type == fs::file_type::symlink) {
            state.bytes = fs::read_symlink(e.path()).string();
        }
        out[fs::relative(e.path(), root).string()] = state;
    }
    return out;
}

Names changed_entries(const std::map<std::string, EntryState>& before,
                      const std::map<std::string, EntryState>& after) {
    Names changed;
    for (const auto& [name, state] : after) {
        const auto it = before.find(name);
        if (it == before.end() || !(it->second == state)) changed.push_back(name);
    }
    for (const auto& [name, state] : before)
        if (!after.count(name)) changed.push_back(name + " (removed)");
    return changed;
}

struct WriteCase {
    const char* name;
    void (*prepare)();
    bool written;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class NothingWrittenButStatTxt : public HostileFolder, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(NothingWrittenButStatTxt, InTheFolderOrItsRecFiles) {
    write_file("rec/a.rec", single_player(finishing_at(12, "QWQUU001.LEV")));
    write_file("rec/b.rec", two_player(finishing_at(5), finishing_at(30)));
    write_file("rec/broken.rec", Bytes{131, 0, 0, 0});
    fs::create_symlink("a.rec", "rec/link.rec");
    // An old time, so that a rewrite of any file would show even within the clock's resolution.
    const auto long_ago = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    for (const auto& e : fs::directory_iterator("rec"))
        if (e.is_regular_file() && !e.is_symlink()) fs::last_write_time(e.path(), long_ago);
    GetParam().prepare();
    const auto before = snapshot(".");

    RecordingSink sink;
    EXPECT_EQ(pass(sink), GetParam().written);
    EXPECT_EQ(sink.names(), (Names{"a.rec", "b.rec", "link.rec"}));
    EXPECT_EQ(changed_entries(before, snapshot(".")), GetParam().written ? Names{"stat.txt"} : Names{});
}

INSTANTIATE_TEST_SUITE_P(
    Reports, NothingWrittenButStatTxt,
    ::testing::Values(WriteCase{"NoEarlierReport", [] {}, true},
                      WriteCase{"EarlierReport", [] { write_file("stat.txt", Bytes(3, 'x')); }, true},
                      // Creating the report fails as root too when its name is a folder.
                      WriteCase{"ReportNameIsAFolder", [] { fs::create_directory("stat.txt"); }, false}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

} // namespace
