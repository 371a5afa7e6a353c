#include "support/rec_writer.h"

#include <cstring>
#include <fstream>

namespace {

void put_i32(Bytes& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(u >> (8 * i)));
}

void put_i16(Bytes& out, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    out.push_back(static_cast<unsigned char>(u));
    out.push_back(static_cast<unsigned char>(u >> 8));
}

void put_f64(Bytes& out, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<unsigned char>(u >> (8 * i)));
}

void put_record(Bytes& out, const RecordSpec& r) {
    put_i32(out, r.frame_count);
    put_i32(out, r.version);
    put_i32(out, r.multi);
    for (int i = 0; i < 8; ++i) out.push_back(0xA5);  // not interpreted
    for (std::size_t i = 0; i < 16; ++i)
        out.push_back(i < r.level_name.size() ? static_cast<unsigned char>(r.level_name[i]) : 0);
    // Frame data the reader must skip: a pattern that would show if it were read as counts.
    const std::int64_t frame_bytes =
        r.frame_bytes.value_or(r.frame_count > 0 ? std::int64_t{27} * r.frame_count : 0);
    for (std::int64_t i = 0; i < frame_bytes; ++i) out.push_back(static_cast<unsigned char>(0x31 + i % 7));
    put_i32(out, r.declared_event_count.value_or(static_cast<std::int32_t>(r.events.size())));
    for (const RecEvent& e : r.events) {
        put_f64(out, e.time);
        put_i16(out, e.info);
        put_i16(out, e.kind);
        put_i16(out, e.extra_lo);
        put_i16(out, e.extra_hi);
    }
    if (r.end_marker) put_i32(out, 0);
}

} // namespace

Bytes rec_bytes(const std::vector<RecordSpec>& records) {
    Bytes out;
    for (const RecordSpec& r : records) put_record(out, r);
    return out;
}

Bytes single_player(RecordSpec record) {
    record.multi = 0;
    return rec_bytes({record});
}

Bytes two_player(RecordSpec first, RecordSpec second) {
    first.multi = 1;
    second.multi = 1;
    return rec_bytes({first, second});
}

RecEvent event(double time, std::int16_t kind, std::int16_t extra_lo, std::int16_t extra_hi) {
    return RecEvent{time, 0, kind, extra_lo, extra_hi};
}

std::vector<RecEvent> run_events(int count, double finish_time, bool finished) {
    std::vector<RecEvent> events;
    for (int i = 0; i + 1 < count; ++i) {
        const double t = finish_time * (i + 1) / count;
        // Kinds other than 0 and 4 along the run, with the odd non-zero extra word.
        events.push_back(RecEvent{t, static_cast<std::int16_t>(i), static_cast<std::int16_t>(1 + i % 3),
                                  static_cast<std::int16_t>(i % 5 == 0), 0});
    }
    events.push_back(finished ? event(finish_time) : event(finish_time, 7));
    return events;
}

void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string time_text(double t, bool three_digits) {
    char text[time_text_capacity + 1];
    format_time(text, split_time(t, three_digits), three_digits);
    return text;
}
