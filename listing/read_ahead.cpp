#include "listing/read_ahead.h"

#include <system_error>

ReadAhead::ReadAhead(int window, ReadEntry read, const void* context)
    : window_(window > 0 ? window : 1), slots_(new EntrySlot[static_cast<std::size_t>(window_)]),
      read_(read), context_(context) {
    summary_.clear();
}

void ReadAhead::publish() {
    if (unpublished_ == 0) return;
    named_count_ += unpublished_;
    unpublished_ = 0;
    named_.store(named_count_, std::memory_order_release);
    named_.notify_all();  // a system call only when a reader waits
}

void ReadAhead::start_readers(int threads) {
    while (static_cast<int>(readers_.size()) < threads) {
        try {
            readers_.emplace_back([this] { reader_loop(); });
        } catch (const std::system_error&) {
            return;
        }
    }
}

void ReadAhead::read(RecSummary& summary, int entry) {
    EntrySlot& slot = slot_of(entry);
    read_(context_, summary, slot);
    slot.done.store(entry + 1, std::memory_order_release);
    slot.done.notify_one();
}

void ReadAhead::reader_loop() {
    RecSummary summary;
    summary.clear();
    for (;;) {
        const int entry = claimed_.fetch_add(1, std::memory_order_relaxed);
        for (;;) {
            const int named = named_.load(std::memory_order_acquire);
            if ((named & ~closed_bit) > entry) break;
            if (named & closed_bit) return;
            named_.wait(named, std::memory_order_acquire);
        }
        read(summary, entry);
    }
}

EntrySlot* ReadAhead::oldest() {
    if (taken_ == named_count_) return nullptr;
    EntrySlot& slot = slot_of(taken_);
    for (;;) {
        const int done = slot.done.load(std::memory_order_acquire);
        if (done == taken_ + 1) return &slot;
        // Rather than wait, read the next unclaimed entry here.
        int next = claimed_.load(std::memory_order_relaxed);
        if (next < named_count_) {
            if (claimed_.compare_exchange_weak(next, next + 1, std::memory_order_relaxed))
                read(summary_, next);
            continue;
        }
        slot.done.wait(done, std::memory_order_acquire);
    }
}

void ReadAhead::close() {
    named_.fetch_or(closed_bit, std::memory_order_release);
    named_.notify_all();
    for (std::thread& t : readers_) t.join();
    readers_.clear();
}
