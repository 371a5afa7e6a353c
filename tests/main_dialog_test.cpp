// The program's dialog, driven through our layer over the sample rec files:
// opening, the filters, the commands, stat.txt, focus, and the layout.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "dialog/main_dialog.h"
#include "dialog/resource.h"
#include "support/dialog_driver.h"
#include "support/rec_writer.h"
#include "support/temp_dir.h"

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
    EXPECT_NE(boxes_[0].text.find("stat.txt could not be written"), std::string::npos);
    EXPECT_EQ(boxes_[0].caption, "Korvo clockr");
    EXPECT_TRUE(fs::is_directory(dir_.path() / "stat.txt"));
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
    EXPECT_EQ(shown, QString("stat.txt could not be written."));
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

TEST_F(MainDialog, ControlsSitAtTheirDialogUnitRectangles) {
    const struct {
        int id;
        int x, y, cx, cy;
    } rects[] = {
        {IDC_PATH_FILTER, 13, 23, 99, 14},    {IDC_LIST, 115, 7, 213, 166},         {IDC_REFRESH, 7, 161, 36, 13},
        {IDC_ALL_LEVS, 13, 48, 63, 12},       {IDC_INTERNALS, 13, 61, 54, 11},      {IDC_EXTERNALS, 13, 72, 46, 12},
        {IDC_INTERNAL, 13, 84, 46, 12},       {IDC_EXTERNAL, 13, 112, 46, 12},      {IDC_INTERNAL_NUMBER, 37, 99, 27, 12},
        {IDC_EXTERNAL_NAME, 37, 126, 72, 12}, {IDC_THREE_DIGITS, 13, 142, 67, 11}, {IDC_TXT_OUTPUT, 62, 161, 41, 13},
    };
    open([&](HWND dialog) {
        const win32qt::BaseUnits base = win32qt::dialog_base_units(dialog);
        // The font is 8 points at 96 dots per inch; its average character
        // is about half its height or a little more.
        EXPECT_GE(base.x, 5);
        EXPECT_LE(base.x, 7);
        EXPECT_GE(base.y, 12);
        EXPECT_LE(base.y, 15);
        const QWidget* window = win32qt::widget_of(dialog);
        const win32qt::PixelRect size = win32qt::dialog_units_to_pixels(0, 0, 331, 178, base);
        EXPECT_EQ(window->size(), QSize(size.width, size.height));
        EXPECT_EQ(window->pos(), QPoint(0, 0));
        for (const auto& r : rects) {
            const win32qt::PixelRect p = win32qt::dialog_units_to_pixels(r.x, r.y, r.cx, r.cy, base);
            EXPECT_EQ(item_widget(dialog, r.id)->geometry(), QRect(p.x, p.y, p.width, p.height)) << r.id;
        }
        // The list fills the right-hand side: right of every other control,
        // 3 units from the dialog's right edge.
        const QRect list = item_widget(dialog, IDC_LIST)->geometry();
        for (const auto& r : rects) {
            if (r.id != IDC_LIST) {
                EXPECT_LT(item_widget(dialog, r.id)->geometry().right(), list.left()) << r.id;
            }
        }
        EXPECT_EQ(window->width() - (list.x() + list.width()), win32qt::mul_div(331, base.x, 4) -
                                                                   win32qt::mul_div(115, base.x, 4) -
                                                                   win32qt::mul_div(213, base.x, 4));
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
