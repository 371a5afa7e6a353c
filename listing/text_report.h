// stat.txt: the kept rows of a report pass, one padded line each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/listing.h"

// Longest line without its end: two texts padded to 14, s/m, three spaces, time.
constexpr int report_line_capacity = path_capacity + level_text_capacity + s_m_text_capacity + 3 +
                                     time_text_capacity;

// The line for row, without its line end, into line (report_line_capacity + 1 bytes).
void format_report_line(char* line, const ListRow& row);

// Room for the paths a report works with (stat.txt, a link's target, the
// temporary file beside it), terminator included.
constexpr int report_path_room = 4096;

// Room for describe_failure's text, terminator included.
constexpr int report_message_room = report_path_room + 256;

// The file operations of a report, in the order they come.
enum class ReportStep : std::uint8_t {
    Target,       // finding the file stat.txt names (through links) and checking it
    Create,       // making the temporary file
    OpenInPlace,  // opening stat.txt itself, where no new file can be made beside it
    Write,        // each write of the buffered lines
    Truncate,     // cutting stat.txt to the new length (in place only)
    Flush,        // to the disk
    Link,         // giving the unnamed temporary file its name (Linux)
    Close,
    Rename,       // putting the temporary file in stat.txt's place
};

// Seam for tests: when set, called before each step; a non-zero result is
// taken as the system's error code for it (errno, or GetLastError's on
// Windows) and the step fails as if the system had said so. Nothing else
// sets it.
using ReportFault = int (*)(ReportStep step);
void set_report_fault(ReportFault fault);

#ifdef _WIN32
using ReportFile = void*;  // a HANDLE
#else
using ReportFile = int;
#endif

// Writes stat.txt whole or not at all: the lines go to a temporary file
// beside it (beside its target when it is a symbolic link), which is flushed
// to the disk and then put in its place. The temporary file has no name
// until then where the system allows it, or is deleted on close, so that an
// interrupted run leaves nothing behind. Where no new file can be made in the
// folder but stat.txt itself is writable, stat.txt is rewritten in place,
// which is not atomic.
class TextReport {
public:
    TextReport() = default;
    TextReport(const TextReport&) = delete;
    TextReport& operator=(const TextReport&) = delete;
    ~TextReport();

    void open();
    void write_row(const ListRow& row);
    void close();

    // After close: true when stat.txt holds exactly the rows written.
    bool succeeded() const { return succeeded_; }

    // After a failed close: "stat.txt could not be written." followed by what
    // failed, in which folder and why, in the system's words.
    void describe_failure(char* text, std::size_t size) const;

private:
    enum class Mode : std::uint8_t { Closed, Unnamed, Named, InPlace };

    template <class Call> bool run(ReportStep step, Call call);
    bool find_target();
    bool create_temporary();
    void open_in_place();
    bool flush_buffer();
    bool commit();
    void discard();
    void fail(ReportStep step, int error);

    Mode mode_ = Mode::Closed;
    ReportFile file_{};
    bool file_open_ = false;
    bool failed_ = false;
    bool succeeded_ = false;
    bool target_exists_ = false;
    bool target_regular_ = false;
    ReportStep failed_step_ = ReportStep::Target;
    int error_ = 0;
    std::uint32_t old_mode_ = 0;
    std::uint32_t old_owner_ = 0;
    std::uint32_t old_group_ = 0;
    std::uint64_t written_ = 0;
    std::size_t buffered_ = 0;
    char target_[report_path_room] = {};
    char temp_[report_path_room] = {};  // the temporary file's name while it has one
    char folder_[report_path_room] = {};
    char buffer_[8192];
};
