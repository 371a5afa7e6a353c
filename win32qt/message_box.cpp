// The message box, on QMessageBox with the owner's font.
#include <QMessageBox>

#include "win32qt/win32_qt.h"
#include "win32qt/window.h"

namespace {

std::function<int(HWND, const char*, const char*, UINT)>& message_box_hook() {
    static std::function<int(HWND, const char*, const char*, UINT)> hook;
    return hook;
}

} // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    using win32qt::to_qstring;
    if (!caption) caption = "Error";
    if (!text) text = "";
    if (message_box_hook()) return message_box_hook()(owner, text, caption, type);
    if (!win32qt::ensure_application()) return 0;
    HWND__* parent = win32qt::checked(owner);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0) {
    case MB_ICONERROR: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (type & 0x0F) {
    case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MB_YESNOCANCEL: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case MB_RETRYCANCEL: buttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    }
    QMessageBox box(icon, to_qstring(caption), to_qstring(text), buttons, parent ? parent->widget : nullptr);
    if (parent) box.setFont(parent->widget->font());
    switch (box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return (type & 0x0F) == MB_OK ? IDOK : IDCANCEL;
    }
}

void win32qt::set_message_box_hook(std::function<int(HWND, const char*, const char*, UINT)> hook) {
    message_box_hook() = std::move(hook);
}
