// The dialog procedure: opening, the commands, and the list view as the
// pass's row sink.
#include "dialog/main_dialog.h"

#include <cstring>
#include <string>
#include <vector>

#include "dialog/resource.h"
#include "listing/row_order.h"
#include "listing/text_report.h"

namespace {

// Stored when the dialog opens; the passes read the controls through it.
HWND main_dialog = nullptr;

constexpr int pattern_room = path_capacity + 1;
constexpr int number_room = 20;
constexpr int name_room = external_name_capacity + 1;

// Rows the last pass listed: the next pass likely lists about as many.
int rows_last_pass = 0;

class ListViewSink final : public RowSink {
public:
    explicit ListViewSink(HWND hdlg) : hdlg_(hdlg) {}
    void clear() override {
        SendDlgItemMessageA(hdlg_, IDC_LIST, LVM_DELETEALLITEMS, 0, 0);
        // Room for as many rows as last time, so the list does not grow row by row.
        SendDlgItemMessageA(hdlg_, IDC_LIST, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_last_pass), 0);
    }
    void add_row(int row_index, const ListRow& row) override {
        list_add_row(hdlg_, row_index, row);
        rows = row_index + 1;
    }

    int rows = 0;

private:
    HWND hdlg_;
};

constexpr int column_count = 4;

// The order the user chose by clicking a column header; it holds for every
// later pass while the dialog is open. stat.txt keeps the pass order.
struct ListSort {
    int column = -1;  // -1: the pass order
    bool descending = false;
    bool three_digits = false;  // how the time texts shown were made
};
ListSort list_sort;

// The texts of the sort column by pass index (each item's lParam), read
// before the sort: while the list sorts, an item's index is not its own.
struct SortKeys {
    std::vector<std::string> texts;
};

int CALLBACK compare_items(LPARAM pass_index1, LPARAM pass_index2, LPARAM keys_address) {
    const auto& texts = reinterpret_cast<const SortKeys*>(keys_address)->texts;
    const int c = compare_texts(static_cast<SortColumn>(list_sort.column),
                                texts[static_cast<std::size_t>(pass_index1)].c_str(),
                                texts[static_cast<std::size_t>(pass_index2)].c_str(), list_sort.three_digits);
    if (c != 0) return list_sort.descending ? -c : c;
    return (pass_index1 > pass_index2) - (pass_index1 < pass_index2);  // equal keys in pass order
}

void sort_list(HWND hdlg) {
    if (list_sort.column < 0) return;
    const HWND list = GetDlgItem(hdlg, IDC_LIST);
    const auto count = static_cast<std::size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    SortKeys keys;
    keys.texts.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        if (item.lParam < 0 || static_cast<std::size_t>(item.lParam) >= count) return;  // not our rows
        char text[path_capacity + 1];
        item.iSubItem = list_sort.column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        keys.texts[static_cast<std::size_t>(item.lParam)] = text;
    }
    SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&keys), reinterpret_cast<LPARAM>(&compare_items));
}

// The sort mark in the header: up on the sort column when ascending.
void show_sort_in_header(HWND hdlg) {
    const HWND header = reinterpret_cast<HWND>(SendDlgItemMessageA(hdlg, IDC_LIST, LVM_GETHEADER, 0, 0));
    for (int column = 0; column < column_count; ++column) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == list_sort.column) item.fmt |= list_sort.descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    }
}

// A first click on a column sorts by it ascending, the next one reverses.
void on_column_click(HWND hdlg, int column) {
    if (column < 0 || column >= column_count) return;
    list_sort.descending = column == list_sort.column && !list_sort.descending;
    list_sort.column = column;
    sort_list(hdlg);
    show_sort_in_header(hdlg);
}

#ifdef _WIN32
constexpr char clipboard_line_end[] = "\r\n";
#else
constexpr char clipboard_line_end[] = "\n";
#endif

void put_on_clipboard(HWND hdlg, const std::string& text) {
    if (!OpenClipboard(hdlg)) return;
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (void* bytes = memory ? GlobalLock(memory) : nullptr) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    } else if (memory) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

// Ctrl+C: the selected rows, in list order, as their stat.txt lines.
void copy_selected_rows(HWND hdlg) {
    const HWND list = GetDlgItem(hdlg, IDC_LIST);
    std::string text;
    int index = -1;
    while ((index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index),
                                                  LVNI_SELECTED))) >= 0) {
        ListRow row;
        char* const texts[column_count] = {row.rec_file, row.lev_file, row.s_m, row.time};
        const int rooms[column_count] = {sizeof row.rec_file, sizeof row.lev_file, sizeof row.s_m, sizeof row.time};
        for (int column = 0; column < column_count; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = texts[column];
            item.cchTextMax = rooms[column];
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        }
        char line[report_line_capacity + 1];
        format_report_line(line, row);
        text += line;
        text += clipboard_line_end;
    }
    if (!text.empty()) put_on_clipboard(hdlg, text);
}

bool is_checked(HWND hdlg, int id) { return SendDlgItemMessageA(hdlg, id, BM_GETCHECK, 0, 0) != BST_UNCHECKED; }

void run_pass(HWND hdlg, bool report) {
    ListOptions options;
    read_options(hdlg, options);
    options.report = report;
    ListViewSink sink(hdlg);
    TextReport text_report;
    // No repaint for each row while the pass fills the list: one at its end.
    const HWND list = GetDlgItem(hdlg, IDC_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    run_listing_pass(options, sink, text_report);
    rows_last_pass = sink.rows;
    list_sort.three_digits = options.three_digits;
    sort_list(hdlg);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    if (report && !text_report.succeeded()) {
        char why[report_message_room];
        text_report.describe_failure(why, sizeof why);
        MessageBoxA(hdlg, why, "Korvo clockr", MB_OK | MB_ICONERROR);
    }
}

BOOL on_init_dialog(HWND hdlg) {
    main_dialog = hdlg;
    list_sort = ListSort{};
    insert_column(hdlg, 100, "rec file", IDC_LIST, 0);
    insert_column(hdlg, 100, "lev file", IDC_LIST, 1);
    insert_column(hdlg, 30, "s/m", IDC_LIST, 2);
    insert_column(hdlg, 70, "time", IDC_LIST, 3);
    SetWindowTextA(GetDlgItem(hdlg, IDC_PATH_FILTER), "rec/*.rec");
    SendDlgItemMessageA(hdlg, IDC_ALL_LEVS, BM_SETCHECK, BST_CHECKED, 0);
    run_pass(hdlg, false);
    return TRUE;  // the dialog manager focuses the first tab stop
}

} // namespace

INT_PTR CALLBACK main_dialog_proc(HWND hdlg, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: return on_init_dialog(hdlg);
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->idFrom != IDC_LIST) return FALSE;
        if (header->code == LVN_COLUMNCLICK) {
            on_column_click(main_dialog, reinterpret_cast<const NMLISTVIEW*>(lparam)->iSubItem);
            return TRUE;
        }
        if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey == 'C' &&
            GetKeyState(VK_CONTROL) < 0) {
            copy_selected_rows(main_dialog);
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_REFRESH: run_pass(main_dialog, false); return TRUE;
        case IDC_TXT_OUTPUT: run_pass(main_dialog, true); return TRUE;
        case IDCANCEL: EndDialog(hdlg, IDCANCEL); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void insert_column(HWND hdlg, int width, const char* title, int list_id, int index) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    SendDlgItemMessageA(hdlg, list_id, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&column));
}

void list_add_row(HWND hdlg, int row_index, const ListRow& row) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;  // the row index keeps equal keys in pass order
    item.iItem = row_index;
    item.iSubItem = 0;
    item.pszText = const_cast<char*>(row.rec_file);
    item.lParam = row_index;
    SendDlgItemMessageA(hdlg, IDC_LIST, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.mask = LVIF_TEXT;
    const char* const rest[] = {row.lev_file, row.s_m, row.time};
    for (int sub_item = 1; sub_item <= 3; ++sub_item) {
        item.iSubItem = sub_item;
        item.pszText = const_cast<char*>(rest[sub_item - 1]);
        SendDlgItemMessageA(hdlg, IDC_LIST, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

std::int8_t internal_number_from(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    unsigned value = 0;  // wraps: only the low 8 bits are kept
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<unsigned>(*p - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFFu));
}

void read_options(HWND hdlg, ListOptions& options) {
    static const struct {
        int id;
        FilterMode mode;
    } radios[] = {{IDC_ALL_LEVS, FilterMode::AllLevs},
                  {IDC_INTERNALS, FilterMode::Internals},
                  {IDC_EXTERNALS, FilterMode::Externals},
                  {IDC_INTERNAL, FilterMode::Internal},
                  {IDC_EXTERNAL, FilterMode::External}};
    options.filter = FilterMode::AllLevs;
    for (const auto& radio : radios) {
        if (is_checked(hdlg, radio.id)) options.filter = radio.mode;  // the last checked wins
    }
    options.three_digits = is_checked(hdlg, IDC_THREE_DIGITS);
    GetWindowTextA(GetDlgItem(hdlg, IDC_PATH_FILTER), options.pattern, pattern_room);
    char number[number_room];
    GetWindowTextA(GetDlgItem(hdlg, IDC_INTERNAL_NUMBER), number, number_room);
    options.internal_number = internal_number_from(number);
    GetWindowTextA(GetDlgItem(hdlg, IDC_EXTERNAL_NAME), options.external_name, name_room);
    options.report = false;
}
