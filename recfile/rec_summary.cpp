#include "recfile/rec_summary.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "filesys/positional_file.h"

static_assert(std::endian::native == std::endian::little, "events are read in place");

namespace {

constexpr std::int64_t header_size = 36;        // up to the frame data
constexpr std::int64_t frame_bytes_per_frame = 2 * 4 + 7 * 2 + 5 * 1;
constexpr std::int64_t first_events_read = 4096; // events in the first read of an array
// The read behind the frame data: a record's count, events and end marker, and
// the next record's header, in one system call for up to 509 events.
constexpr std::size_t tail_read_size = 8192;

std::int32_t le_i32(const unsigned char* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                     std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

std::int64_t frame_bytes(std::int32_t frame_count) {
    return frame_count > 0 ? frame_bytes_per_frame * frame_count : 0;
}

// The level name as text: up to its NUL, at most 15 characters when it has none.
void copy_level_text(char* level_text, const unsigned char* name) {
    std::size_t n = 0;
    while (n < level_text_capacity && name[n] != 0) ++n;
    std::memcpy(level_text, name, n);
    level_text[n] = '\0';
}

// Reads the events from done to count, and the end marker behind them, into
// events, whose first done entries are in place. The array grows only as far
// as the file proves to hold the bytes, so a hostile count in a small file
// cannot allocate more than the file's own size.
bool read_events(const PositionalFile& file, std::int64_t offset, std::int64_t count,
                 std::int64_t done, std::vector<RecEvent>& events) {
    std::int64_t step = first_events_read;
    for (;;) {
        const std::int64_t n = count - done < step ? count - done : step;
        const bool last = done + n == count;
        // One spare slot takes the end marker in the same read as the last events.
        events.resize(static_cast<std::size_t>(done + n + (last ? 1 : 0)));
        const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(RecEvent) + (last ? 4 : 0);
        if (!file.read_at(offset + done * std::int64_t{sizeof(RecEvent)},
                          events.data() + done, bytes))
            return false;
        done += n;
        if (last) {
            events.pop_back();
            return true;
        }
        step *= 2;
    }
}

// Frees both event arrays; assigning "{}" would empty them but keep the memory.
void release_events(RecSummary& s) {
    s.events[0] = std::vector<RecEvent>();
    s.events[1] = std::vector<RecEvent>();
}

} // namespace

void RecSummary::clear() {
    player_count = 0;
    event_count[0] = event_count[1] = 0;
    finished = false;
    finish_time = 0;
    release_events(*this);
}

bool RecSummary::read(const char* path, char* time_text, char* level_text, char* s_m_text,
                      bool three_digits) {
    PositionalFile file;
    if (!file.open(path)) return false;

    struct ReleaseEvents {
        RecSummary& s;
        ~ReleaseEvents() { release_events(s); }
    } release{*this};

    unsigned char header[header_size];
    bool header_in_hand = false;  // came with the previous record's events
    unsigned char tail[tail_read_size];
    std::int64_t offset = 0;
    player_count = 1;
    for (int i = 0; i < player_count; ++i) {
        if (!header_in_hand && !file.read_at(offset, header, sizeof header)) return false;
        header_in_hand = false;
        const std::int32_t frame_count = le_i32(header);
        const std::int32_t version = le_i32(header + 4);
        const std::int32_t multi = le_i32(header + 8);
        if (version != rec_version) return false;
        if (multi != 0 && multi != 1) return false;
        player_count = multi + 1;
        std::strcpy(s_m_text, player_count == 1 ? "s" : "m");
        std::memcpy(level_name, header + 20, sizeof level_name);
        copy_level_text(level_text, header + 20);

        offset += header_size + frame_bytes(frame_count);
        const std::int64_t got = file.read_some_at(offset, tail, sizeof tail);
        if (got < 4) return false;
        const std::int32_t count = le_i32(tail);
        if (count < 0) return false;
        event_count[i] = count;
        const std::int64_t in_tail = std::min<std::int64_t>(count, (got - 4) / std::int64_t{sizeof(RecEvent)});
        if (in_tail > 0) {
            events[i].resize(static_cast<std::size_t>(in_tail));
            std::memcpy(events[i].data(), tail + 4, static_cast<std::size_t>(in_tail) * sizeof(RecEvent));
        }
        const std::int64_t end = 4 + std::int64_t{count} * std::int64_t{sizeof(RecEvent)} + 4;
        if (end > got && !read_events(file, offset + 4, count, in_tail, events[i])) return false;
        if (player_count == 2 && i == 0 && end + header_size <= got) {
            std::memcpy(header, tail + end, sizeof header);
            header_in_hand = true;
        }
        offset += end;
    }
    file.close();
    finish_text(time_text, three_digits);
    return true;
}
