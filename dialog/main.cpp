// korvo-clockr: the dialog program. The modal dialog is its only loop.
#include "dialog/main_dialog.h"
#include "dialog/resource.h"

int main() {
    InitCommonControls();
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    return 0;
}
