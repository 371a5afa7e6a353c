// korvo-clockr-cli: the listing for scripts and for machines without a
// display. Same options and the same pass as the dialog.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "listing/listing.h"
#include "listing/row_order.h"
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

// Prints rows in one of the formats, each row as it is given.
class Printer {
public:
    explicit Printer(Format format) : format_(format) {}

    void begin() {
        if (format_ == Format::Csv) std::fputs("rec file,lev file,s/m,time\r\n", stdout);
    }

    void print(const ListRow& row) {
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
        case Format::Json:
            std::fputs(rows_ == 0 ? "[\n  " : ",\n  ", stdout);
            std::fputs(json_row(row).dump().c_str(), stdout);
            break;
        }
        ++rows_;
    }

    void finish() {
        if (format_ == Format::Json) std::fputs(rows_ == 0 ? "[]\n" : "\n]\n", stdout);
    }

private:
    // The four texts as shown, then the same facts typed.
    nlohmann::ordered_json json_row(const ListRow& row) const {
        nlohmann::ordered_json object = {{"rec_file", to_utf8(row.rec_file)},
                                         {"lev_file", to_utf8(row.lev_file)},
                                         {"s_m", row.s_m},
                                         {"time", row.time},
                                         {"players", std::strcmp(row.s_m, "m") == 0 ? 2 : 1}};
        const std::optional<int> level = internal_level_number(row.lev_file);
        object["internal_level"] = level ? nlohmann::ordered_json(*level) : nullptr;
        object["finished"] = row.finished;
        object["time_units"] = row.finished && std::isfinite(row.finish_time)
                                   ? nlohmann::ordered_json(row.finish_time)
                                   : nullptr;
        object["time_ms"] = row.finished ? nlohmann::ordered_json(time_product(row.finish_time, true))
                                         : nullptr;
        object["time_cs"] = row.finished ? nlohmann::ordered_json(time_product(row.finish_time, false))
                                         : nullptr;
        return object;
    }

    Format format_;
    int rows_ = 0;
};

// The pass's rows: printed at once, or kept when they are to be reordered;
// with --txt each goes to stat.txt in pass order unless --best chooses them.
class PassSink final : public RowSink {
public:
    PassSink(Printer& printer, TextReport* report, bool keep)
        : printer_(printer), report_(report), keep_(keep) {}

    void clear() override {}  // the passes add up to one list

    void add_row(int, const ListRow& row) override {
        if (report_) report_->write_row(row);
        if (keep_) rows.push_back(row);
        else printer_.print(row);
    }

    std::vector<ListRow> rows;

private:
    Printer& printer_;
    TextReport* report_;
    bool keep_;
};

CLI::Validator max_length(std::size_t n) {
    return CLI::Validator(
        [n](std::string& value) {
            return value.size() > n ? "longer than " + std::to_string(n) + " characters"
                                    : std::string();
        },
        "");
}

// A decimal whole number in [low, high]; no other base, as a user types it.
CLI::Validator decimal_in(int low, int high) {
    return CLI::Validator(
        [low, high](std::string& value) {
            const char* first = value.c_str() + (value[0] == '+' && value.size() > 1 ? 1 : 0);
            const char* last = value.c_str() + value.size();
            long n = 0;
            const auto [end, error] = std::from_chars(first, last, n);
            if (end != last || (error != std::errc() && error != std::errc::result_out_of_range))
                return value + " is not a number";
            if (error == std::errc::result_out_of_range || n < low || n > high)
                return value + " is out of range";
            return std::string();
        },
        "");
}

CLI::Validator one_of(std::vector<std::string> values) {
    return CLI::Validator(
        [values](std::string& value) {
            for (const std::string& v : values)
                if (value == v) return std::string();
            return "'" + value + "' is unknown";
        },
        "");
}

// What each option's value must be, for the usage errors.
struct Expectation {
    const char* option;
    const char* expects;
};
constexpr Expectation expectations[] = {
    {"PATTERN", "a path of at most 259 characters"},
    {"--internal", "a whole number N from -128 to 127"},
    {"--external", "a level file NAME of at most 19 characters"},
    {"--format", "text, csv or json"},
    {"--sort", "rec, lev, sm or time"},
};

std::string usage_error(const CLI::Error& e) {
    std::string message = e.what();
    for (const Expectation& x : expectations) {
        const std::string prefix = std::string(x.option) + ":";
        if (message.rfind(prefix, 0) != 0) continue;
        if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) message = prefix + " its value is missing";
        return message + "; expects " + x.expects;
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&e)) message += "; give one level filter at most";
    return message;
}

SortColumn sort_column(const std::string& name) {
    if (name == "lev") return SortColumn::LevFile;
    if (name == "sm") return SortColumn::SM;
    if (name == "time") return SortColumn::Time;
    return SortColumn::RecFile;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Lists rec files with their level, player count and finish time.",
                 "korvo-clockr-cli"};
    std::vector<std::string> patterns;
    bool internals = false;
    bool externals = false;
    std::string internal_number;
    std::string external_name;
    bool three_digits = false;
    bool txt = false;
    std::string format = "text";
    std::string sort;
    bool reverse = false;
    bool best = false;

    app.add_option("PATTERN", patterns,
                   "paths whose last component may hold * and ?, listed one after another "
                   "(default rec/*.rec)")
        ->check(max_length(path_capacity));
    auto* o_internals = app.add_flag("--internals", internals, "only internal levels");
    auto* o_externals = app.add_flag("--externals", externals, "only external levels");
    auto* o_internal = app.add_option("--internal", internal_number, "only internal level N (-128 to 127)")
                           ->type_name("N")
                           ->check(decimal_in(-128, 127));
    auto* o_external = app.add_option("--external", external_name,
                                      "only the level file NAME (at most 19 characters)")
                           ->type_name("NAME")
                           ->check(max_length(external_name_capacity));
    o_internals->excludes(o_externals, o_internal, o_external);
    o_externals->excludes(o_internal, o_external);
    o_internal->excludes(o_external);
    app.add_flag("--three-digits", three_digits, "times in thousandths");
    app.add_flag("--txt", txt, "also write stat.txt in the current directory");
    app.add_option("--format", format, "output format: text, csv or json")
        ->type_name("FORMAT")
        ->check(one_of({"text", "csv", "json"}))
        ->capture_default_str();
    auto* o_sort = app.add_option("--sort", sort,
                                  "print the rows ordered by COLUMN: rec, lev, sm or time "
                                  "(stat.txt keeps the pass order)")
                       ->type_name("COLUMN")
                       ->check(one_of({"rec", "lev", "sm", "time"}));
    app.add_flag("--reverse", reverse, "with --sort: descending, equal keys still in pass order")
        ->needs(o_sort);
    app.add_flag("--best", best,
                 "per level only the finished run with the lowest time, levels in order; "
                 "with --txt stat.txt holds these rows");
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return usage_error(e) + "\nRun with --help for more information.\n";
    });

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
    if (patterns.empty()) patterns.push_back("rec/*.rec");
    ListOptions options;
    std::snprintf(options.external_name, sizeof options.external_name, "%s",
                  external_name.c_str());
    if (*o_internal) options.internal_number = static_cast<std::int8_t>(std::stoi(internal_number));
    if (internals) options.filter = FilterMode::Internals;
    if (externals) options.filter = FilterMode::Externals;
    if (*o_internal) options.filter = FilterMode::Internal;
    if (*o_external) options.filter = FilterMode::External;
    options.three_digits = three_digits;

    Printer printer(format == "csv" ? Format::Csv : format == "json" ? Format::Json : Format::Text);
    TextReport report;
    // One report for all passes; --best writes its rows once they are known.
    if (txt) report.open();
    PassSink sink(printer, txt && !best ? &report : nullptr, best || *o_sort);
    printer.begin();
    for (const std::string& pattern : patterns) {
        std::snprintf(options.pattern, sizeof options.pattern, "%s", pattern.c_str());
        run_listing_pass(options, sink, report);
    }
    std::vector<ListRow> rows = std::move(sink.rows);
    if (best) {
        std::vector<ListRow> chosen;
        for (const std::size_t i : best_per_level(rows, three_digits)) chosen.push_back(rows[i]);
        rows = std::move(chosen);
        if (txt)
            for (const ListRow& row : rows) report.write_row(row);
    }
    if (*o_sort) {
        for (const std::size_t i : sorted_rows(rows, sort_column(sort), reverse, three_digits))
            printer.print(rows[i]);
    } else {
        for (const ListRow& row : rows) printer.print(row);
    }
    printer.finish();
    if (txt) report.close();

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
