// listing: the pass's reads in flight. A bounded window of entry slots: the
// calling thread names entries into free slots in enumeration order, reader
// threads (and the calling thread while it waits) read them in any order, and
// the calling thread takes them back in order. Memory is the window's, however
// many entries the pass has.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "listing/listing.h"

// One matched entry on its way through a pass.
struct EntrySlot {
    ListRow row;                // rec_file named by the calling thread, the rest by a reader
    bool kept = false;          // read whole and kept by the filter
    std::atomic<int> done{0};   // the entry's index + 1 once read
};

class ReadAhead {
public:
    // Reads the entry named in slot with summary, which belongs to the calling thread.
    using ReadEntry = void (*)(const void* context, RecSummary& summary, EntrySlot& slot);

    ReadAhead(PassReaders readers, ReadEntry read, const void* context);
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead();  // stops the readers and joins them

    int window() const { return window_; }
    // Published entries not yet taken.
    int pending() const { return named_count_ - taken_; }
    int free_slots() const { return window_ - pending() - unpublished_; }
    // The slot for the next entry; valid only while free_slots() > 0. Its
    // entry is not read before publish().
    EntrySlot& next_free() { return slot_of(named_count_ + unpublished_++); }
    // Hands the entries named since the last call to the readers.
    void publish();

    // The oldest entry not yet taken, once read (the calling thread reads
    // entries itself while it waits); nullptr when every published entry is taken.
    EntrySlot* oldest();
    // Frees the oldest entry's slot for a new name.
    void take_oldest() { ++taken_; }

private:
    EntrySlot& slot_of(int entry) { return slots_[entry % window_]; }
    bool wait_named(int entry);
    void read(RecSummary& summary, int entry);
    void read_here(int entry);
    void start_readers(int count);
    void reader_loop();

    PassReaders readers_wanted_;
    int slow_in_a_row_ = 0;
    int window_;
    std::unique_ptr<EntrySlot[]> slots_;
    ReadEntry read_;
    const void* context_;
    RecSummary summary_;  // the calling thread's

    // Calling thread only.
    int named_count_ = 0;  // published entries
    int unpublished_ = 0;
    int taken_ = 0;

    std::atomic<int> named_{0};    // published entries
    std::atomic<int> claimed_{0};  // the next entry for a reader to take
    std::vector<std::thread> readers_;

    // Sleeping, for readers with nothing named and the calling thread with
    // nothing read. A mutex and condition variables, not atomic waits: those
    // of the Windows toolchain's library can miss a wake-up.
    std::mutex mutex_;
    std::condition_variable names_cv_;  // readers wait for names
    std::condition_variable done_cv_;   // the calling thread waits for a read
    int sleeping_readers_ = 0;          // under mutex_
    bool closed_ = false;               // under mutex_
    std::atomic<bool> caller_waiting_{false};
};
