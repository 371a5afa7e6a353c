// dialog: the program's only window — the options, the four-column list and
// the passes run on opening, Refresh and TXT output. Written against the
// Win32 dialog manager: the system's on Windows, our layer on Linux.
#pragma once

#include "listing/listing.h"
#include "win32qt/win32_ui.h"

INT_PTR CALLBACK main_dialog_proc(HWND hdlg, UINT message, WPARAM wparam, LPARAM lparam);

// Adds a column of width pixels titled title at index to the list view list_id.
void insert_column(HWND hdlg, int width, const char* title, int list_id, int index);

// Puts row into IDC_LIST as item row_index.
void list_add_row(HWND hdlg, int row_index, const ListRow& row);

// The options of a pass as the controls hold them now; report is left off.
void read_options(HWND hdlg, ListOptions& options);

// The number box as atoi reads it, keeping the low 8 bits as a signed value.
std::int8_t internal_number_from(const char* text);
