// Every RowSink over the same pass: the test's own, the dialog's list view,
// and the command-line tool's text, CSV and JSON output give the same rows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dialog/main_dialog.h"
#include "dialog/resource.h"
#include "support/dialog_driver.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The pass every sink gets: externals only, in thousandths. Names and level
// texts stay within 14 characters, so the text lines split at fixed columns.
const Rows expected_rows = {
    {"b,\"q\".rec", "Foo.lev", "m", "1:08.681"},
    {"c.rec", "Bar.lev", "s", "not finished"},
    {"d.rec", "QWQUU056.LEV", "s", "0:59.999"},
    {"e.rec", "ABCDEFGHIJKLMN", "s", "0:27.472"},
};

RecordSpec on_level(const std::string& level, double finish, bool finished = true) {
    RecordSpec r;
    r.level_name = level;
    r.events = run_events(4, finish, finished);
    return r;
}

Rows through_recording_sink() {
    ListOptions options;
    options.filter = FilterMode::Externals;
    options.three_digits = true;
    RecordingSink sink;
    TextReport report;
    run_listing_pass(options, sink, report);
    Rows rows;
    for (const RecordedRow& r : sink.rows) {
        EXPECT_EQ(r.index, static_cast<int>(rows.size()));
        rows.push_back({r.rec_file, r.lev_file, r.s_m, r.time});
    }
    return rows;
}

Rows through_list_view() {
    Rows rows;
    run_dialog(IDD_MAIN, main_dialog_proc, [&](HWND dialog) {
        click(dialog, IDC_EXTERNALS);
        click(dialog, IDC_THREE_DIGITS);
        click(dialog, IDC_REFRESH);
        rows = list_rows(dialog, IDC_LIST);
    });
    return rows;
}

std::string cli_output(const std::string& format) {
    const std::string command =
        "'" CLOCKR_CLI "' --externals --three-digits --format " + format + " >cli.out </dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const std::string out = read_file("cli.out");
    fs::remove("cli.out");
    return out;
}

Rows through_cli_text() {
    Rows rows;
    const std::string out = cli_output("text");
    for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = out.substr(at, end - at);
        const auto trimmed = [&](std::size_t from, std::size_t n) {
            const std::string field = line.substr(from, n);
            return field.substr(0, field.find_last_not_of(' ') + 1);
        };
        EXPECT_EQ(line.substr(29, 3), "   ") << line;
        rows.push_back({trimmed(0, 14), trimmed(14, 14), line.substr(28, 1), line.substr(32)});
    }
    return rows;
}

Rows through_cli_csv() {
    const std::string out = cli_output("csv");
    Rows rows;
    std::vector<std::string> row(1);
    bool quoted = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (quoted) {
            if (c != '"') row.back() += c;
            else if (i + 1 < out.size() && out[i + 1] == '"') row.back() += out[++i];
            else quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.emplace_back();
        } else if (c == '\r' && i + 1 < out.size() && out[i + 1] == '\n') {
            rows.push_back(row);
            row.assign(1, "");
            ++i;
        } else {
            row.back() += c;
        }
    }
    EXPECT_EQ(row, std::vector<std::string>(1)) << "a last line without CR LF";
    if (rows.empty()) return rows;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"rec file", "lev file", "s/m", "time"}));
    return Rows(rows.begin() + 1, rows.end());
}

Rows through_cli_json() {
    Rows rows;
    for (const auto& object : nlohmann::json::parse(cli_output("json")))
        rows.push_back({object.at("rec_file"), object.at("lev_file"), object.at("s_m"), object.at("time")});
    return rows;
}

struct SinkCase {
    const char* name;
    Rows (*rows)();
};

void PrintTo(const SinkCase& c, std::ostream* os) { *os << c.name; }

class EveryRowSink : public ::testing::TestWithParam<SinkCase> {
protected:
    EveryRowSink() : cwd_(dir_.path()) {
        fs::create_directory("rec");
        write_file("rec/a.rec", single_player(on_level("QWQUU001.LEV", 12)));
        write_file("rec/b,\"q\".rec", two_player(on_level("Foo.lev", 30), on_level("Foo.lev", 5)));
        write_file("rec/c.rec", single_player(on_level("Bar.lev", 12, false)));
        write_file("rec/d.rec", single_player(on_level("QWQUU056.LEV", 26.208)));
        write_file("rec/e.rec", single_player(on_level("ABCDEFGHIJKLMN", 12)));
        write_file("rec/junk.rec", Bytes{1, 2, 3});
    }

    TempDir dir_;
    CurrentDir cwd_;
};

TEST_P(EveryRowSink, GivesThePassRowsInOrder) {
    EXPECT_EQ(GetParam().rows(), expected_rows);
}

INSTANTIATE_TEST_SUITE_P(
    Sinks, EveryRowSink,
    ::testing::Values(SinkCase{"TestSink", through_recording_sink}, SinkCase{"ListView", through_list_view},
                      SinkCase{"CliText", through_cli_text}, SinkCase{"CliCsv", through_cli_csv},
                      SinkCase{"CliJson", through_cli_json}),
    [](const ::testing::TestParamInfo<SinkCase>& info) { return std::string(info.param.name); });

} // namespace
