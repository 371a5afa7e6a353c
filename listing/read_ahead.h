// listing: the pass's reads in flight. A bounded window of entry slots: the
// calling thread names entries into free slots in enumeration order, reader
// threads (and the calling thread while it waits) read them in any order, and
// the calling thread takes them back in order. Memory is the window's, however
// many entries the pass has.
#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
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
    // Room for more names: none once a pass has named most_entries.
    int free_slots() const {
        const int named = named_count_ + unpublished_;
        return std::min(window_ - (named - taken_), most_entries - named);
    }
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
    // In named_, beside the count, which therefore stops short of it.
    static constexpr int closed_bit = 1 << 30;
    static constexpr int most_entries = closed_bit - 1;

    EntrySlot& slot_of(int entry) { return slots_[entry % window_]; }
    void read(RecSummary& summary, int entry);
    void read_here(int entry);
    void start_readers();
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

    std::atomic<int> named_{0};    // published entries, and closed_bit at the end
    std::atomic<int> claimed_{0};  // the next entry for a reader to take
    std::vector<std::thread> readers_;
};
