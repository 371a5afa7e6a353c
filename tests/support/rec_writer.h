// The project's own rec-file writer: builds rec files field by field for the
// tests, the sample files and the benchmark corpus, malformed ones included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recfile/rec_summary.h"

struct RecordSpec {
    std::int32_t frame_count = 0;
    std::int32_t version = rec_version;
    std::int32_t multi = 0;
    std::string level_name = "QWQUU001.LEV";  // NUL-padded to 16 bytes, cut at 16
    std::vector<RecEvent> events;
    std::optional<std::int32_t> declared_event_count;  // written instead of events.size()
    std::optional<std::int64_t> frame_bytes;           // written instead of 27 per frame
    bool end_marker = true;
};

using Bytes = std::vector<unsigned char>;

Bytes rec_bytes(const std::vector<RecordSpec>& records);

// A one-player and a two-player file, records' multi set to match.
Bytes single_player(RecordSpec record);
Bytes two_player(RecordSpec first, RecordSpec second);

RecEvent event(double time, std::int16_t kind = 0, std::int16_t extra_lo = 0,
               std::int16_t extra_hi = 0);

// A run of events as play makes them, finishing at finish_time when finished;
// otherwise its last event has a kind that is no finish.
std::vector<RecEvent> run_events(int count, double finish_time, bool finished);

void write_file(const std::string& path, const Bytes& bytes);

// The time text the reader writes for a finish at t.
std::string time_text(double t, bool three_digits);
