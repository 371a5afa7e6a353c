// A whole listing pass with the report on, over a folder made from the input
// (see folder_input.h): rows whose texts fit, indexes 0, 1, 2, ..., and a
// stat.txt holding exactly their lines, with nothing else left behind; and
// the same again with reader threads.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/folder_input.h"
#include "fuzz/text_checks.h"
#include "listing/listing.h"
#include "listing/text_report.h"

namespace fs = std::filesystem;

namespace {

class CheckingSink final : public RowSink {
public:
    void clear() override {
        rows = 0;
        lines.clear();
    }
    void add_row(int row_index, const ListRow& row) override {
        require(row_index == rows, "row indexes count up from 0");
        ++rows;
        require(terminated_within(row.rec_file, path_capacity), "rec file text fits");
        check_texts(row.lev_file, row.s_m, row.time, three_digits);
        char line[report_line_capacity + 1];
        format_report_line(line, row);
        lines += line;
        lines += "\r\n";
    }

    bool three_digits = false;
    int rows = 0;
    std::string lines;
};

// The fuzzer works in a folder of its own, made once and removed at exit.
void enter_work_folder() {
    static bool entered = false;
    if (entered) return;
    std::string dir = (fs::temp_directory_path() / "clockr-fuzz-XXXXXX").string();
    require(mkdtemp(dir.data()) != nullptr, "work folder made");
    fs::current_path(dir);
    static std::string removed_at_exit = dir;
    std::atexit([] {
        std::error_code ignored;
        fs::current_path("/", ignored);
        fs::remove_all(removed_at_exit, ignored);
    });
    entered = true;
}

void make_entry(std::size_t index, const FolderEntry& entry) {
    const std::string path = "rec/" + entry_name(index, entry.selector);
    switch (entry_kind(entry.selector)) {
    case EntryKind::File: {
        std::ofstream out(path, std::ios::binary);
        out.write(entry.content.data(), static_cast<std::streamsize>(entry.content.size()));
        break;
    }
    case EntryKind::LinkToFirst: symlink(entry_name(0, 0).c_str(), path.c_str()); break;
    case EntryKind::LinkLoop: symlink(entry_name(index, entry.selector).c_str(), path.c_str()); break;
    case EntryKind::Directory: mkdir(path.c_str(), 0700); break;
    case EntryKind::Fifo: mkfifo(path.c_str(), 0600); break;
    }
}

std::string contents(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    enter_work_folder();
    std::error_code ignored;
    fs::remove_all("rec", ignored);
    fs::remove("stat.txt", ignored);
    fs::create_directory("rec");
    const std::vector<FolderEntry> entries = split_entries(data + 2, size - 2);
    for (std::size_t i = 0; i < entries.size(); ++i) make_entry(i, entries[i]);

    ListOptions options;
    options.filter = static_cast<FilterMode>((data[0] & 0x07) % 5);
    options.three_digits = (data[0] & 0x08) != 0;
    options.internal_number = static_cast<std::int8_t>(data[1]);
    std::snprintf(options.external_name, sizeof options.external_name, "%s", "Foo.lev");
    options.report = true;

    // One read at a time, then 1 to 8 reader threads started at once: the
    // same rows and the same stat.txt.
    std::string lines[2];
    const PassReaders readers[2] = {{0, 0}, {1 << (data[0] >> 4 & 3), 0}};
    for (int run = 0; run < 2; ++run) {
        CheckingSink sink;
        sink.three_digits = options.three_digits;
        TextReport report;
        run_listing_pass(options, sink, report, readers[run]);

        require(report.succeeded(), "stat.txt written");
        require(contents("stat.txt") == sink.lines, "stat.txt holds the rows' lines");
        for (const auto& e : fs::directory_iterator("."))
            require(e.path().filename() == "rec" || e.path().filename() == "stat.txt",
                    "nothing but stat.txt written");
        lines[run] = sink.lines;
    }
    require(lines[0] == lines[1], "reader threads list what one read at a time lists");
    return 0;
}
