// clockr-screenshot OUT.png: opens the dialog as korvo-clockr does, in the
// current directory, and saves a picture of it once it is on the screen.
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "dialog/main_dialog.h"
#include "dialog/resource.h"
#include "win32qt/win32_qt.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: clockr-screenshot OUT.png\n", stderr);
        return 2;
    }
    const char* out = argv[1];
    bool saved = false;
    win32qt::set_dialog_shown_hook([&](HWND dialog) {
        saved = win32qt::widget_of(dialog)->grab().save(QString::fromLocal8Bit(out), "PNG");
        EndDialog(dialog, IDCANCEL);
    });
    InitCommonControls();
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    if (!saved) std::fprintf(stderr, "clockr-screenshot: could not write %s\n", out);
    return saved ? 0 : 1;
}
