// The dialog under a seeded random stream of what a user and the system can
// do: keys of every kind, clicks anywhere, text typed, pasted or set from
// outside (300 characters, text that is not UTF-8), Refresh and TXT output
// over a folder that changes between passes, column resizing, closing.
// After every pass the list must hold exactly the rows the core gives for
// the options the controls show, and stat.txt the same rows or, with a
// message box, its old bytes.
//
// CLOCKR_MONKEY_EVENTS (default 3000) events, or as many as fit in
// CLOCKR_MONKEY_SECONDS; CLOCKR_MONKEY_SEED picks the stream (default fixed;
// scripts/test-monkey runs it for a time with a new seed, which it prints).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "dialog/main_dialog.h"
#include "dialog/resource.h"
#include "listing/row_order.h"
#include "listing/text_report.h"
#include "support/dialog_driver.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::string>>;

const int edits[] = {IDC_PATH_FILTER, IDC_INTERNAL_NUMBER, IDC_EXTERNAL_NAME};
const int buttons[] = {IDC_REFRESH,   IDC_ALL_LEVS, IDC_INTERNALS,    IDC_EXTERNALS,
                       IDC_INTERNAL,  IDC_EXTERNAL, IDC_THREE_DIGITS, IDC_TXT_OUTPUT};

// Bytes as the list view shows them: UTF-8 when they are, else Latin-1.
std::string as_shown(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (decoder.hasError()) text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return text.toStdString();
}

std::string env_or(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// What the dialog procedure saw of the last pass, taken around it.
struct PassSeen {
    bool pending = false;
    bool report = false;
    ListOptions options;
    std::string stat_before;  // stat.txt's bytes, "<none>" or "<folder>"
    std::size_t boxes_before = 0;
};

struct Monkey {
    std::mt19937 random;
    std::deque<std::string> recent;  // the last events, shown when a check fails
    PassSeen seen;
    std::vector<std::string> boxes;
    bool closed = false;
    long events = 0, passes = 0, reports = 0, sessions = 0, files_made = 0;

    explicit Monkey(unsigned seed) : random(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    bool chance(int percent) { return below(100) < percent; }

    void note(std::string what) {
        recent.push_back(std::move(what));
        if (recent.size() > 20) recent.pop_front();
    }

    std::string trail() const {
        std::string out;
        for (const std::string& e : recent) out += "  " + e + "\n";
        return out;
    }

    // Text a user might type: short or 300 characters, ASCII, Latin-1 or beyond.
    QString some_text() {
        static const QString pool[] = {"rec/*.rec", "rec/?.rec", "*",  "rec/*", "missing/*.rec", "rec\\*.rec",
                                       "7",         "-3",        "300", "55",   "Foo.lev",       "QWQUU001.LEV",
                                       "caf\u00e9", "\u20ac\u65e5\u672c", " ", ""};
        switch (below(4)) {
        case 0: return pool[below(int(std::size(pool)))];
        case 1: {
            QString s;
            for (int i = 0, n = below(20); i < n; ++i) s += QChar(32 + below(95));
            return s;
        }
        case 2: {
            QString s;
            for (int i = 0; i < 300; ++i) s += QChar(below(2) ? 'a' + below(26) : 0xa0 + below(0x60));
            return s;
        }
        default: {
            QString s;
            for (int i = 0, n = below(12); i < n; ++i) s += QChar(0x20 + below(0x3000));
            return s;
        }
        }
    }

    // Bytes that are mostly not UTF-8, as another program may set them.
    std::string some_bytes() {
        std::string s;
        for (int i = 0, n = below(2) ? below(24) : 300; i < n; ++i) s += char(1 + below(255));
        return s;
    }

    // The folder changes between passes as other programs change it.
    void change_folder() {
        const std::string name = "rec/" + std::to_string(below(30)) + (chance(20) ? "\xe9" : "") + ".rec";
        static const char* const levels[] = {"QWQUU001.LEV", "QWQUU007.LEV", "QWQUU055.LEV", "QWQUU056.LEV",
                                             "Foo.lev",      "foo.lev",      "ABCDEFGHIJKLMNO", "Bar\xff.lev"};
        std::error_code ignored;
        switch (below(7)) {
        case 0:
        case 1: {
            RecordSpec r;
            r.level_name = levels[below(int(std::size(levels)))];
            r.events = run_events(1 + below(6), 0.5 * below(200), chance(70));
            fs::remove_all(name, ignored);
            write_file(name, chance(30) ? two_player(r, r) : single_player(r));
            ++files_made;
            note("folder: rec file " + name);
            break;
        }
        case 2:
            fs::remove_all(name, ignored);
            write_file(name, Bytes(std::size_t(below(50)), 0x83));
            note("folder: junk " + name);
            break;
        case 3:
            fs::remove_all(name, ignored);
            note("folder: removed " + name);
            break;
        case 4:
            fs::remove_all(name, ignored);
            fs::create_directory(name, ignored);
            note("folder: folder " + name);
            break;
        case 5:
            fs::remove_all("stat.txt", ignored);
            if (chance(50)) fs::create_directory("stat.txt", ignored);
            note("folder: stat.txt a folder or gone");
            break;
        default:
            fs::remove_all("stat.txt", ignored);
            write_file("stat.txt", Bytes{'o', 'l', 'd'});
            note("folder: old stat.txt");
            break;
        }
    }

    // One event of any kind; a close sets closed (through the procedure).
    void event(HWND dialog) {
        QWidget* window = win32qt::widget_of(dialog);
        ++events;
        const int kind = below(100);
        if (kind < 24) {
            static const Qt::Key keys[] = {Qt::Key_Tab,    Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Enter,
                                           Qt::Key_Space,  Qt::Key_Up,      Qt::Key_Down,   Qt::Key_Left,
                                           Qt::Key_Right,  Qt::Key_Home,    Qt::Key_End,    Qt::Key_PageUp,
                                           Qt::Key_PageDown, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Insert,
                                           Qt::Key_F1,     Qt::Key_F4,      Qt::Key_F10,    Qt::Key_Menu,
                                           Qt::Key_A,      Qt::Key_R,       Qt::Key_T,      Qt::Key_V,
                                           Qt::Key_X,      Qt::Key_Z,       Qt::Key_3,      Qt::Key_Minus,
                                           Qt::Key_Slash,  Qt::Key_Asterisk};
            static const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier,
                                                              Qt::ControlModifier, Qt::AltModifier,
                                                              Qt::ControlModifier | Qt::ShiftModifier};
            const Qt::Key k = keys[below(int(std::size(keys)))];
            const Qt::KeyboardModifiers m = modifiers[below(int(std::size(modifiers)))];
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
            note("key " + std::to_string(int(k)) + " modifiers " + std::to_string(int(m)));
            QTest::keyClick(target, k, m);
        } else if (kind < 44) {
            const QPoint at(below(window->width()), below(window->height()));
            QWidget* target = window->childAt(at);
            if (!target) target = window;
            const QPoint local = target->mapFrom(window, at);
            const bool twice = chance(15);
            const Qt::MouseButton button = chance(85) ? Qt::LeftButton : Qt::RightButton;
            note(std::string(twice ? "double-click " : "click ") + std::to_string(at.x()) + "," +
                 std::to_string(at.y()) + " on " + target->metaObject()->className());
            if (twice)
                QTest::mouseDClick(target, button, {}, local);
            else
                QTest::mouseClick(target, button, {}, local);
        } else if (kind < 54) {
            const int id = edits[below(3)];
            auto* line = static_cast<QLineEdit*>(item_widget(dialog, id));
            const QString text = some_text();
            note("type " + std::to_string(text.size()) + " characters into " + std::to_string(id));
            if (chance(50)) line->selectAll();
            // Key events carrying the text, as an input method sends them:
            // QTest::keyClicks takes only ASCII.
            for (const QChar c : text) {
                QTest::sendKeyEvent(QTest::Press, line, Qt::Key_unknown, QString(c), Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, line, Qt::Key_unknown, QString(c), Qt::NoModifier);
            }
        } else if (kind < 59) {
            const int id = edits[below(3)];
            auto* line = static_cast<QLineEdit*>(item_widget(dialog, id));
            QApplication::clipboard()->setText(some_text());
            note("paste into " + std::to_string(id));
            line->setFocus();
            if (chance(50)) QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(line, Qt::Key_V, Qt::ControlModifier);
        } else if (kind < 62) {
            const int id = edits[below(3)];
            const std::string bytes = some_bytes();
            note("set " + std::to_string(bytes.size()) + " bytes into " + std::to_string(id));
            SetWindowTextA(GetDlgItem(dialog, id), bytes.c_str());
        } else if (kind < 72) {
            const int id = buttons[below(int(std::size(buttons)))];
            note("click control " + std::to_string(id));
            click(dialog, id);
        } else if (kind < 80) {
            note("Refresh");
            click(dialog, IDC_REFRESH);
        } else if (kind < 84) {
            note("TXT output");
            click(dialog, IDC_TXT_OUTPUT);
        } else if (kind < 92) {
            change_folder();
        } else if (kind < 99) {
            auto* view = static_cast<QTableView*>(item_widget(dialog, IDC_LIST));
            QHeaderView* header = view->horizontalHeader();
            const int section = below(4);
            const int edge = header->sectionViewportPosition(section) + header->sectionSize(section) - 1;
            const QPoint from(edge, header->height() / 2);
            const QPoint to(std::max(0, edge + below(301) - 150), from.y());
            note("drag column " + std::to_string(section) + " edge to " + std::to_string(to.x()));
            if (chance(20)) {
                QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, from);
            } else {
                QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
                QTest::mouseMove(header->viewport(), to);
                QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, to);
            }
        } else if (chance(50)) {
            note("Esc");
            QTest::keyClick(window, Qt::Key_Escape);
        } else {
            note("close box");
            window->close();
        }
    }

    // A header click may have sorted the list: order the core's rows as the
    // header's sort mark says, equal keys in pass order.
    static void sort_as_header_shows(HWND dialog, bool three_digits, std::vector<RecordedRow>& rows) {
        const HWND header = reinterpret_cast<HWND>(SendDlgItemMessageA(dialog, IDC_LIST, LVM_GETHEADER, 0, 0));
        for (int column = 0; column < 4; ++column) {
            HDITEMA item = {};
            item.mask = HDI_FORMAT;
            SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
            if (!(item.fmt & (HDF_SORTUP | HDF_SORTDOWN))) continue;
            const bool descending = item.fmt & HDF_SORTDOWN;
            const auto key = [column](const RecordedRow& r) -> const std::string& {
                return column == 0 ? r.rec_file : column == 1 ? r.lev_file : column == 2 ? r.s_m : r.time;
            };
            std::stable_sort(rows.begin(), rows.end(), [&](const RecordedRow& a, const RecordedRow& b) {
                const int c = compare_texts(static_cast<SortColumn>(column), key(a).c_str(), key(b).c_str(),
                                            three_digits);
                return descending ? c > 0 : c < 0;
            });
            return;
        }
    }

    // The check after a pass: the list, stat.txt, and nothing else written.
    void check_pass(HWND dialog) {
        seen.pending = false;
        RecordingSink core;
        TextReport unused;
        ListOptions list_only = seen.options;
        list_only.report = false;
        run_listing_pass(list_only, core, unused);
        std::vector<RecordedRow> rows = core.rows;
        sort_as_header_shows(dialog, seen.options.three_digits, rows);
        Rows expected;
        for (const RecordedRow& r : rows)
            expected.push_back({as_shown(r.rec_file), as_shown(r.lev_file), r.s_m, r.time});
        ASSERT_EQ(list_rows(dialog, IDC_LIST), expected)
            << "pattern " << seen.options.pattern << ", filter " << int(seen.options.filter) << ", after\n"
            << trail();
        if (seen.report) {
            ++reports;
            if (boxes.size() > seen.boxes_before) {
                ASSERT_EQ(boxes.back().rfind("stat.txt could not be written. ", 0), 0u) << boxes.back();
                ASSERT_EQ(stat_txt(), seen.stat_before) << trail();
            } else {
                ASSERT_EQ(stat_txt(), report_lines(core.rows)) << trail();
            }
        }
        for (const auto& e : fs::directory_iterator("."))
            ASSERT_TRUE(e.path().filename() == "rec" || e.path().filename() == "stat.txt")
                << e.path() << " left behind after\n" << trail();
    }

    static std::string stat_txt() {
        if (fs::is_directory("stat.txt")) return "<folder>";
        if (!fs::exists("stat.txt")) return "<none>";
        return read_file("stat.txt");
    }
};

Monkey* monkey = nullptr;

// The program's dialog procedure, watched: the options and stat.txt just
// before each pass, a close when it comes.
INT_PTR CALLBACK watched_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    const int id = message == WM_COMMAND ? LOWORD(wparam) : 0;
    const bool pass = message == WM_INITDIALOG || id == IDC_REFRESH || id == IDC_TXT_OUTPUT;
    if (pass && message == WM_COMMAND) {
        read_options(dialog, monkey->seen.options);
        monkey->seen.report = id == IDC_TXT_OUTPUT;
        monkey->seen.stat_before = Monkey::stat_txt();
        monkey->seen.boxes_before = monkey->boxes.size();
    }
    const INT_PTR result = main_dialog_proc(dialog, message, wparam, lparam);
    if (message == WM_INITDIALOG) {
        // The controls as opening set them, for the pass it ran.
        read_options(dialog, monkey->seen.options);
        monkey->seen.report = false;
    }
    if (pass) {
        monkey->seen.pending = true;
        ++monkey->passes;
    }
    if (id == IDCANCEL) monkey->closed = true;
    return result;
}

TEST(Monkey, RandomUseKeepsTheListTrueToTheCore) {
    const unsigned seed = unsigned(std::stoul(env_or("CLOCKR_MONKEY_SEED", "20261211")));
    const long max_events = std::stol(env_or("CLOCKR_MONKEY_EVENTS", "3000"));
    const long seconds = std::stol(env_or("CLOCKR_MONKEY_SECONDS", "0"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const auto done = [&](long events) {
        return seconds > 0 ? std::chrono::steady_clock::now() >= deadline : events >= max_events;
    };

    // Text in scripts the fonts lack is logged once per script and font.
    QLoggingCategory::setFilterRules("qt.qpa.fonts.warning=false");
    TempDir dir;
    CurrentDir cwd(dir.path());
    fs::copy(CLOCKR_EXAMPLES "/rec", "rec");
    Monkey m(seed);
    monkey = &m;
    win32qt::set_message_box_hook([&](HWND, const char* text, const char*, UINT) {
        m.boxes.push_back(text);
        return IDOK;
    });
    while (!done(m.events) && !::testing::Test::HasFatalFailure()) {
        ++m.sessions;
        m.closed = false;
        m.note("open");
        run_dialog(IDD_MAIN, watched_proc, [&](HWND dialog) {
            if (m.seen.pending) m.check_pass(dialog);
            while (!m.closed && !done(m.events) && !::testing::Test::HasFatalFailure()) {
                m.event(dialog);
                if (m.seen.pending && !m.closed) m.check_pass(dialog);
            }
        });
    }
    win32qt::set_message_box_hook(nullptr);
    monkey = nullptr;
    std::printf("monkey: seed %u, %ld events, %ld sessions, %ld passes (%ld with stat.txt), %ld rec files made, "
                "%zu message boxes\n",
                seed, m.events, m.sessions, m.passes, m.reports, m.files_made, m.boxes.size());
}

} // namespace
