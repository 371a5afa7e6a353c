// Writes the fuzzers' seed corpus with the project's own rec writer:
// make_fuzz_seeds READ_DIR PASS_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/folder_input.h"
#include "support/rec_writer.h"

namespace {

RecordSpec play(const std::string& level, int frames, std::vector<RecEvent> events) {
    RecordSpec r;
    r.level_name = level;
    r.frame_count = frames;
    r.events = std::move(events);
    return r;
}

std::vector<Bytes> rec_seeds() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    RecordSpec no_nul = play("ABCDEFGHIJKLMNOP", 0, {event(12)});
    RecordSpec huge_count = play("Foo.lev", 0, {event(1)});
    huge_count.declared_event_count = 1 << 20;
    RecordSpec first_of_two = play("QWQUU001.LEV", 1, {event(5)});
    first_of_two.multi = 1;
    RecordSpec second_single = play("QWQUU002.LEV", 1, {event(12)});
    return {
        single_player(play("QWQUU001.LEV", 0, {})),
        single_player(play("QWQUU001.LEV", 3, run_events(6, 12.0, true))),
        single_player(play("Forest.lev", 2, run_events(5, 30.0, false))),
        // The kind-4 walk: a kind 4 and the event before it are passed over.
        single_player(play("QWQUU00:.LEV", 0, {event(12), event(12), event(12, 4), event(12, 1)})),
        two_player(play("QWQUU007.LEV", 2, run_events(4, 26.208, true)),
                   play("QWQUU007.LEV", 2, run_events(3, 21.5, true))),
        two_player(play("Duel.lev", 1, {event(nan)}), play("Duel.lev", 1, {event(nan)})),
        single_player(play("Odd.lev", 0, {event(inf), event(-0.0)})),
        single_player(play("Odd.lev", 0, {event(1e300)})),
        single_player(play("Odd.lev", 0, {event(-1)})),
        single_player(no_nul),
        single_player(huge_count),
        // The second record's multi of 0 makes the file single-player.
        rec_bytes({first_of_two, second_single}),
        // Past the reader's first 4096 events, so that its array grows in steps.
        single_player(play("Long.lev", 0, run_events(5000, 300.0, true))),
    };
}

void write_text(const std::string& path, const std::string& text) {
    write_file(path, Bytes(text.begin(), text.end()));
}

std::string as_text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Two option bytes, then entries, each a selector byte and its content.
std::string folder(unsigned char options, signed char number,
                   const std::vector<std::pair<unsigned char, std::string>>& entries) {
    std::string out{static_cast<char>(options), static_cast<char>(number)};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) out.append(entry_separator, entry_separator_size);
        out += static_cast<char>(entries[i].first);
        out += entries[i].second;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make_fuzz_seeds READ_DIR PASS_DIR\n", stderr);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    std::filesystem::create_directories(argv[2]);
    const std::vector<Bytes> recs = rec_seeds();
    for (std::size_t i = 0; i < recs.size(); ++i)
        write_file(std::string(argv[1]) + "/seed" + std::to_string(i), recs[i]);

    const std::string pass_dir = argv[2];
    // Filters 0..4, with three digits on some; files, links, a loop, a folder and a FIFO.
    write_text(pass_dir + "/all", folder(0x00, 0, {{0, as_text(recs[1])}, {1, as_text(recs[4])},
                                                  {0x80, as_text(recs[2])}, {2, "junk"}}));
    write_text(pass_dir + "/internals", folder(0x09, 0, {{0, as_text(recs[3])}, {0x40, as_text(recs[1])},
                                                        {4, ""}, {5, ""}}));
    write_text(pass_dir + "/externals", folder(0x02, 0, {{0, as_text(recs[5])}, {1, as_text(recs[6])},
                                                        {6, ""}, {7, ""}}));
    write_text(pass_dir + "/internal7", folder(0x03, 7, {{0, as_text(recs[4])}, {1, as_text(recs[1])}}));
    write_text(pass_dir + "/external", folder(0x0c, 0, {{0, as_text(recs[7])}, {1, as_text(recs[9])},
                                                       {2, as_text(recs[10])}, {3, as_text(recs[11])}}));
    return 0;
}
