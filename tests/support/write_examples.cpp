// Writes the sample rec files of examples/rec with the project's own writer:
// write_examples DIR
#include <cstdio>
#include <string>

#include "support/rec_writer.h"

namespace {

RecordSpec play(const std::string& level, int frames, int events, double finish, bool finished) {
    RecordSpec r;
    r.level_name = level;
    r.frame_count = frames;
    r.events = run_events(events, finish, finished);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: write_examples DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    write_file(dir + "/first_try.rec", single_player(play("QWQUU001.LEV", 420, 12, 12.0, true)));
    write_file(dir + "/duo_warmup.rec",
               two_player(play("QWQUU007.LEV", 610, 20, 26.208, true), play("QWQUU007.LEV", 610, 9, 21.5, true)));
    write_file(dir + "/forest.rec", single_player(play("Forest.lev", 880, 31, 30.0, true)));
    write_file(dir + "/last_level.rec", single_player(play("QWQUU055.LEV", 350, 17, 14.1, false)));
    write_file(dir + "/duel.rec",
               two_player(play("Duel.lev", 500, 14, 18.9, false), play("Duel.lev", 500, 11, 19.4, false)));
    write_file(dir + "/hour.rec", single_player(play("Marathon.lev", 300, 40, 3600 * 0.4368, true)));
    return 0;
}
