// win32qt: our own small Win32 UI layer for Linux on Qt Widgets, offering the
// calls the dialog makes as Windows has them; only the dialog program, its
// tools and tests link it, never the core. On Windows the system headers are
// used. This header: the dialog manager, the list view and the message box, as far
// as the dialog uses them; built on Qt Widgets (clockr_win32qt).
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#else

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
#define LVM_SETITEMA (LVM_FIRST + 6)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_SETITEMCOUNT (LVM_FIRST + 47)

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVIF_TEXT 0x0001

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

#endif
