// Our Win32 layer on its own: the messages a dialog procedure gets for what
// the user does, focus and tab order, button groups, the list view and texts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "support/dialog_driver.h"

namespace {

constexpr int layer_dialog = 200;
constexpr int edit = 10, push = 11, radio_a = 12, radio_b = 13, radio_c = 14, check = 15, other_radio = 16,
              list = 17;

struct Recorded {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool visible;
};

// What the recording procedure does and what it saw.
struct Procedure {
    INT_PTR init_result = TRUE;
    bool end_in_init = false;
    bool end_on_cancel = false;
    std::vector<Recorded> messages;
    // WM_NOTIFY as (sender id, code, sub-item), read while it is handled.
    std::vector<std::tuple<UINT_PTR, UINT, int>> notifications;

    // The commands other than edit notifications, as (id, code).
    std::vector<std::pair<int, int>> commands() const {
        std::vector<std::pair<int, int>> out;
        for (const Recorded& m : messages) {
            if (m.message == WM_COMMAND && HIWORD(m.wparam) != EN_CHANGE) out.push_back({LOWORD(m.wparam), HIWORD(m.wparam)});
        }
        return out;
    }
};

Procedure* procedure = nullptr;

INT_PTR CALLBACK recording_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    procedure->messages.push_back({message, wparam, lparam, win32qt::widget_of(dialog)->isVisible()});
    if (message == WM_NOTIFY) {
        const auto* n = reinterpret_cast<const NMLISTVIEW*>(lparam);
        EXPECT_EQ(n->hdr.idFrom, WPARAM(wparam));
        EXPECT_EQ(n->hdr.hwndFrom, GetDlgItem(dialog, int(wparam)));
        procedure->notifications.push_back({n->hdr.idFrom, n->hdr.code, n->iSubItem});
    }
    if (message == WM_INITDIALOG) {
        if (procedure->end_in_init) EndDialog(dialog, 42);
        return procedure->init_result;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL && procedure->end_on_cancel) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

class Layer : public ::testing::Test {
protected:
    Layer() { procedure = &proc_; }
    ~Layer() override { procedure = nullptr; }

    INT_PTR run(const std::function<void(HWND)>& drive) {
        return run_dialog(layer_dialog, recording_proc, drive, 77);
    }

    Procedure proc_;
};

} // namespace

TEST_F(Layer, InitDialogComesBeforeTheWindowShowsThenFocusGoesToTheFirstTabStop) {
    HWND first_tab_stop = nullptr;
    bool driven = false;
    EXPECT_EQ(run([&](HWND dialog) {
                  driven = true;
                  first_tab_stop = GetDlgItem(dialog, edit);
                  EXPECT_TRUE(win32qt::widget_of(dialog)->isVisible());
                  EXPECT_EQ(focused_id(dialog, {edit, push, radio_a, check, list}), edit);
              }),
              ended_by_test);
    ASSERT_TRUE(driven);
    ASSERT_FALSE(proc_.messages.empty());
    const Recorded& init = proc_.messages.front();
    EXPECT_EQ(init.message, UINT(WM_INITDIALOG));
    EXPECT_FALSE(init.visible);
    EXPECT_EQ(init.wparam, reinterpret_cast<WPARAM>(first_tab_stop));
    EXPECT_EQ(init.lparam, 77);
}

TEST_F(Layer, InitDialogReturningFalseLeavesTheFocusAlone) {
    proc_.init_result = FALSE;
    run([&](HWND dialog) { EXPECT_EQ(focused_id(dialog, {edit, push, radio_a, check, list}), 0); });
}

TEST_F(Layer, EndDialogWhileOpeningNeverShowsTheWindow) {
    proc_.end_in_init = true;
    bool driven = false;
    EXPECT_EQ(run([&](HWND) { driven = true; }), 42);
    EXPECT_FALSE(driven);
    ASSERT_EQ(proc_.messages.size(), 1u);
}

TEST_F(Layer, ClicksKeysAndTheCloseBoxBecomeCommands) {
    bool still_open = false;
    run([&](HWND dialog) {
        click(dialog, push);
        key(dialog, edit, Qt::Key_Escape);
        win32qt::widget_of(dialog)->close();
        key(dialog, edit, Qt::Key_Return);
        key(dialog, push, Qt::Key_Return);
        key(dialog, check, Qt::Key_Enter);
        key(dialog, list, Qt::Key_Return);
        click(dialog, check);
        click(dialog, radio_b);
        // Nothing closed it: the procedure never called EndDialog.
        still_open = win32qt::widget_of(dialog)->isVisible();
    });
    EXPECT_TRUE(still_open);
    const std::vector<std::pair<int, int>> expected = {
        {push, BN_CLICKED},  {IDCANCEL, 0}, {IDCANCEL, 0},     {IDOK, 0},
        {push, BN_CLICKED},  {IDOK, 0},     {IDOK, 0},         {check, BN_CLICKED},
        {radio_b, BN_CLICKED},
    };
    EXPECT_EQ(proc_.commands(), expected);
    for (const Recorded& m : proc_.messages) {
        if (m.message == WM_COMMAND && LOWORD(m.wparam) == push) {
            EXPECT_NE(m.lparam, 0);
        }
    }
}

TEST_F(Layer, EscEndsTheDialogWhenTheProcedureSaysSo) {
    proc_.end_on_cancel = true;
    EXPECT_EQ(run([](HWND dialog) { key(dialog, edit, Qt::Key_Escape); }), IDCANCEL);
}

TEST_F(Layer, TabAndShiftTabFollowTheTemplateOrderOfTabStops) {
    const std::vector<int> ids = {edit, push, radio_a, radio_b, radio_c, check, other_radio, list};
    std::vector<int> forward, backward;
    run([&](HWND dialog) {
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Tab);
            forward.push_back(focused_id(dialog, ids));
        }
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(win32qt::widget_of(dialog)->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            backward.push_back(focused_id(dialog, ids));
        }
    });
    // The default style of an auto radio button and a check box has a tab stop.
    EXPECT_EQ(forward, (std::vector<int>{push, radio_a, check, other_radio, list, edit}));
    EXPECT_EQ(backward, (std::vector<int>{list, other_radio, check, radio_a, push, edit}));
}

TEST_F(Layer, AutoRadioButtonsAreExclusiveInTheirGroupAndArrowsMoveTheCheck) {
    run([&](HWND dialog) {
        SendDlgItemMessageA(dialog, other_radio, BM_SETCHECK, BST_CHECKED, 0);
        click(dialog, radio_a);
        EXPECT_TRUE(checked(dialog, radio_a));
        click(dialog, radio_b);
        EXPECT_FALSE(checked(dialog, radio_a));
        EXPECT_TRUE(checked(dialog, radio_b));
        click(dialog, radio_b);  // a checked auto radio button stays checked
        EXPECT_TRUE(checked(dialog, radio_b));
        EXPECT_TRUE(checked(dialog, other_radio));  // another group

        const std::vector<int> ids = {radio_a, radio_b, radio_c};
        key(dialog, radio_b, Qt::Key_Down);
        EXPECT_EQ(focused_id(dialog, ids), radio_c);
        EXPECT_TRUE(checked(dialog, radio_c));
        EXPECT_FALSE(checked(dialog, radio_b));
        key(dialog, radio_c, Qt::Key_Right);  // wraps inside the group
        EXPECT_EQ(focused_id(dialog, ids), radio_a);
        EXPECT_TRUE(checked(dialog, radio_a));
        key(dialog, radio_a, Qt::Key_Up);
        EXPECT_EQ(focused_id(dialog, ids), radio_c);
        EXPECT_TRUE(checked(dialog, radio_c));

        // BM_SETCHECK sets one button only, as on Windows.
        SendDlgItemMessageA(dialog, radio_a, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_TRUE(checked(dialog, radio_a));
        EXPECT_TRUE(checked(dialog, radio_c));
    });
}

TEST_F(Layer, AutoCheckBoxTogglesByClickAndSpace) {
    run([&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageA(dialog, check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        click(dialog, check);
        EXPECT_EQ(SendDlgItemMessageA(dialog, check, BM_GETCHECK, 0, 0), BST_CHECKED);
        key(dialog, check, Qt::Key_Space);
        EXPECT_EQ(SendDlgItemMessageA(dialog, check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    });
}

namespace {

void add_column(HWND dialog, int index, const char* title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    SendDlgItemMessageA(dialog, list, LVM_INSERTCOLUMNA, WPARAM(index), reinterpret_cast<LPARAM>(&column));
}

LRESULT list_item(HWND dialog, UINT message, int index, int sub_item, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = sub_item;
    item.pszText = const_cast<char*>(text);
    return SendDlgItemMessageA(dialog, list, message, 0, reinterpret_cast<LPARAM>(&item));
}

} // namespace

TEST_F(Layer, ListViewIsAnUnsortedReportTakingItemsAtTheirIndex) {
    run([&](HWND dialog) {
        add_column(dialog, 0, "one", 40);
        add_column(dialog, 1, "three", 70);
        add_column(dialog, 1, "two", 30);  // goes between
        EXPECT_EQ(list_item(dialog, LVM_INSERTITEMA, 0, 0, "zeta"), 0);
        EXPECT_EQ(list_item(dialog, LVM_INSERTITEMA, 0, 0, "alpha"), 0);    // before zeta
        EXPECT_EQ(list_item(dialog, LVM_INSERTITEMA, 99, 0, "omega"), 2);   // past the end: last
        EXPECT_EQ(list_item(dialog, LVM_INSERTITEMA, 1, 1, "x"), -1);       // sub-items are set, not inserted
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 1, 2, "z3"), TRUE);
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 0, 1, "caf\xe9"), TRUE);  // not UTF-8: Latin-1
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 0, 1, "a\xc3\xa9"), TRUE);  // replaces the text
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 3, 0, "none"), FALSE);
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 0, 3, "none"), FALSE);
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 2, 1, "caf\xe9"), TRUE);

        const std::vector<std::vector<std::string>> rows = {
            {"alpha", "a\xc3\xa9", ""}, {"zeta", "", "z3"}, {"omega", "caf\xc3\xa9", ""}};
        EXPECT_EQ(list_rows(dialog, list), rows);

        auto* view = static_cast<QTableView*>(item_widget(dialog, list));
        const QHeaderView* header = view->horizontalHeader();
        EXPECT_TRUE(header->isVisible());
        EXPECT_FALSE(view->isSortingEnabled());
        const QAbstractItemModel* model = view->model();
        EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QString("two"));
        EXPECT_EQ((std::vector<int>{header->sectionSize(0), header->sectionSize(1), header->sectionSize(2)}),
                  (std::vector<int>{40, 30, 70}));

        EXPECT_EQ(SendDlgItemMessageA(dialog, list, LVM_DELETEALLITEMS, 0, 0), TRUE);
        EXPECT_TRUE(list_rows(dialog, list).empty());
        EXPECT_EQ(header->sectionSize(2), 70);  // emptying keeps the columns
    });
}

namespace {

// The texts add_items gave, by lParam.
std::vector<std::string> texts_by_param;

void add_items(HWND dialog, const std::vector<std::string>& texts) {
    texts_by_param = texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = int(i);
        item.pszText = const_cast<char*>(texts[i].c_str());
        item.lParam = LPARAM(100 + i);
        SendDlgItemMessageA(dialog, list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

std::string item_text(HWND list_view, LPARAM index, int room = 64) {
    char text[64] = "untouched";
    LVITEMA item = {};
    item.pszText = text;
    item.cchTextMax = room;
    SendMessageA(list_view, LVM_GETITEMTEXTA, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<LPARAM> item_params(HWND dialog) {
    std::vector<LPARAM> params;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    for (item.iItem = 0; SendDlgItemMessageA(dialog, list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)); ++item.iItem)
        params.push_back(item.lParam);
    return params;
}

int CALLBACK by_text(LPARAM a, LPARAM b, LPARAM) {
    return texts_by_param.at(std::size_t(a - 100)).compare(texts_by_param.at(std::size_t(b - 100)));
}
int CALLBACK always_less(LPARAM, LPARAM, LPARAM) { return -1; }
int CALLBACK at_random(LPARAM, LPARAM, LPARAM) { return std::rand() % 3 - 1; }
int CALLBACK emptying(LPARAM, LPARAM, LPARAM list_view) {
    SendMessageA(reinterpret_cast<HWND>(list_view), LVM_DELETEALLITEMS, 0, 0);
    return -1;
}

LRESULT sort_with(HWND dialog, PFNLVCOMPARE compare) {
    const HWND list_view = GetDlgItem(dialog, list);
    return SendMessageA(list_view, LVM_SORTITEMS, WPARAM(list_view), reinterpret_cast<LPARAM>(compare));
}

std::vector<std::string> first_column(HWND dialog) {
    std::vector<std::string> out;
    for (const auto& row : list_rows(dialog, list)) out.push_back(row[0]);
    return out;
}

} // namespace

TEST_F(Layer, ListViewSortsByTheOwnersComparisonOfItemParams) {
    run([&](HWND dialog) {
        add_column(dialog, 0, "n", 40);
        add_items(dialog, {"c", "a", "b", "a", "abc"});
        const HWND list_view = GetDlgItem(dialog, list);
        EXPECT_EQ(item_text(list_view, 4, 3), "ab");  // cut to its room
        EXPECT_EQ(item_text(list_view, 4, 0), "untouched");
        EXPECT_EQ(item_text(list_view, 9), "");
        EXPECT_EQ(SendMessageA(list_view, LVM_GETITEMCOUNT, 0, 0), 5);
        EXPECT_EQ(sort_with(dialog, by_text), TRUE);
        EXPECT_EQ(first_column(dialog), (std::vector<std::string>{"a", "a", "abc", "b", "c"}));
        // lParams go with their items; equal keys keep their order.
        EXPECT_EQ(item_params(dialog), (std::vector<LPARAM>{101, 103, 104, 102, 100}));

        // Whatever a comparison answers, the items stay the same ones.
        for (PFNLVCOMPARE compare : {always_less, at_random}) {
            sort_with(dialog, compare);
            std::vector<LPARAM> params = item_params(dialog);
            std::sort(params.begin(), params.end());
            EXPECT_EQ(params, (std::vector<LPARAM>{100, 101, 102, 103, 104}));
        }
        // A comparison that changes the list stops the sort; nothing is read past the end.
        EXPECT_EQ(sort_with(dialog, emptying), FALSE);
        EXPECT_TRUE(list_rows(dialog, list).empty());
        EXPECT_EQ(sort_with(dialog, by_text), TRUE);  // nothing to sort
    });
}

TEST_F(Layer, SortingKeepsTheSelectionWithItsItems) {
    run([&](HWND dialog) {
        add_column(dialog, 0, "n", 40);
        add_items(dialog, {"c", "a", "b"});
        QApplication::processEvents();
        auto* view = static_cast<QTableView*>(item_widget(dialog, list));
        view->selectRow(0);  // "c"
        sort_with(dialog, by_text);
        const QModelIndexList selected = view->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected[0].row(), 2);
        EXPECT_EQ(selected[0].data().toString(), QString("c"));
    });
}

TEST_F(Layer, HeaderClicksNotifyTheOwnerWhichSetsTheSortMark) {
    run([&](HWND dialog) {
        add_column(dialog, 0, "one", 40);
        add_column(dialog, 1, "two", 50);
        QApplication::processEvents();
        QHeaderView* header = static_cast<QTableView*>(item_widget(dialog, list))->horizontalHeader();
        const auto click_section = [&](int section) {
            const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                            header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        };
        click_section(1);
        click_section(0);
        EXPECT_EQ(proc_.notifications, (std::vector<std::tuple<UINT_PTR, UINT, int>>{
                                           {list, LVN_COLUMNCLICK, 1}, {list, LVN_COLUMNCLICK, 0}}));
        EXPECT_FALSE(header->isSortIndicatorShown());  // a click alone marks nothing

        const HWND header_window = reinterpret_cast<HWND>(SendDlgItemMessageA(dialog, list, LVM_GETHEADER, 0, 0));
        ASSERT_NE(header_window, nullptr);
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        EXPECT_EQ(SendMessageA(header_window, HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item)), TRUE);
        EXPECT_EQ(item.fmt & (HDF_SORTUP | HDF_SORTDOWN), 0);
        item.fmt |= HDF_SORTDOWN;
        EXPECT_EQ(SendMessageA(header_window, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&item)), TRUE);
        EXPECT_EQ(SendMessageA(header_window, HDM_SETITEMA, 2, reinterpret_cast<LPARAM>(&item)), FALSE);
        EXPECT_TRUE(header->isSortIndicatorShown());
        // Qt's styles point its ascending mark down, as HDF_SORTDOWN does.
        EXPECT_EQ(header->sortIndicatorSection(), 1);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
        click_section(1);  // the owner, not the header, moves the mark
        EXPECT_EQ(header->sortIndicatorSection(), 1);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
        item.fmt = (item.fmt & ~HDF_SORTDOWN) | HDF_SORTUP;
        SendMessageA(header_window, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
        item.fmt &= ~HDF_SORTUP;
        SendMessageA(header_window, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&item));
        EXPECT_FALSE(header->isSortIndicatorShown());
    });
}

TEST_F(Layer, ListChangesWithinOneMessageReachTheViewOnce) {
    int resets = 0;
    run([&](HWND dialog) {
        add_column(dialog, 0, "n", 40);
        QApplication::processEvents();
        const QAbstractItemModel* model = static_cast<QTableView*>(item_widget(dialog, list))->model();
        QObject::connect(model, &QAbstractItemModel::modelReset, [&] { ++resets; });
        SendDlgItemMessageA(dialog, list, LVM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < 100000; ++i) list_item(dialog, LVM_INSERTITEMA, i, 0, "row");
        EXPECT_EQ(resets, 0);
        EXPECT_EQ(list_rows(dialog, list).size(), 100000u);
        EXPECT_EQ(resets, 1);
        SendDlgItemMessageA(dialog, list, LVM_DELETEALLITEMS, 0, 0);
        EXPECT_TRUE(list_rows(dialog, list).empty());
    });
}

// How a program fills a long list: repainting off, the count announced, the
// rows, repainting on and one invalidation.
TEST_F(Layer, RedrawOffWhileFillingAndTheItemCountIsOnlyAHint) {
    run([&](HWND dialog) {
        add_column(dialog, 0, "n", 40);
        add_column(dialog, 1, "m", 40);
        const HWND list_window = GetDlgItem(dialog, list);
        QWidget* view = item_widget(dialog, list);
        EXPECT_EQ(SendMessageA(list_window, WM_SETREDRAW, FALSE, 0), 0);
        EXPECT_FALSE(view->updatesEnabled());
        EXPECT_EQ(SendMessageA(list_window, LVM_SETITEMCOUNT, 1000, 0), TRUE);
        EXPECT_EQ(SendMessageA(list_window, LVM_SETITEMCOUNT, WPARAM(1) << 40, 0), FALSE);  // no such room
        EXPECT_TRUE(list_rows(dialog, list).empty());  // room, not rows
        for (int i = 0; i < 3; ++i) EXPECT_EQ(list_item(dialog, LVM_INSERTITEMA, i, 0, "row"), i);
        EXPECT_EQ(list_item(dialog, LVM_SETITEMA, 2, 1, "last"), TRUE);
        EXPECT_EQ(SendMessageA(list_window, LVM_SETITEMCOUNT, 1, 0), TRUE);  // fewer than held: rows stay
        EXPECT_EQ(SendMessageA(list_window, WM_SETREDRAW, TRUE, 0), 0);
        EXPECT_TRUE(view->updatesEnabled());
        EXPECT_EQ(InvalidateRect(list_window, nullptr, TRUE), TRUE);
        EXPECT_EQ(InvalidateRect(reinterpret_cast<HWND>(&proc_), nullptr, TRUE), FALSE);  // not a window
        const std::vector<std::vector<std::string>> rows = {{"row", ""}, {"row", ""}, {"row", "last"}};
        EXPECT_EQ(list_rows(dialog, list), rows);
    });
}

TEST_F(Layer, WindowTextsKeepTheirBytesAndShowNonUtf8AsLatin1) {
    run([&](HWND dialog) {
        char text[32];
        EXPECT_EQ(GetWindowTextA(dialog, text, sizeof text), 5);
        EXPECT_STREQ(text, "Layer");

        HWND box = GetDlgItem(dialog, edit);
        auto* line = static_cast<QLineEdit*>(win32qt::widget_of(box));
        ASSERT_TRUE(SetWindowTextA(box, "caf\xe9"));
        EXPECT_EQ(line->text(), QString::fromUtf8("caf\xc3\xa9"));
        EXPECT_EQ(GetWindowTextA(box, text, sizeof text), 4);
        EXPECT_STREQ(text, "caf\xe9");  // the same bytes back
        EXPECT_EQ(GetWindowTextA(box, text, 3), 2);  // room for two and the terminator
        EXPECT_STREQ(text, "ca");
        EXPECT_EQ(GetWindowTextA(box, text, 1), 0);
        EXPECT_STREQ(text, "");
        constexpr UINT wm_gettext = 0x000D;  // sent directly, with no room: nothing written
        text[0] = 'k';
        EXPECT_EQ(SendMessageA(box, wm_gettext, 0, reinterpret_cast<LPARAM>(text)), 0);
        EXPECT_EQ(text[0], 'k');
        EXPECT_EQ(SendMessageA(box, wm_gettext, sizeof text, 0), 0);

        QTest::keyClicks(line, "x");  // typed: the text is the user's, in UTF-8
        EXPECT_EQ(GetWindowTextA(box, text, sizeof text), 6);
        EXPECT_STREQ(text, "caf\xc3\xa9x");

        EXPECT_EQ(GetDlgItem(dialog, 12345), nullptr);
        EXPECT_EQ(GetWindowTextA(nullptr, text, sizeof text), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 12345, BM_GETCHECK, 0, 0), 0);
    });
    // Typing sent the edit's change notifications.
    bool changed = false;
    for (const Recorded& m : proc_.messages) {
        if (m.message == WM_COMMAND && LOWORD(m.wparam) == edit && HIWORD(m.wparam) == EN_CHANGE) changed = true;
    }
    EXPECT_TRUE(changed);
}

TEST(LayerReports, WhatTheLayerDoesNotDoIsReported) {
    LayerReports reports;
    run_dialog(201, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return TRUE; }, [](HWND dialog) {
        constexpr UINT unknown = 0x0400;
        EXPECT_EQ(SendMessageA(dialog, unknown, 0, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 20, unknown, 0, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 22, BM_GETCHECK, 0, 0), 0);
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | 0x0010;  // and an image
        column.fmt = 0x0800;
        column.pszText = const_cast<char*>("c");
        EXPECT_EQ(SendDlgItemMessageA(dialog, 23, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)), 0);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | 0x0002;  // and an image
        item.pszText = const_cast<char*>("row");
        EXPECT_EQ(SendDlgItemMessageA(dialog, 23, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 23, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)), TRUE);
        // What the layer does is not reported.
        char text[8];
        EXPECT_EQ(GetWindowTextA(GetDlgItem(dialog, 21), text, sizeof text), 1);
        EXPECT_TRUE(SetWindowTextA(GetDlgItem(dialog, 22), "t"));
        EXPECT_EQ(SendDlgItemMessageA(dialog, 24, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    });
    const std::vector<std::string> expected = {
        "dialog 0: style 0x00000800",
        "dialog 0: menu",
        "dialog 0: window class",
        "EDIT 20: style 0x00000004",
        "EDIT 20: no ES_AUTOHSCROLL",
        "STATIC 21: style 0x00000100",
        "control 22: class NOSUCHCLASS, style 0x50010000",
        "SysListView32 23: list view type 3",
        "SysListView32 23: style 0x00000008",
        "BUTTON 24: style 0x00008000",
        "BUTTON 25: class BUTTON, style 0x50000008",
        "dialog 0: message 0x0400",
        "EDIT 20: message 0x0400",
        "control 22: message 0x00f0",
        "SysListView32 23: column mask 0x15",
        "SysListView32 23: column format 0x800",
        "SysListView32 23: item mask 0x3",
        "SysListView32 23: item mask 0x3",
    };
    EXPECT_EQ(reports.seen, expected);
}

TEST_F(Layer, ACheckedRadioButtonIsATabStopAndTheUncheckedOnesOfItsGroupAreNot) {
    const std::vector<int> ids = {edit, push, radio_a, radio_b, radio_c, check, other_radio, list};
    std::vector<int> order;
    run([&](HWND dialog) {
        SendDlgItemMessageA(dialog, other_radio, BM_SETCHECK, BST_UNCHECKED, 0);  // its template tab stop goes
        click(dialog, radio_c);  // unchecks a and b: a loses its template tab stop
        item_widget(dialog, edit)->setFocus();
        for (int i = 0; i < 5; ++i) {
            key(dialog, focused_id(dialog, ids), Qt::Key_Tab);
            order.push_back(focused_id(dialog, ids));
        }
    });
    EXPECT_EQ(order, (std::vector<int>{push, radio_c, check, list, edit}));
}

TEST_F(Layer, ButtonsTakeAClickAnywhereOnTheirRectangle) {
    run([&](HWND dialog) {
        for (int id : {radio_b, check}) {
            QWidget* button = item_widget(dialog, id);
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() - 2, button->height() / 2));
            EXPECT_TRUE(checked(dialog, id)) << id;
            EXPECT_EQ(focused_id(dialog, {id}), id);
        }
    });
}

namespace {

// One edit-key case: the keys on "rec/*.rec" with all of it selected, as
// after Tab; then the text and the selection.
struct EditCase {
    const char* name;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;
    const char* text;
    const char* selected;
};

} // namespace

// What a Windows edit control does with these keys, as our .exe shows under Wine.
TEST_F(Layer, EditBoxesAnswerTheKeysAsAWindowsEditControlDoes) {
    constexpr Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
                                    alt = Qt::AltModifier;
    const EditCase cases[] = {
        {"Left moves on from the caret", {{Qt::Key_Left, none}, {Qt::Key_End, shift}}, "rec/*.rec", "c"},
        {"Up is Left", {{Qt::Key_End, none}, {Qt::Key_Up, none}, {Qt::Key_End, shift}}, "rec/*.rec", "c"},
        {"Down is Right", {{Qt::Key_Home, none}, {Qt::Key_Down, none}, {Qt::Key_Down, none}, {Qt::Key_End, shift}},
         "rec/*.rec", "c/*.rec"},
        {"Shift+Home from the caret at the end", {{Qt::Key_Home, shift}}, "rec/*.rec", ""},
        {"Shift+Left", {{Qt::Key_Left, shift}}, "rec/*.rec", "rec/*.re"},
        {"words break after /", {{Qt::Key_End, none}, {Qt::Key_Left, ctrl}, {Qt::Key_End, shift}}, "rec/*.rec",
         "*.rec"},
        {"Ctrl+Right", {{Qt::Key_Home, none}, {Qt::Key_Right, ctrl}, {Qt::Key_Home, shift}}, "rec/*.rec", "rec/"},
        {"Ctrl+Shift+Left", {{Qt::Key_End, none}, {Qt::Key_Left, ctrl | shift}}, "rec/*.rec", "*.rec"},
        {"Ctrl+Home is Home", {{Qt::Key_End, none}, {Qt::Key_Home, ctrl}, {Qt::Key_End, shift}}, "rec/*.rec",
         "rec/*.rec"},
        {"Ctrl+A selects all", {{Qt::Key_End, none}, {Qt::Key_A, ctrl}}, "rec/*.rec", "rec/*.rec"},
        {"Shift+Home after Ctrl+A selects nothing", {{Qt::Key_End, none}, {Qt::Key_A, ctrl}, {Qt::Key_Home, shift}},
         "rec/*.rec", ""},
        {"Alt+R types nothing", {{Qt::Key_End, none}, {Qt::Key_R, alt}}, "rec/*.rec", ""},
        {"Ctrl+Backspace deletes nothing", {{Qt::Key_End, none}, {Qt::Key_Backspace, ctrl}}, "rec/*.rec", ""},
        {"Ctrl+Delete deletes to the end", {{Qt::Key_Home, none}, {Qt::Key_Right, none}, {Qt::Key_Delete, ctrl}},
         "r", ""},
        {"Delete", {{Qt::Key_Home, none}, {Qt::Key_Delete, none}, {Qt::Key_Delete, none}}, "c/*.rec", ""},
        {"typing is undone at once",
         {{Qt::Key_End, none}, {Qt::Key_A, none}, {Qt::Key_B, none}, {Qt::Key_Z, ctrl}}, "rec/*.rec", ""},
        {"a second undo redoes",
         {{Qt::Key_End, none},
          {Qt::Key_A, none},
          {Qt::Key_Home, none},
          {Qt::Key_B, none},
          {Qt::Key_Z, ctrl},
          {Qt::Key_Z, ctrl}},
         "brec/*.reca", ""},
        {"Ctrl+Y redoes nothing", {{Qt::Key_X, none}, {Qt::Key_Z, ctrl}, {Qt::Key_Y, ctrl}}, "rec/*.rec", ""},
    };
    run([&](HWND dialog) {
        auto* line = static_cast<QLineEdit*>(item_widget(dialog, edit));
        for (const EditCase& c : cases) {
            SetWindowTextA(GetDlgItem(dialog, edit), "rec/*.rec");
            item_widget(dialog, push)->setFocus();
            key(dialog, push, Qt::Key_Backtab, Qt::ShiftModifier);
            ASSERT_EQ(line->selectedText(), QString("rec/*.rec"));
            for (const auto& [k, modifiers] : c.keys) key(dialog, edit, k, modifiers);
            EXPECT_EQ(line->text(), QString(c.text)) << c.name;
            EXPECT_EQ(line->selectedText(), QString(c.selected)) << c.name;
        }
    });
}

TEST_F(Layer, ADoubleClickPastTheTextSelectsTheLastWord) {
    run([&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, edit), "rec/*.rec");
        auto* line = static_cast<QLineEdit*>(item_widget(dialog, edit));
        QTest::mouseDClick(line, Qt::LeftButton, {}, QPoint(line->width() - 3, line->height() / 2));
        EXPECT_EQ(line->selectedText(), QString("*.rec"));
    });
}

TEST_F(Layer, ListKeysMoveByRowsHomeAndEndGoToTheEndsAndNothingIsCopied) {
    run([&](HWND dialog) {
        add_column(dialog, 0, "name", 40);
        add_column(dialog, 1, "level", 40);
        const char* names[] = {"alpha", "beta", "bravo", "delta"};
        for (int i = 0; i < 4; ++i) {
            list_item(dialog, LVM_INSERTITEMA, i, 0, names[i]);
            list_item(dialog, LVM_SETITEMA, i, 1, "b-level");
        }
        QApplication::processEvents();
        auto* view = static_cast<QTableView*>(item_widget(dialog, list));
        view->setFocus();
        const auto current = [view] { return std::pair(view->currentIndex().row(), view->currentIndex().column()); };
        key(dialog, list, Qt::Key_Home);
        key(dialog, list, Qt::Key_Down);
        key(dialog, list, Qt::Key_Right);  // scrolls; the row stays, and so does the column
        EXPECT_EQ(current(), std::pair(1, 0));
        key(dialog, list, Qt::Key_End);
        EXPECT_EQ(current(), std::pair(3, 0));
        key(dialog, list, Qt::Key_Home, Qt::ShiftModifier);
        EXPECT_EQ(current(), std::pair(0, 0));
        EXPECT_EQ(view->selectionModel()->selectedRows().size(), 4);
        key(dialog, list, Qt::Key_End);
        key(dialog, list, Qt::Key_B);  // type-ahead looks at the first column
        EXPECT_EQ(current(), std::pair(1, 0));
        QApplication::clipboard()->setText("before");
        key(dialog, list, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QString("before"));
    });
}
