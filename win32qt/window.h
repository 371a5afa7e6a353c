// win32qt: a window of our layer (the dialog or one of its controls) and what
// the dialog manager, the control classes and the calls share: the table of
// live handles, one procedure per window class, text as the program hands it
// over. Internal to the layer.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "win32qt/win32_ui.h"

class QWidget;

namespace win32qt {

class DialogWindow;

// The styles of a template that the layer reads.
constexpr std::uint32_t ws_child = 0x40000000;
constexpr std::uint32_t ws_visible = 0x10000000;
constexpr std::uint32_t ws_disabled = 0x08000000;
constexpr std::uint32_t ws_border = 0x00800000;
constexpr std::uint32_t ws_group = 0x00020000;
constexpr std::uint32_t ws_tabstop = 0x00010000;
constexpr std::uint32_t ws_sysmenu = 0x00080000;
constexpr std::uint32_t bs_typemask = 0x000F;
constexpr std::uint32_t bs_defpushbutton = 1;
constexpr std::uint32_t bs_autoradiobutton = 9;

// Messages the program does not send itself; the calls turn into them.
constexpr UINT wm_settext = 0x000C;  // lparam: the text
constexpr UINT wm_gettext = 0x000D;  // wparam: room, lparam: the buffer

enum class Kind { Dialog, Static, Edit, PushButton, CheckBox, RadioButton, GroupBox, ListView, Other };

} // namespace win32qt

// A window handle: the dialog or one of its controls.
struct HWND__ {
    win32qt::Kind kind = win32qt::Kind::Other;
    const char* class_name = "control";  // for reports
    int id = 0;
    std::uint32_t style = 0;
    QWidget* widget = nullptr;
    win32qt::DialogWindow* dialog = nullptr;
    // The window's class procedure: every message to the window goes through it.
    LRESULT (*proc)(HWND__& window, UINT message, WPARAM wparam, LPARAM lparam) = nullptr;
    // The bytes last set and what they showed as, so GetWindowTextA gives the
    // same bytes back while the text is unchanged.
    std::string set_bytes;
    QString set_text;
};

namespace win32qt {

// The table of live handles: a handle the program passes in is used only
// while it is in the table.
void add_window(const HWND__* window);
void remove_window(const HWND__* window);
HWND__* checked(HWND window);

inline LRESULT send(HWND__& window, UINT message, WPARAM wparam, LPARAM lparam) {
    return window.proc(window, message, wparam, lparam);
}

// What every class does with a message it has no handler for: keeps and
// gives back the window's text, stops and resumes repainting on
// WM_SETREDRAW; anything else is answered with 0.
LRESULT default_proc(HWND__& window, UINT message, WPARAM wparam, LPARAM lparam);

// Something the program asked of window that the layer does not do: a
// message its class has no handler for, a style bit or a class it does not
// honour. Debug builds say so on stderr; a hook (win32_qt.h) gets it in every
// build, so the tests see it.
void unsupported(const HWND__& window, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The styles every control class honours.
constexpr std::uint32_t control_styles = ws_child | ws_visible | ws_disabled | ws_tabstop | ws_group;

// Reports the style bits of window beyond honoured.
void check_style(const HWND__& window, std::uint32_t honoured);

// Keeps the bytes of a WM_SETTEXT and returns them as the window shows them.
const QString& store_text(HWND__& window, LPARAM text);

// Answers WM_GETTEXT with what the window shows: the bytes last set while
// it still shows them, otherwise the shown text as UTF-8.
LRESULT copy_text(const HWND__& window, const QString& shown, WPARAM room, LPARAM buffer);

// Text the way the program hands it over: UTF-8 when it is valid UTF-8,
// otherwise Latin-1, so that no byte shows as a replacement character.
QString to_qstring(const char* bytes, qsizetype length);
QString to_qstring(const char* bytes);

// Starts Qt once; without a display ends the program with one line on stderr.
bool ensure_application();

// The control classes. Each makes the widget for a control of its class from
// the control's id and style (false: a style the class does not have) and
// sets the control's procedure.
bool create_static(HWND__& window, QWidget* parent);
bool create_edit(HWND__& window, QWidget* parent);
bool create_button(HWND__& window, QWidget* parent);
bool create_list_view(HWND__& window, QWidget* parent);

// Shows the list's changes since the last call, all at once.
void publish_list(HWND__& list_view);

} // namespace win32qt
