// korvo-clockr-cli: the listing for scripts and for machines without a
// display. Same options and the same pass as the dialog.
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "listing/listing.h"
#include "listing/text_report.h"

namespace {

enum class Format { Text, Csv, Json };

// Names and level texts hold whatever bytes the files had; text that is not
// valid UTF-8 is taken as Latin-1, as the dialog shows it.
bool is_valid_utf8(const char* s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        const unsigned c = *p;
        int more;
        unsigned min;
        if (c < 0x80) { ++p; continue; }
        if (c >= 0xC2 && c <= 0xDF) { more = 1; min = 0x80; }
        else if (c >= 0xE0 && c <= 0xEF) { more = 2; min = 0x800; }
        else if (c >= 0xF0 && c <= 0xF4) { more = 3; min = 0x10000; }
        else return false;
        unsigned code = c & (0x3F >> more);
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            code = code << 6 | (p[i] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        p += more + 1;
    }
    return true;
}

std::string to_utf8(const char* s) {
    if (is_valid_utf8(s)) return s;
    std::string out;
    for (const auto* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p < 0x80) {
            out += static_cast<char>(*p);
        } else {
            out += static_cast<char>(0xC0 | *p >> 6);
            out += static_cast<char>(0x80 | (*p & 0x3F));
        }
    }
    return out;
}

// RFC 4180: quoted when it holds a comma, a quote or a line break.
std::string csv_field(const char* s) {
    if (!std::strpbrk(s, ",\"\r\n")) return s;
    std::string out = "\"";
    for (; *s; ++s) {
        if (*s == '"') out += '"';
        out += *s;
    }
    return out + '"';
}

class StdoutSink final : public RowSink {
public:
    explicit StdoutSink(Format format) : format_(format) {}

    void begin() {
        if (format_ == Format::Csv) std::fputs("rec file,lev file,s/m,time\r\n", stdout);
    }

    void clear() override {}  // a single pass: nothing printed yet

    void add_row(int row_index, const ListRow& row) override {
        switch (format_) {
        case Format::Text: {
            char line[report_line_capacity + 1];
            format_report_line(line, row);
            std::fputs(line, stdout);
            std::fputc('\n', stdout);
            break;
        }
        case Format::Csv:
            std::fputs((csv_field(row.rec_file) + ',' + csv_field(row.lev_file) + ',' +
                        csv_field(row.s_m) + ',' + csv_field(row.time) + "\r\n")
                           .c_str(),
                       stdout);
            break;
        case Format::Json: {
            const nlohmann::ordered_json object = {{"rec_file", to_utf8(row.rec_file)},
                                                   {"lev_file", to_utf8(row.lev_file)},
                                                   {"s_m", row.s_m},
                                                   {"time", row.time}};
            std::fputs(row_index == 0 ? "[\n  " : ",\n  ", stdout);
            std::fputs(object.dump().c_str(), stdout);
            break;
        }
        }
        rows_ = row_index + 1;
    }

    void finish() {
        if (format_ == Format::Json) std::fputs(rows_ == 0 ? "[]\n" : "\n]\n", stdout);
    }

private:
    Format format_;
    int rows_ = 0;
};

CLI::Validator max_length(std::size_t n) {
    return CLI::Validator(
        [n](std::string& value) {
            return value.size() > n ? "longer than " + std::to_string(n) + " characters"
                                    : std::string();
        },
        "at most " + std::to_string(n) + " characters");
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Lists rec files with their level, player count and finish time.",
                 "korvo-clockr-cli"};
    std::string pattern = "rec/*.rec";
    bool internals = false;
    bool externals = false;
    int internal_number = 0;
    std::string external_name;
    bool three_digits = false;
    bool txt = false;
    std::string format = "text";

    app.add_option("PATTERN", pattern, "path whose last component may hold * and ?")
        ->capture_default_str()
        ->check(max_length(path_capacity));
    auto* o_internals = app.add_flag("--internals", internals, "only internal levels");
    auto* o_externals = app.add_flag("--externals", externals, "only external levels");
    auto* o_internal = app.add_option("--internal", internal_number, "only internal level N")
                           ->type_name("N")
                           ->check(CLI::Range(-128, 127));
    auto* o_external = app.add_option("--external", external_name, "only the level file NAME")
                           ->type_name("NAME")
                           ->check(max_length(external_name_capacity));
    o_internals->excludes(o_externals, o_internal, o_external);
    o_externals->excludes(o_internal, o_external);
    o_internal->excludes(o_external);
    app.add_flag("--three-digits", three_digits, "times in thousandths");
    app.add_flag("--txt", txt, "also write stat.txt in the current directory");
    app.add_option("--format", format, "output format")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->capture_default_str();

    app.set_version_flag("--version", "korvo-clockr-cli " CLOCKR_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

#ifdef _WIN32
    // The same bytes as on Linux: no CR added in front of each line feed.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    ListOptions options;
    std::snprintf(options.pattern, sizeof options.pattern, "%s", pattern.c_str());
    std::snprintf(options.external_name, sizeof options.external_name, "%s",
                  external_name.c_str());
    options.internal_number = static_cast<std::int8_t>(internal_number);
    if (internals) options.filter = FilterMode::Internals;
    if (externals) options.filter = FilterMode::Externals;
    if (*o_internal) options.filter = FilterMode::Internal;
    if (*o_external) options.filter = FilterMode::External;
    options.three_digits = three_digits;
    options.report = txt;

    StdoutSink sink(format == "csv" ? Format::Csv : format == "json" ? Format::Json : Format::Text);
    TextReport report;
    sink.begin();
    run_listing_pass(options, sink, report);
    sink.finish();

    int status = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("korvo-clockr-cli: the list could not be written to standard output\n", stderr);
        status = 1;
    }
    if (txt && !report.succeeded()) {
        char why[report_message_room];
        report.describe_failure(why, sizeof why);
        std::fprintf(stderr, "korvo-clockr-cli: %s\n", why);
        status = 1;
    }
    return status;
}
