// The dialog procedure: opening, the commands, and the list view as the
// pass's row sink.
#include "dialog/main_dialog.h"

#include "dialog/resource.h"
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
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    if (report && !text_report.succeeded())
        MessageBoxA(hdlg, "stat.txt could not be written.", "Korvo clockr", MB_OK | MB_ICONERROR);
}

BOOL on_init_dialog(HWND hdlg) {
    main_dialog = hdlg;
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

INT_PTR CALLBACK main_dialog_proc(HWND hdlg, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return on_init_dialog(hdlg);
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
    item.mask = LVIF_TEXT;
    item.iItem = row_index;
    item.iSubItem = 0;
    item.pszText = const_cast<char*>(row.rec_file);
    SendDlgItemMessageA(hdlg, IDC_LIST, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
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
