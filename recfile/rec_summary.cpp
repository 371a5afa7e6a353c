#include "recfile/rec_summary.h"

#include <bit>
#include <cstring>

#include "recfile/positional_file.h"

static_assert(std::endian::native == std::endian::little, "events are read in place");

namespace {

constexpr std::int64_t header_size = 36;        // up to the frame data
constexpr std::int64_t frame_bytes_per_frame = 2 * 4 + 7 * 2 + 5 * 1;
constexpr std::int64_t first_events_read = 4096; // events in the first read of an array

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

// Reads count events and the end marker behind them. The array grows only
// as far as the file proves to hold the bytes, so a hostile count in a small
// file cannot allocate more than the file's own size.
bool read_events(const PositionalFile& file, std::int64_t offset, std::int64_t count,
                 std::vector<RecEvent>& events) {
    std::int64_t done = 0;
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

} // namespace

void RecSummary::clear() {
    player_count = 0;
    for (int i = 0; i < 2; ++i) {
        event_count[i] = 0;
        events[i] = {};
    }
}

bool RecSummary::read(const char* path, char* time_text, char* level_text, char* s_m_text,
                      bool three_digits) {
    PositionalFile file;
    if (!file.open(path)) return false;

    struct ReleaseEvents {
        RecSummary& s;
        ~ReleaseEvents() {
            s.events[0] = {};
            s.events[1] = {};
        }
    } release{*this};

    std::int64_t offset = 0;
    player_count = 1;
    for (int i = 0; i < player_count; ++i) {
        unsigned char header[header_size];
        if (!file.read_at(offset, header, sizeof header)) return false;
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
        unsigned char count_bytes[4];
        if (!file.read_at(offset, count_bytes, sizeof count_bytes)) return false;
        const std::int32_t count = le_i32(count_bytes);
        if (count < 0) return false;
        offset += 4;
        event_count[i] = count;
        if (!read_events(file, offset, count, events[i])) return false;
        offset += std::int64_t{count} * std::int64_t{sizeof(RecEvent)} + 4;
    }
    file.close();
    finish_text(time_text, three_digits);
    return true;
}
