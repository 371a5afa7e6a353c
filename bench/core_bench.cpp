// The reader and the listing pass against the floor: the system calls a pass
// cannot avoid (open, the reads of header, count and events, close).
// clockr_bench --corpus=DIR [benchmark flags]; DIR is written when missing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include "corpus.h"
#include "listing/listing.h"
#include "listing/text_report.h"
#include "support/rec_writer.h"

// Heap use of this process, to show that a pass holds one file's events at
// a time. Sizes are the allocator's own, so nothing is stored beside a block.
// Atomic, as the pass's reader threads allocate too.
namespace heap {
std::atomic<std::size_t> live = 0;
std::atomic<std::size_t> peak = 0;
std::atomic<std::size_t> allocations = 0;
} // namespace heap

// Not inlined: the compiler would otherwise pair malloc and free across them.
[[gnu::noinline]] void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) std::abort();
    const std::size_t live = heap::live.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) +
                             malloc_usable_size(p);
    heap::allocations.fetch_add(1, std::memory_order_relaxed);
    std::size_t peak = heap::peak.load(std::memory_order_relaxed);
    while (live > peak && !heap::peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}

[[gnu::noinline]] void operator delete(void* p) noexcept {
    if (!p) return;
    heap::live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

void operator delete(void* q, std::size_t) noexcept { operator delete(q); }

namespace {

std::string corpus_dir = "build-bench/corpus";
constexpr int pass_files = 10000;

std::string pass_dir() { return corpus_dir + "/pass"; }

// Keeps nothing: what is measured is the pass, not a list.
class NullSink final : public RowSink {
public:
    void clear() override {}
    void add_row(int, const ListRow& row) override { benchmark::DoNotOptimize(row.time[0]); }
};

// Pattern matching the first files of the pass folder: r0*.rec is 10,000
// files, r00*.rec the first 1,000, and so on down to r0000*.rec, 10.
std::string pattern_for(int files) {
    const char* mask = files == 10000 ? "/r0*.rec"
                       : files == 1000 ? "/r00*.rec"
                       : files == 100  ? "/r000*.rec"
                                       : "/r0000*.rec";
    return pass_dir() + mask;
}

void run_pass(int files, PassReaders readers = default_pass_readers) {
    ListOptions options;
    std::snprintf(options.pattern, sizeof options.pattern, "%s", pattern_for(files).c_str());
    NullSink sink;
    TextReport report;  // unused: the options ask for no report
    run_listing_pass(options, sink, report, readers);
}

std::int32_t le_i32(const unsigned char* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                     std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

// The floor for one file, knowing its layout in advance: open, one read of
// the header, one read of count, events, end marker and (two players) the
// next header, then the second player's count, events and marker, close.
struct FloorFile {
    std::string path;
    std::int64_t reads[2][2];  // offset and size of each read after the header
    int read_count;
};

std::vector<FloorFile> floor_files(int files) {
    std::vector<FloorFile> out;
    for (int i = 0; i < files; ++i) {
        FloorFile f{pass_dir() + "/" + corpus_file_name(i), {}, 0};
        const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
        std::int64_t offset = 0;
        for (int record = 0; record < 2 && fd >= 0; ++record) {
            unsigned char header[36];
            if (::pread(fd, header, 36, offset) != 36) break;
            const std::int32_t frames = le_i32(header);
            offset += 36 + (frames > 0 ? std::int64_t{27} * frames : 0);
            unsigned char count[4];
            if (::pread(fd, count, 4, offset) != 4) break;
            const std::int64_t size = 4 + 16 * std::int64_t{le_i32(count)} + 4;
            const bool more = record == 0 && le_i32(header + 8) == 1;
            f.reads[record][0] = offset;
            f.reads[record][1] = size + (more ? 36 : 0);
            f.read_count = record + 1;
            offset += size;
            if (!more) break;
        }
        if (fd >= 0) ::close(fd);
        out.push_back(f);
    }
    return out;
}

alignas(16) unsigned char floor_buffer[1 << 20];

void run_floor(const std::vector<FloorFile>& files) {
    for (const FloorFile& f : files) {
        const int fd = ::open(f.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        benchmark::DoNotOptimize(::pread(fd, floor_buffer, 36, 0));
        for (int r = 0; r < f.read_count; ++r)
            benchmark::DoNotOptimize(::pread(
                fd, floor_buffer, std::min(sizeof floor_buffer, static_cast<std::size_t>(f.reads[r][1])),
                f.reads[r][0]));
        ::close(fd);
    }
    benchmark::ClobberMemory();
}

// Drops the files from the page cache, so that the next run reads the disk.
// Directory entries and inodes stay cached; --drop-caches (root) drops them too.
bool drop_all_caches = false;

void evict(const std::vector<FloorFile>& files) {
    if (drop_all_caches) {
        ::sync();
        if (FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w")) {
            std::fputs("3\n", f);
            std::fclose(f);
        }
    }
    for (const FloorFile& f : files) {
        const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void set_files_rate(benchmark::State& state, int files) {
    state.counters["files_per_s"] =
        benchmark::Counter(static_cast<double>(files) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_Floor(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const std::vector<FloorFile> list = floor_files(files);
    for (auto _ : state) run_floor(list);
    set_files_rate(state, files);
}

void BM_Pass(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    for (auto _ : state) run_pass(files);
    set_files_rate(state, files);
}

// Pass and floor taken turn about in each iteration, so that load from
// elsewhere on the machine falls on both alike; pass_over_floor is the ratio.
void BM_PassOverFloor(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const std::vector<FloorFile> list = floor_files(files);
    using clock = std::chrono::steady_clock;
    clock::duration pass{}, floor{};
    for (auto _ : state) {
        const auto t0 = clock::now();
        run_floor(list);
        const auto t1 = clock::now();
        run_pass(files);
        pass += clock::now() - t1;
        floor += t1 - t0;
    }
    state.counters["pass_over_floor"] = static_cast<double>(pass.count()) / static_cast<double>(floor.count());
}

// Cold: the files evicted before each run, floor and pass taken turn about;
// cold_pass_over_floor is the median of each iteration's ratio. The argument
// is the number of reader threads, to choose it by.
void BM_ColdPassOverFloor(benchmark::State& state) {
    const PassReaders readers{static_cast<int>(state.range(0)), default_pass_readers.slow_read_us};
    const std::vector<FloorFile> list = floor_files(pass_files);
    using clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    double pass_seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        evict(list);
        state.ResumeTiming();
        const auto t0 = clock::now();
        run_floor(list);
        const auto t1 = clock::now();
        state.PauseTiming();
        evict(list);
        state.ResumeTiming();
        const auto t2 = clock::now();
        run_pass(pass_files, readers);
        const auto t3 = clock::now();
        ratios.push_back(std::chrono::duration<double>(t3 - t2) / std::chrono::duration<double>(t1 - t0));
        pass_seconds += std::chrono::duration<double>(t3 - t2).count();
    }
    state.counters["cold_pass_over_floor"] = median(ratios);
    state.counters["cold_pass_s"] = pass_seconds / static_cast<double>(ratios.size());
}

// Warm, as BM_PassOverFloor, with the median of the ratios; by number of
// reader threads and files, and slow_us 0 to start the threads at once.
void BM_WarmPassOverFloor(benchmark::State& state) {
    const PassReaders readers{static_cast<int>(state.range(0)), static_cast<int>(state.range(2))};
    const int files = static_cast<int>(state.range(1));
    const std::vector<FloorFile> list = floor_files(files);
    using clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto t0 = clock::now();
        run_floor(list);
        const auto t1 = clock::now();
        run_pass(files, readers);
        ratios.push_back(std::chrono::duration<double>(clock::now() - t1) /
                         std::chrono::duration<double>(t1 - t0));
    }
    state.counters["pass_over_floor"] = median(ratios);
}

// Heap held by a pass: peak above what was live before it, and allocations
// per file. Run over 1,000 and 10,000 files to show what grows with the count.
void BM_PassHeap(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    std::size_t peak = 0;
    std::size_t allocations = 0;
    for (auto _ : state) {
        const std::size_t before = heap::live;
        const std::size_t allocations_before = heap::allocations;
        heap::peak = before;  // the pass's threads are all joined between passes
        run_pass(files);
        peak = heap::peak - before;
        allocations = heap::allocations - allocations_before;
    }
    state.counters["peak_heap_bytes"] = static_cast<double>(peak);
    state.counters["heap_bytes_per_file"] = static_cast<double>(peak) / files;
    state.counters["allocs_per_file"] = static_cast<double>(allocations) / files;
}

void read_one(benchmark::State& state, const std::string& path) {
    RecSummary summary;
    summary.clear();
    char time_text[time_text_capacity + 1];
    char level_text[level_text_capacity + 1];
    char s_m[s_m_text_capacity + 1];
    for (auto _ : state) {
        if (!summary.read(path.c_str(), time_text, level_text, s_m, false)) {
            state.SkipWithError("file not read");
            return;
        }
        benchmark::DoNotOptimize(time_text[0]);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

std::string single_file(const char* name, const Bytes& bytes) {
    const std::string path = corpus_dir + "/" + name;
    write_file(path, bytes);
    return path;
}

// A typical run: one player, a minute of play, a hundred and twenty events.
void BM_ReadTypical(benchmark::State& state) {
    RecordSpec r;
    r.frame_count = 1800;
    r.events = run_events(120, 26.2, true);
    read_one(state, single_file("typical.rec", single_player(r)));
}

// A large one: two players, the longest runs, thousands of events each.
void BM_ReadLarge(benchmark::State& state) {
    RecordSpec r;
    r.frame_count = 30000;
    r.events = run_events(6000, 436.8, true);
    read_one(state, single_file("large.rec", two_player(r, r)));
}

} // namespace

BENCHMARK(BM_ReadTypical);
BENCHMARK(BM_ReadLarge);
BENCHMARK(BM_Floor)->Arg(pass_files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pass)->Arg(pass_files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PassOverFloor)->Arg(pass_files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdPassOverFloor)->ArgName("threads")->Arg(default_pass_readers.threads)
    ->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmPassOverFloor)->ArgNames({"threads", "files", "slow_us"})
    ->ArgsProduct({{0, default_pass_readers.threads}, {10, 100, 10000}, {default_pass_readers.slow_read_us}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PassHeap)->Arg(100)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--corpus=", 9) == 0) {
            corpus_dir = argv[i] + 9;
        } else if (std::strcmp(argv[i], "--drop-caches") == 0) {
            drop_all_caches = true;
        } else if (std::strcmp(argv[i], "--choose-threads") == 0) {
            // Cold and warm ratios by number of reader threads, 0 reading one
            // file at a time: what the default was chosen by.
            for (int threads : {0, 1, 2, 4, 8, 16, 32, 64}) {
                benchmark::RegisterBenchmark("BM_ColdThreads", BM_ColdPassOverFloor)
                    ->ArgName("threads")->Arg(threads)->Iterations(3)->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark("BM_WarmThreads", BM_WarmPassOverFloor)
                    ->ArgNames({"threads", "files", "slow_us"})->Args({threads, pass_files, 0})
                    ->Unit(benchmark::kMillisecond);
            }
        } else {
            std::fprintf(stderr, "clockr_bench: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (!ensure_corpus(pass_dir(), CorpusOptions{pass_files, 1})) {
        std::fprintf(stderr, "clockr_bench: could not write the corpus in %s\n", pass_dir().c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
