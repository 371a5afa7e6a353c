// The program's dialog, driven through our layer over the sample rec files:
// opening, the filters, the commands, stat.txt, focus, and the layout.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cmath>
#include <filesystem>

#include "dialog/main_dialog.h"
#include "dialog/resource.h"
#include "support/dialog_driver.h"
#include "support/rec_writer.h"
#include "support/recording_sink.h"
#include "support/report_faults.h"
#include "support/temp_dir.h"
#include "win32qt/resources.h"

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::string>>;

const Rows sample_rows = {
    {"duel.rec", "Duel.lev", "m", "not finished"},
    {"duo_warmup.rec", "internal 7", "m", "1:00.00"},
    {"first_try.rec", "internal 1", "s", "0:27.47"},
    {"forest.rec", "Forest.lev", "s", "1:08.68"},
    {"hour.rec", "Marathon.lev", "s", "60:00.00"},
    {"last_level.rec", "internal 55", "s", "not finished"},
};

struct Box {
    std::string text, caption;
    UINT type;
};

class MainDialog : public ::testing::Test {
protected:
    MainDialog() : cwd_(dir_.path()) {
        fs::copy(CLOCKR_EXAMPLES "/rec", dir_.path() / "rec");
        win32qt::set_message_box_hook([this](HWND, const char* text, const char* caption, UINT type) {
            boxes_.push_back({text, caption, type});
            return IDOK;
        });
    }
    ~MainDialog() override { win32qt::set_message_box_hook(nullptr); }

    INT_PTR open(const std::function<void(HWND)>& drive) { return run_dialog(IDD_MAIN, main_dialog_proc, drive); }

    static Rows rows(HWND dialog) { return list_rows(dialog, IDC_LIST); }

    static void type(HWND dialog, int id, const char* text) {
        auto* line = static_cast<QLineEdit*>(item_widget(dialog, id));
        line->clear();
        QTest::keyClicks(line, text);
    }

    bool stat_txt_exists() const { return fs::exists(dir_.path() / "stat.txt"); }

    TempDir dir_;
    CurrentDir cwd_;
    std::vector<Box> boxes_;
};

Rows only(std::initializer_list<int> indexes) {
    Rows out;
    for (int i : indexes) out.push_back(sample_rows[std::size_t(i)]);
    return out;
}

} // namespace

TEST_F(MainDialog, OpensListingTheSampleRowsWithTheDefaults) {
    open([&](HWND dialog) {
        EXPECT_EQ(rows(dialog), sample_rows);
        EXPECT_TRUE(checked(dialog, IDC_ALL_LEVS));
        for (int id : {IDC_INTERNALS, IDC_EXTERNALS, IDC_INTERNAL, IDC_EXTERNAL, IDC_THREE_DIGITS})
            EXPECT_FALSE(checked(dialog, id)) << id;
        char pattern[260];
        GetWindowTextA(GetDlgItem(dialog, IDC_PATH_FILTER), pattern, sizeof pattern);
        EXPECT_STREQ(pattern, "rec/*.rec");
        EXPECT_EQ(win32qt::widget_of(dialog)->windowTitle(), QString("Korvo clockr"));

        auto* view = static_cast<QTableView*>(item_widget(dialog, IDC_LIST));
        const QHeaderView* header = view->horizontalHeader();
        std::vector<std::string> titles;
        std::vector<int> widths;
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            titles.push_back(view->model()->headerData(c, Qt::Horizontal).toString().toStdString());
            widths.push_back(header->sectionSize(c));
        }
        EXPECT_EQ(titles, (std::vector<std::string>{"rec file", "lev file", "s/m", "time"}));
        EXPECT_EQ(widths, (std::vector<int>{100, 100, 30, 70}));
        EXPECT_FALSE(stat_txt_exists());
        EXPECT_TRUE(view->updatesEnabled()) << "the pass left the list without repainting";
    });
}

TEST_F(MainDialog, AFilterTakesEffectOnRefresh) {
    const struct {
        int radio;
        const char* number;
        const char* name;
        Rows expected;
    } cases[] = {
        {IDC_INTERNALS, "", "", only({1, 2, 5})},
        {IDC_EXTERNALS, "", "", only({0, 3, 4})},
        {IDC_INTERNAL, "", "", {}},  // an empty number box is level 0: none
        {IDC_INTERNAL, " +55x", "", only({5})},
        {IDC_INTERNAL, "263", "", only({1})},  // the low 8 bits: 7
        {IDC_EXTERNAL, "", "Forest.lev", only({3})},
        {IDC_ALL_LEVS, "1", "Duel.lev", sample_rows},
    };
    open([&](HWND dialog) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.radio) + " " + c.number + " " + c.name);
            click(dialog, c.radio);
            type(dialog, IDC_INTERNAL_NUMBER, c.number);
            type(dialog, IDC_EXTERNAL_NAME, c.name);
            EXPECT_EQ(rows(dialog), sample_rows) << "changed before Refresh";
            click(dialog, IDC_REFRESH);
            EXPECT_EQ(rows(dialog), c.expected);
            click(dialog, IDC_ALL_LEVS);
            click(dialog, IDC_REFRESH);
            EXPECT_EQ(rows(dialog), sample_rows);
        }
    });
}

TEST_F(MainDialog, ThreeDigitsShowsOnlyAfterTheNextPass) {
    open([&](HWND dialog) {
        click(dialog, IDC_THREE_DIGITS);
        EXPECT_TRUE(checked(dialog, IDC_THREE_DIGITS));
        EXPECT_EQ(rows(dialog)[1][3], "1:00.00");
        click(dialog, IDC_REFRESH);
        EXPECT_EQ(rows(dialog)[1][3], "0:59.999");
        EXPECT_EQ(rows(dialog)[2][3], "0:27.472");
        click(dialog, IDC_THREE_DIGITS);
        click(dialog, IDC_TXT_OUTPUT);
        EXPECT_EQ(rows(dialog)[1][3], "1:00.00");
    });
}

TEST_F(MainDialog, TxtOutputWritesStatTxtAndRefreshDoesNot) {
    open([&](HWND dialog) {
        click(dialog, IDC_REFRESH);
        EXPECT_FALSE(stat_txt_exists());
        click(dialog, IDC_INTERNALS);
        click(dialog, IDC_TXT_OUTPUT);
        EXPECT_EQ(rows(dialog), only({1, 2, 5}));
    });
    EXPECT_EQ(read_file(dir_.path() / "stat.txt"),
              "duo_warmup.recinternal 7    m   1:00.00\r\n"
              "first_try.rec internal 1    s   0:27.47\r\n"
              "last_level.recinternal 55   s   not finished\r\n");
    EXPECT_TRUE(boxes_.empty());
}

namespace {

void click_header(HWND dialog, int section) {
    QHeaderView* header = static_cast<QTableView*>(item_widget(dialog, IDC_LIST))->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// The sort mark as the header control reports it: (column, HDF_SORTUP or HDF_SORTDOWN).
std::vector<std::pair<int, int>> sort_marks(HWND dialog) {
    const HWND header = reinterpret_cast<HWND>(SendDlgItemMessageA(dialog, IDC_LIST, LVM_GETHEADER, 0, 0));
    std::vector<std::pair<int, int>> marks;
    for (int column = 0; column < 4; ++column) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, WPARAM(column), reinterpret_cast<LPARAM>(&item));
        if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) marks.push_back({column, item.fmt & (HDF_SORTUP | HDF_SORTDOWN)});
    }
    return marks;
}

} // namespace

TEST_F(MainDialog, HeaderClicksSortByTheColumnAndAgainReverse) {
    struct Click {
        int column;
        Rows rows;
        int mark;
    };
    const Click clicks[] = {
        {3, only({2, 1, 3, 4, 0, 5}), HDF_SORTUP},    // not finished last, in pass order
        {3, only({0, 5, 4, 3, 1, 2}), HDF_SORTDOWN},  // equal keys still in pass order
        {1, only({2, 1, 5, 0, 3, 4}), HDF_SORTUP},    // internal 1, 7, 55, then names
        {1, only({4, 3, 0, 5, 1, 2}), HDF_SORTDOWN},
        {2, only({2, 3, 4, 5, 0, 1}), HDF_SORTUP},
        {2, only({0, 1, 2, 3, 4, 5}), HDF_SORTDOWN},
        {0, only({0, 1, 2, 3, 4, 5}), HDF_SORTUP},
        {0, only({5, 4, 3, 2, 1, 0}), HDF_SORTDOWN},
        {3, only({2, 1, 3, 4, 0, 5}), HDF_SORTUP},    // a new column starts ascending
    };
    open([&](HWND dialog) {
        EXPECT_TRUE(sort_marks(dialog).empty());
        for (const Click& c : clicks) {
            click_header(dialog, c.column);
            EXPECT_EQ(rows(dialog), c.rows) << c.column;
            EXPECT_EQ(sort_marks(dialog), (std::vector<std::pair<int, int>>{{c.column, c.mark}})) << c.column;
        }
        QHeaderView* header = static_cast<QTableView*>(item_widget(dialog, IDC_LIST))->horizontalHeader();
        EXPECT_TRUE(header->isSortIndicatorShown());
        EXPECT_EQ(header->sortIndicatorSection(), 3);
    });
    // A new dialog lists in pass order again.
    open([&](HWND dialog) {
        EXPECT_EQ(rows(dialog), sample_rows);
        EXPECT_TRUE(sort_marks(dialog).empty());
    });
}

TEST_F(MainDialog, TheSortHoldsForLaterPassesAndStatTxtKeepsThePassOrder) {
    open([&](HWND dialog) {
        click_header(dialog, 3);
        click_header(dialog, 3);
        click(dialog, IDC_THREE_DIGITS);
        click(dialog, IDC_REFRESH);
        Rows expected = only({0, 5, 4, 3, 1, 2});
        expected[3][3] = "1:08.681";
        expected[4][3] = "0:59.999";
        expected[5][3] = "0:27.472";
        expected[2][3] = "60:00.000";
        EXPECT_EQ(rows(dialog), expected);
        click(dialog, IDC_INTERNALS);
        click(dialog, IDC_TXT_OUTPUT);
        EXPECT_EQ(rows(dialog), (Rows{{"last_level.rec", "internal 55", "s", "not finished"},
                                      {"duo_warmup.rec", "internal 7", "m", "0:59.999"},
                                      {"first_try.rec", "internal 1", "s", "0:27.472"}}));
        EXPECT_EQ(sort_marks(dialog), (std::vector<std::pair<int, int>>{{3, HDF_SORTDOWN}}));
    });
    EXPECT_EQ(read_file(dir_.path() / "stat.txt"),
              "duo_warmup.recinternal 7    m   0:59.999\r\n"
              "first_try.rec internal 1    s   0:27.472\r\n"
              "last_level.recinternal 55   s   not finished\r\n");
}

TEST_F(MainDialog, CtrlCCopiesTheSelectedRowsAsTheirStatTxtLines) {
    open([&](HWND dialog) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("before");
        key(dialog, IDC_LIST, Qt::Key_C, Qt::ControlModifier);  // nothing selected: nothing copied
        EXPECT_EQ(clipboard->text(), QString("before"));

        click_header(dialog, 3);
        auto* view = static_cast<QTableView*>(item_widget(dialog, IDC_LIST));
        view->setFocus();
        view->selectionModel()->select(view->model()->index(4, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->selectionModel()->select(view->model()->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        key(dialog, IDC_LIST, Qt::Key_C);  // without Ctrl: no copy
        EXPECT_EQ(clipboard->text(), QString("before"));
        key(dialog, IDC_LIST, Qt::Key_C, Qt::ControlModifier);
        // In list order, which is the sort's.
        EXPECT_EQ(clipboard->text().toStdString(),
                  "first_try.rec internal 1    s   0:27.47\n"
                  "duel.rec      Duel.lev      m   not finished\n");
    });
}

// The session a user has; scripts/test-valgrind also runs it under memcheck.
TEST_F(MainDialog, OpenRefreshTxtOutputAndEscEndTheDialog) {
    const INT_PTR result = open([&](HWND dialog) {
        click(dialog, IDC_REFRESH);
        click(dialog, IDC_TXT_OUTPUT);
        EXPECT_EQ(rows(dialog), sample_rows);
        key(dialog, IDC_PATH_FILTER, Qt::Key_Escape);
    });
    EXPECT_EQ(result, IDCANCEL);
    const std::string report = read_file(dir_.path() / "stat.txt");
    EXPECT_EQ(report.substr(0, 46), "duel.rec      Duel.lev      m   not finished\r\n");
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6);
}

TEST_F(MainDialog, UnwritableStatTxtSaysSoOnceAndKeepsTheList) {
    fs::create_directory(dir_.path() / "stat.txt");
    open([&](HWND dialog) {
        click(dialog, IDC_REFRESH);
        EXPECT_TRUE(boxes_.empty());
        click(dialog, IDC_TXT_OUTPUT);
        EXPECT_EQ(rows(dialog), sample_rows);
    });
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "stat.txt could not be written. Opening stat.txt for writing in " +
                                  fs::canonical(dir_.path()).string() + " failed: Is a directory.");
    EXPECT_EQ(boxes_[0].caption, "Korvo clockr");
    EXPECT_TRUE(fs::is_directory(dir_.path() / "stat.txt"));
}

TEST_F(MainDialog, EachFailingReportStepShowsItsReasonAndKeepsTheOldReport) {
    const std::vector<InjectedFault> faults =
        every_fault([] { RecordingSink sink; run_pass(sink, true); }, disk_full);
    ASSERT_GE(faults.size(), 6u);
    const std::string start = "stat.txt could not be written. ";
    const std::string end = " in " + fs::canonical(dir_.path()).string() + " failed: No space left on device.";
    for (const InjectedFault& fault : faults) {
        SCOPED_TRACE(fault.name());
        write_file("stat.txt", Bytes{'o', 'l', 'd'});
        boxes_.clear();
        FaultScope failing({fault});
        open([&](HWND dialog) {
            click(dialog, IDC_TXT_OUTPUT);
            EXPECT_EQ(rows(dialog), sample_rows);
        });
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text.substr(0, start.size()), start) << boxes_[0].text;
        EXPECT_EQ(boxes_[0].text.substr(boxes_[0].text.size() - std::min(end.size(), boxes_[0].text.size())), end)
            << boxes_[0].text;
        EXPECT_EQ(boxes_[0].type, UINT(MB_OK | MB_ICONERROR));
        EXPECT_EQ(read_file("stat.txt"), "old");
        EXPECT_EQ(entry_names("."), (std::vector<std::string>{"rec", "stat.txt"}));
    }
}

TEST_F(MainDialog, TheRealMessageBoxShowsOverTheFilledListAndOkClosesIt) {
    win32qt::set_message_box_hook(nullptr);
    fs::create_directory(dir_.path() / "stat.txt");
    QString shown;
    Rows behind;
    open([&](HWND dialog) {
        // Looks for the box every 50 ms for at most 30 s, then presses OK.
        auto* timer = new QTimer(win32qt::widget_of(dialog));
        int tries = 0;
        QObject::connect(timer, &QTimer::timeout, [&, timer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) {
                shown = box->text();
                behind = rows(dialog);
                box->button(QMessageBox::Ok)->click();
            }
            if (box || ++tries > 600) timer->stop();
        });
        timer->start(50);
        click(dialog, IDC_TXT_OUTPUT);  // returns once the box is closed
        timer->stop();
    });
    EXPECT_TRUE(shown.startsWith("stat.txt could not be written. ")) << shown.toStdString();
    EXPECT_EQ(behind, sample_rows);
}

const std::vector<int> all_ids = {IDC_PATH_FILTER,     IDC_LIST,          IDC_REFRESH,      IDC_ALL_LEVS,
                                  IDC_INTERNALS,       IDC_EXTERNALS,     IDC_INTERNAL,     IDC_EXTERNAL,
                                  IDC_INTERNAL_NUMBER, IDC_EXTERNAL_NAME, IDC_THREE_DIGITS, IDC_TXT_OUTPUT};

QString selected_text(HWND dialog, int id) { return static_cast<QLineEdit*>(item_widget(dialog, id))->selectedText(); }

TEST_F(MainDialog, TabGoesThroughTheTabStopsAndTheCheckedRadioButtonAndEnterPressesTheFocusedButton) {
    std::vector<int> order, after_click;
    INT_PTR result = open([&](HWND dialog) {
        order.push_back(focused_id(dialog, all_ids));
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Tab);
            order.push_back(focused_id(dialog, all_ids));
        }
        // A click moves the tab stop to the radio button it checks.
        click(dialog, IDC_EXTERNALS);
        click(dialog, IDC_PATH_FILTER);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Tab);
            after_click.push_back(focused_id(dialog, all_ids));
        }
        // Reached by Tab, an edit box has its whole text selected.
        QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focused_id(dialog, all_ids), IDC_PATH_FILTER);
        EXPECT_EQ(selected_text(dialog, IDC_PATH_FILTER), QString("rec/*.rec"));

        // Enter in the pattern box is OK, which the dialog does not handle.
        key(dialog, IDC_PATH_FILTER, Qt::Key_Return);
        EXPECT_EQ(rows(dialog), sample_rows);
        EXPECT_TRUE(win32qt::widget_of(dialog)->isVisible());
        // On a push button Enter presses it.
        key(dialog, IDC_REFRESH, Qt::Key_Return);
        EXPECT_EQ(rows(dialog), only({0, 3, 4}));
        EXPECT_FALSE(stat_txt_exists());
        key(dialog, IDC_TXT_OUTPUT, Qt::Key_Enter);
        EXPECT_TRUE(stat_txt_exists());
        key(dialog, IDC_TXT_OUTPUT, Qt::Key_Escape);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(order, (std::vector<int>{IDC_PATH_FILTER, IDC_LIST, IDC_REFRESH, IDC_ALL_LEVS, IDC_INTERNAL_NUMBER,
                                       IDC_EXTERNAL_NAME, IDC_THREE_DIGITS, IDC_TXT_OUTPUT, IDC_PATH_FILTER}));
    EXPECT_EQ(after_click, (std::vector<int>{IDC_LIST, IDC_REFRESH, IDC_EXTERNALS}));
}

// The arrows go through the group from the label to TXT output, whatever
// the class; they click the auto radio buttons they land on, select the text
// of the edit boxes, and pass over the label to the pattern box.
TEST_F(MainDialog, ArrowsMoveThroughTheGroupAsOnWindows) {
    struct Step {
        int from;
        Qt::Key key;
        int to;
    };
    const Step steps[] = {
        {IDC_REFRESH, Qt::Key_Down, IDC_ALL_LEVS},       {IDC_ALL_LEVS, Qt::Key_Right, IDC_INTERNALS},
        {IDC_INTERNALS, Qt::Key_Up, IDC_ALL_LEVS},       {IDC_ALL_LEVS, Qt::Key_Left, IDC_REFRESH},
        {IDC_REFRESH, Qt::Key_Up, IDC_LIST},             {IDC_EXTERNAL, Qt::Key_Down, IDC_INTERNAL_NUMBER},
        {IDC_THREE_DIGITS, Qt::Key_Up, IDC_EXTERNAL_NAME}, {IDC_THREE_DIGITS, Qt::Key_Down, IDC_TXT_OUTPUT},
        {IDC_TXT_OUTPUT, Qt::Key_Down, IDC_PATH_FILTER},
    };
    open([&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_EXTERNAL_NAME), "Forest.lev");
        for (const Step& step : steps) {
            item_widget(dialog, step.from)->setFocus();
            key(dialog, step.from, step.key);
            EXPECT_EQ(focused_id(dialog, all_ids), step.to) << step.from << " " << step.key;
        }
        EXPECT_TRUE(checked(dialog, IDC_ALL_LEVS));
        EXPECT_FALSE(checked(dialog, IDC_INTERNALS));
        EXPECT_EQ(selected_text(dialog, IDC_EXTERNAL_NAME), QString("Forest.lev"));
        EXPECT_EQ(selected_text(dialog, IDC_PATH_FILTER), QString("rec/*.rec"));
        // The edit boxes and the list keep their arrows.
        key(dialog, IDC_PATH_FILTER, Qt::Key_Down);
        EXPECT_EQ(focused_id(dialog, all_ids), IDC_PATH_FILTER);
        item_widget(dialog, IDC_LIST)->setFocus();
        key(dialog, IDC_LIST, Qt::Key_Down);
        EXPECT_EQ(focused_id(dialog, all_ids), IDC_LIST);
    });
}

// The expected rectangles come from the compiled template, converted here by
// the rule itself (a quarter and an eighth of the base units, rounded half
// away from zero) rather than by the layer's own conversion.
TEST_F(MainDialog, ControlsSitAtTheirTemplateRectangles) {
    win32qt::DialogTemplate t;
    ASSERT_TRUE(win32qt::find_dialog_template(MAKEINTRESOURCEA(IDD_MAIN), t));
    ASSERT_EQ(t.controls.size(), 13u);
    const auto pixels = [](int units, int base, int per_base) { return int(std::lround(double(units) * base / per_base)); };
    open([&](HWND dialog) {
        // 8 points at 96 dots per inch of the template's font (or the
        // metric-compatible one we install) give the base units Windows has.
        const win32qt::BaseUnits base = win32qt::dialog_base_units(dialog);
        EXPECT_EQ(base.x, 6);
        EXPECT_EQ(base.y, 12);
        const QWidget* window = win32qt::widget_of(dialog);
        EXPECT_EQ(window->size(), QSize(497, 267));
        EXPECT_EQ(window->size(), QSize(pixels(t.cx, base.x, 4), pixels(t.cy, base.y, 8)));
        EXPECT_EQ(window->pos(), QPoint(pixels(t.x, base.x, 4), pixels(t.y, base.y, 8)));
        for (const win32qt::ControlTemplate& c : t.controls) {
            const QRect expected(pixels(c.x, base.x, 4), pixels(c.y, base.y, 8), pixels(c.cx, base.x, 4),
                                 pixels(c.cy, base.y, 8));
            EXPECT_EQ(item_widget(dialog, c.id)->geometry(), expected) << c.id << " " << c.text;
        }
        // The list fills the right-hand side: right of every other control.
        const QRect list = item_widget(dialog, IDC_LIST)->geometry();
        for (const win32qt::ControlTemplate& c : t.controls) {
            if (c.id != IDC_LIST) {
                EXPECT_LT(item_widget(dialog, c.id)->geometry().right(), list.left()) << c.id;
            }
        }
    });
}

TEST_F(MainDialog, NamesThatAreNotUtf8ShowAsLatin1) {
    RecordSpec record;
    record.level_name = "Caf\xe9.lev";
    record.frame_count = 10;
    record.events = run_events(3, 5.0, true);
    write_file((dir_.path() / "rec" / "\xe9t\xe9.rec").string(), single_player(record));
    open([&](HWND dialog) {
        const Rows r = rows(dialog);
        ASSERT_EQ(r.size(), sample_rows.size() + 1);
        EXPECT_EQ(r.back()[0], "\xc3\xa9t\xc3\xa9.rec");
        EXPECT_EQ(r.back()[1], "Caf\xc3\xa9.lev");
    });
}

TEST(ReadOptions, NumberBoxReadsLikeAtoiKeepingTheLow8Bits) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},       {"abc", 0},   {"7", 7},       {"  \t+12x", 12}, {"-1", -1},  {"127", 127},
        {"128", -128}, {"255", -1},  {"256", 0},     {"300", 44},      {"- 5", 0},  {"99999999999", 255 - 256},
        {"0055", 55},  {"-128", -128}, {"--1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(internal_number_from(c.text), c.value) << '"' << c.text << '"';
}
