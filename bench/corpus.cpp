#include "corpus.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/rec_writer.h"

namespace {

// splitmix64: the same sequence on every platform and library, which the
// standard distributions do not promise.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    int between(int lo, int hi) { return lo + static_cast<int>(next() % std::uint64_t(hi - lo + 1)); }
    bool chance(int percent) { return between(1, 100) <= percent; }
};

RecordSpec random_record(Random& r, const std::string& level_name) {
    RecordSpec record;
    record.frame_count = r.chance(90) ? r.between(300, 3600) : r.between(3601, 30000);
    record.level_name = level_name;
    // About 30 frames a second, 0.4368 rec units a second.
    const double finish = record.frame_count / 30.0 * 0.4368;
    record.events = run_events(r.between(10, 400), finish, r.chance(85));
    return record;
}

std::string stamp_text(const CorpusOptions& o) {
    std::ostringstream s;
    s << "rec corpus v1 files " << o.file_count << " seed " << o.seed << '\n';
    return s.str();
}

const char* const stamp_name = "corpus.stamp";

} // namespace

std::string corpus_file_name(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "r%05d.rec", i);
    return name;
}

bool ensure_corpus(const std::string& dir, const CorpusOptions& options) {
    namespace fs = std::filesystem;
    const fs::path stamp = fs::path(dir) / stamp_name;
    {
        std::ifstream in(stamp);
        std::stringstream have;
        have << in.rdbuf();
        if (in && have.str() == stamp_text(options)) return true;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::remove(stamp, ec);  // a half-written folder is never taken as complete
    // Files of an earlier, larger corpus would change what the pattern matches.
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == 10 && name[0] == 'r' && name.ends_with(".rec")) fs::remove(entry.path(), ec);
    }
    Random r{options.seed};
    for (int i = 0; i < options.file_count; ++i) {
        char level[16];
        if (r.chance(50))
            std::snprintf(level, sizeof level, "QWQUU0%02d.LEV", r.between(1, 55));
        else
            std::snprintf(level, sizeof level, "LEV%05d.LEV", r.between(0, 99999));
        RecordSpec first = random_record(r, level);
        Bytes bytes;
        if (r.chance(15)) {
            RecordSpec second = random_record(r, level);
            second.frame_count = first.frame_count;  // both players share the frames
            bytes = two_player(first, second);
        } else {
            bytes = single_player(first);
        }
        const std::string path = (fs::path(dir) / corpus_file_name(i)).string();
        write_file(path, bytes);
        if (fs::file_size(path, ec) != bytes.size() || ec) return false;
    }
    std::ofstream out(stamp);
    out << stamp_text(options);
    return static_cast<bool>(out.flush());
}
