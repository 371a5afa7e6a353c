// The EDIT class: a one-line box whose changes reach the dialog as EN_CHANGE.
#include <QLineEdit>

#include "win32qt/dialog_manager.h"
#include "win32qt/window.h"

namespace win32qt {
namespace {

constexpr std::uint32_t es_alignmask = 0x0003;
constexpr std::uint32_t es_password = 0x0020;
constexpr std::uint32_t es_autohscroll = 0x0080;
constexpr std::uint32_t es_readonly = 0x0800;

QLineEdit* line_of(const HWND__& w) { return static_cast<QLineEdit*>(w.widget); }

LRESULT set_text(HWND__& w, LPARAM text) {
    line_of(w)->setText(store_text(w, text));
    return TRUE;
}

LRESULT edit_proc(HWND__& w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case wm_settext: return set_text(w, lparam);
    case wm_gettext: return copy_text(w, line_of(w)->text(), wparam, lparam);
    default: return default_proc(w, message, wparam, lparam);
    }
}

} // namespace

bool create_edit(HWND__& w, QWidget* parent) {
    w.class_name = "EDIT";
    check_style(w, control_styles | ws_border | es_alignmask | es_password | es_autohscroll | es_readonly);
    // Without it Windows takes no more text than the box shows; ours scrolls.
    if (!(w.style & es_autohscroll)) unsupported(w, "no ES_AUTOHSCROLL");
    auto* edit = new QLineEdit(parent);
    edit->setFrame(w.style & ws_border);
    const std::uint32_t align = w.style & es_alignmask;
    edit->setAlignment(align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft);
    edit->setReadOnly(w.style & es_readonly);
    if (w.style & es_password) edit->setEchoMode(QLineEdit::Password);
    HWND handle = &w;
    QObject::connect(edit, &QLineEdit::textChanged, edit, [handle] { notify_parent(*handle, EN_CHANGE); });
    w.kind = Kind::Edit;
    w.widget = edit;
    w.proc = edit_proc;
    return true;
}

} // namespace win32qt
