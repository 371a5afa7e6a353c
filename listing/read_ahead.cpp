#include "listing/read_ahead.h"

#include <chrono>
#include <system_error>

namespace {

// Reads in a row slower than slow_read_us that show the files are not in memory.
constexpr int slow_reads_to_start = 3;
// Slots per reader, so that one slow file does not stop the others.
constexpr int slots_per_reader = 8;
// Readers that join at once a pass that fills its window, while
// its files are in memory: one, on a second core, takes about 40% off the
// pass; more only contend (README, Benchmarks).
constexpr int warm_readers = 1;

} // namespace

ReadAhead::ReadAhead(PassReaders readers, ReadEntry read, const void* context)
    : readers_wanted_(readers), window_(slots_per_reader * (readers.threads > 0 ? readers.threads + 1 : 1)),
      slots_(new EntrySlot[static_cast<std::size_t>(window_)]), read_(read), context_(context) {
    summary_.clear();
}

void ReadAhead::publish() {
    if (unpublished_ == 0) return;
    named_count_ += unpublished_;
    unpublished_ = 0;
    bool wake;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        named_.store(named_count_, std::memory_order_release);
        wake = sleeping_readers_ > 0;
    }
    if (wake) names_cv_.notify_all();
    if (readers_wanted_.slow_read_us == 0)
        start_readers(readers_wanted_.threads);
    else if (pending() == window_)
        start_readers(warm_readers);
}

// Fewer threads when the system refuses more only means fewer reads in flight.
void ReadAhead::start_readers(int count) {
    if (count > readers_wanted_.threads) count = readers_wanted_.threads;
    while (static_cast<int>(readers_.size()) < count) {
        try {
            readers_.emplace_back([this] { reader_loop(); });
        } catch (const std::system_error&) {
            readers_wanted_.threads = static_cast<int>(readers_.size());
            return;
        }
    }
}

// False when the pass ended before entry was named.
bool ReadAhead::wait_named(int entry) {
    if (named_.load(std::memory_order_acquire) > entry) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    ++sleeping_readers_;
    names_cv_.wait(lock, [&] { return closed_ || named_.load(std::memory_order_relaxed) > entry; });
    --sleeping_readers_;
    return named_.load(std::memory_order_relaxed) > entry;
}

void ReadAhead::read(RecSummary& summary, int entry) {
    EntrySlot& slot = slot_of(entry);
    read_(context_, summary, slot);
    // Sequentially consistent with caller_waiting_: either the calling thread
    // sees this entry done or this thread sees it waiting.
    slot.done.store(entry + 1);
    if (caller_waiting_.load()) {
        { const std::lock_guard<std::mutex> lock(mutex_); }  // it is inside wait() now
        done_cv_.notify_one();
    }
}

// A read by the calling thread, timed until every reader has started.
void ReadAhead::read_here(int entry) {
    if (static_cast<int>(readers_.size()) >= readers_wanted_.threads) {
        read(summary_, entry);
        return;
    }
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    read(summary_, entry);
    const bool slow = clock::now() - start > std::chrono::microseconds(readers_wanted_.slow_read_us);
    slow_in_a_row_ = slow ? slow_in_a_row_ + 1 : 0;
    if (slow_in_a_row_ >= slow_reads_to_start) start_readers(readers_wanted_.threads);
}

void ReadAhead::reader_loop() {
    RecSummary summary;
    summary.clear();
    for (;;) {
        const int entry = claimed_.fetch_add(1, std::memory_order_relaxed);
        if (!wait_named(entry)) return;
        read(summary, entry);
    }
}

EntrySlot* ReadAhead::oldest() {
    if (taken_ == named_count_) return nullptr;
    EntrySlot& slot = slot_of(taken_);
    for (;;) {
        if (slot.done.load(std::memory_order_acquire) == taken_ + 1) return &slot;
        // Rather than wait, read the next unclaimed entry here.
        int next = claimed_.load(std::memory_order_relaxed);
        if (next < named_count_) {
            if (claimed_.compare_exchange_weak(next, next + 1, std::memory_order_relaxed)) read_here(next);
            continue;
        }
        // Every named entry is with a reader: sleep until the oldest is read.
        std::unique_lock<std::mutex> lock(mutex_);
        caller_waiting_.store(true);
        done_cv_.wait(lock, [&] { return slot.done.load() == taken_ + 1; });
        caller_waiting_.store(false);
    }
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    names_cv_.notify_all();
    for (std::thread& t : readers_) t.join();
}
