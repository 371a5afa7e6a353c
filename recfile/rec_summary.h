// recfile: the rec file format as far as the listing needs it (level, player
// count, events) and the finish time with its text. Reads files, never writes.
#pragma once

#include <cstdint>
#include <vector>

// One 16-byte event, laid out in memory exactly as in the file.
struct RecEvent {
    double time;
    std::int16_t info;
    std::int16_t kind;
    std::int16_t extra_lo;
    std::int16_t extra_hi;
};
static_assert(sizeof(RecEvent) == 16, "events are read in place");

constexpr int rec_version = 131;
constexpr int path_capacity = 259;      // pattern and joined path, without the NUL
constexpr int level_text_capacity = 15;
constexpr int time_text_capacity = 19;
constexpr int s_m_text_capacity = 1;

struct RecSummary {
    char level_name[16] = {};
    std::int32_t player_count = 0;
    // Counts are wide so that a file beyond 32767 events is read in full.
    std::int64_t event_count[2] = {};
    std::vector<RecEvent> events[2];
    // The finish event's time, kept by finish_text for typed output; 0 when
    // the run did not finish.
    bool finished = false;
    double finish_time = 0;

    void clear();

    // Reads the rec file at path and writes its three texts. True only when
    // every record was read whole and is version 131; then the texts belong
    // to this file. The event arrays live only inside this call.
    bool read(const char* path, char* time_text, char* level_text, char* s_m_text,
              bool three_digits);

    // The finish event among the events held now, or null.
    const RecEvent* finish_event() const;

    // Writes the finish time of the events held now, or "not finished", and
    // keeps it in finished and finish_time.
    void finish_text(char* time_text, bool three_digits);
};

struct SplitTime {
    std::int32_t minutes;
    std::int32_t seconds;
    std::int32_t fraction;
};

// t in hundredths (thousandths with three_digits), truncated toward zero,
// its low 32 bits as a signed number: what the time text is made from.
std::int32_t time_product(double time, bool three_digits);

// The finish time t in minutes, seconds and hundredths (thousandths with
// three_digits), truncated the way the game's own tools show it.
SplitTime split_time(double time, bool three_digits);

// "%ld:%02ld.%02ld" (".%03ld" with three digits) into text, which has room
// for time_text_capacity characters and the NUL.
void format_time(char* text, SplitTime t, bool three_digits);
