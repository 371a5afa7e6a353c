// The calls the program makes, over the table of live window handles: a
// handle is looked up before use, so a stale or made-up one does nothing.
#include <QApplication>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <unordered_set>

#include "win32qt/dialog_manager.h"
#include "win32qt/resources.h"
#include "win32qt/win32_qt.h"
#include "win32qt/window.h"

namespace win32qt {
namespace {

std::unordered_set<const HWND__*>& live_windows() {
    static std::unordered_set<const HWND__*> windows;
    return windows;
}

void no_display() {
    std::fprintf(stderr,
                 "%s: the dialog needs a display (X11 or Wayland) and none is available; "
                 "korvo-clockr-cli lists the same rec files without one, e.g. korvo-clockr-cli 'rec/*.rec'\n",
                 program_invocation_short_name);
    std::fflush(stderr);
    _exit(1);
}

// While Qt starts, a platform that cannot open is fatal to it; we end with
// the one line above instead, and keep its other start-up chatter back.
void start_up_messages(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) no_display();
}

char module_tag;

} // namespace

void add_window(const HWND__* window) { live_windows().insert(window); }
void remove_window(const HWND__* window) { live_windows().erase(window); }
HWND__* checked(HWND window) { return live_windows().count(window) ? window : nullptr; }

bool ensure_application() {
    if (QApplication::instance()) return true;
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) no_display();
    static int argc = 1;
    static char* argv[] = {program_invocation_name, nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(start_up_messages);
    new QApplication(argc, argv);  // lives as long as the process
    qInstallMessageHandler(previous);
    return true;
}

QWidget* widget_of(HWND window) {
    HWND__* w = checked(window);
    return w ? w->widget : nullptr;
}

BaseUnits dialog_base_units(HWND dialog) {
    HWND__* w = checked(dialog);
    return w && w->kind == Kind::Dialog ? w->dialog->base_units() : BaseUnits{0, 0};
}

} // namespace win32qt

using win32qt::checked;
using win32qt::Kind;

void InitCommonControls() { win32qt::ensure_application(); }

HMODULE GetModuleHandleA(LPCSTR module_name) {
    return module_name ? nullptr : reinterpret_cast<HMODULE>(&win32qt::module_tag);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR resource, HWND owner, DLGPROC procedure, LPARAM init_param) {
    if (!procedure || !win32qt::ensure_application()) return -1;
    win32qt::DialogTemplate t;
    if (!win32qt::find_dialog_template(resource, t)) return -1;
    HWND__* parent = checked(owner);
    win32qt::DialogWindow dialog(t, parent ? parent->widget : nullptr, procedure, init_param);
    return dialog.run();
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    HWND__* w = checked(dialog);
    if (!w || w->kind != Kind::Dialog) return FALSE;
    w->dialog->end(result);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    HWND__* w = checked(dialog);
    return w && w->kind == Kind::Dialog ? w->dialog->item(id) : nullptr;
}

int GetWindowTextA(HWND window, LPSTR text, int room) {
    HWND__* w = checked(window);
    if (!text || room <= 0) return 0;
    text[0] = '\0';
    if (!w) return 0;
    return int(win32qt::send(*w, win32qt::wm_gettext, WPARAM(room), reinterpret_cast<LPARAM>(text)));
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    HWND__* w = checked(window);
    if (!w) return FALSE;
    return BOOL(win32qt::send(*w, win32qt::wm_settext, 0, reinterpret_cast<LPARAM>(text)));
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND__* w = checked(window);
    return w ? win32qt::send(*w, message, wparam, lparam) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageA(GetDlgItem(dialog, id), message, wparam, lparam);
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    HWND__* w = checked(window);
    if (!w || !w->widget) return FALSE;
    w->widget->update();
    return TRUE;
}
