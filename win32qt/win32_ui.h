// win32qt: our own small Win32 UI layer for Linux on Qt Widgets, offering the
// calls the dialog makes as Windows has them; only the dialog program, its
// tools and tests link it, never the core. On Windows the system headers are
// used. This header is what the program sees (clockr_win32qt).
//
// Implemented, as the dialog uses them:
// - Modal dialogs from the DIALOG and DIALOGEX templates compiled into the
//   program (styles DS_SETFONT, DS_MODALFRAME, DS_3DLOOK, WS_CAPTION,
//   WS_SYSMENU), in dialog units of the template font;
//   WM_INITDIALOG, WM_COMMAND, EndDialog, GetDlgItem, Get/SetWindowTextA;
//   WM_SETREDRAW and InvalidateRect on any window.
// - Focus and keys: Tab and Shift+Tab over WS_TABSTOP in template order,
//   arrows among the radio buttons of a WS_GROUP, Enter (default button),
//   Esc and the close box (IDCANCEL).
// - BUTTON: push, default push, check box (auto, 3-state), radio button
//   (auto), group box; BN_CLICKED, BM_GETCHECK, BM_SETCHECK.
// - EDIT: one line, ES_LEFT/CENTER/RIGHT, ES_AUTOHSCROLL, ES_PASSWORD,
//   ES_READONLY; EN_CHANGE.
// - STATIC: SS_LEFT/CENTER/RIGHT, SS_SIMPLE, SS_LEFTNOWORDWRAP, SS_NOPREFIX.
// - SysListView32 in report view (LVS_SINGLESEL, LVS_NOCOLUMNHEADER):
//   LVM_INSERTCOLUMNA (text, width, alignment), LVM_INSERTITEMA and
//   LVM_SETITEMA (text, lParam), LVM_GETITEMA, LVM_GETITEMTEXTA,
//   LVM_GETNEXTITEM, LVM_SORTITEMS, LVM_DELETEALLITEMS, LVM_SETITEMCOUNT
//   (room reserved), LVM_GETHEADER with HDM_GETITEMA/HDM_SETITEMA (the sort
//   mark); WM_NOTIFY with LVN_COLUMNCLICK and LVN_KEYDOWN.
// - MessageBoxA with the MB_ button sets and icons below; the clipboard
//   (text only).
// Not implemented: other messages and notifications, other styles and
// extended styles, other control classes, a template's menu or window class,
// modeless dialogs, accelerators, icons.
// The layer reports each use of one (win32qt::set_unsupported_hook; on
// stderr in debug builds).
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#else

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

using BOOL = int;
using UINT = unsigned int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG = std::int32_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using SIZE_T = std::size_t;
using SHORT = std::int16_t;
using HANDLE = void*;
using HGLOBAL = HANDLE;

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define LOWORD(l) (static_cast<WORD>(static_cast<UINT_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<UINT_PTR>(l) >> 16) & 0xFFFF))
#define MAKEWPARAM(lo, hi) (static_cast<WPARAM>(static_cast<DWORD>(static_cast<WORD>(lo) | static_cast<DWORD>(static_cast<WORD>(hi)) << 16)))

#define WM_SETREDRAW 0x000B
#define WM_NOTIFY 0x004E
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define BN_CLICKED 0
#define EN_CHANGE 0x0300

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0
#define BST_CHECKED 1

#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_GETITEMA (LVM_FIRST + 5)
#define LVM_SETITEMA (LVM_FIRST + 6)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_GETHEADER (LVM_FIRST + 31)
#define LVM_GETITEMTEXTA (LVM_FIRST + 45)
#define LVM_SORTITEMS (LVM_FIRST + 48)

#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVNI_SELECTED 0x0002

#define LVN_FIRST (0U - 100U)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_KEYDOWN (LVN_FIRST - 55)

#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12

#define CF_TEXT 1
#define GMEM_MOVEABLE 0x0002

#define HDM_FIRST 0x1200
#define HDM_GETITEMA (HDM_FIRST + 3)
#define HDM_SETITEMA (HDM_FIRST + 4)
#define HDI_FORMAT 0x0004
#define HDF_STRING 0x4000
#define HDF_SORTDOWN 0x0200
#define HDF_SORTUP 0x0400

#define LVM_SETITEMCOUNT (LVM_FIRST + 47)

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVIF_TEXT 0x0001
#define LVIF_PARAM 0x0004

#define MB_OK 0x0000
#define MB_OKCANCEL 0x0001
#define MB_YESNOCANCEL 0x0003
#define MB_YESNO 0x0004
#define MB_RETRYCANCEL 0x0005
#define MB_ICONERROR 0x0010
#define MB_ICONQUESTION 0x0020
#define MB_ICONWARNING 0x0030
#define MB_ICONINFORMATION 0x0040

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
};

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};

struct POINT {
    std::int32_t x;
    std::int32_t y;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};

struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};

// LVM_SORTITEMS' comparison of two items by their lParams: negative, zero or positive.
using PFNLVCOMPARE = int (*)(LPARAM, LPARAM, LPARAM);

struct HDITEMA {
    UINT mask;
    int cxy;
    LPSTR pszText;
    void* hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
    UINT type;
    void* pvFilter;
    UINT state;
};

// Makes the list view known; on Linux also starts the window system, and
// without a display ends the program with one line on stderr.
void InitCommonControls();
HMODULE GetModuleHandleA(LPCSTR module_name);

// Runs the dialog template named by resource (from the resource scripts built
// into the program) modally; returns what EndDialog was given, -1 on failure.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR resource, HWND owner, DLGPROC procedure,
                        LPARAM init_param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetWindowTextA(HWND window, LPSTR text, int room);
BOOL SetWindowTextA(HWND window, LPCSTR text);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// Repaints the window (all of it, whatever rect says) once the message loop runs.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);

// Down (high bit set) while the key is held, as of the input being handled;
// VK_SHIFT, VK_CONTROL and VK_MENU only.
SHORT GetKeyState(int virtual_key);

// Memory handed to the clipboard, and the clipboard itself (CF_TEXT only,
// through Qt's clipboard; the text is shown as the layer shows any text).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);
BOOL OpenClipboard(HWND owner);
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT format, HANDLE data);
BOOL CloseClipboard();

#endif
