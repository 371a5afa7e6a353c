// The STATIC class: text the user cannot change, aligned and wrapped as its
// style says.
#include <QLabel>

#include "win32qt/window.h"

namespace win32qt {
namespace {

constexpr std::uint32_t ss_typemask = 0x001F;
constexpr std::uint32_t ss_alignmask = 0x0003;
constexpr std::uint32_t ss_simple = 0x000B;
constexpr std::uint32_t ss_leftnowordwrap = 0x000C;
constexpr std::uint32_t ss_noprefix = 0x0080;

// Static text marks a mnemonic with '&' and writes '&&' for the character.
QString without_prefix(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

LRESULT set_text(HWND__& w, LPARAM text) {
    const QString& shown = store_text(w, text);
    static_cast<QLabel*>(w.widget)->setText((w.style & ss_noprefix) ? shown : without_prefix(shown));
    return TRUE;
}

LRESULT static_proc(HWND__& w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case wm_settext: return set_text(w, lparam);
    default: return default_proc(w, message, wparam, lparam);
    }
}

} // namespace

bool create_static(HWND__& w, QWidget* parent) {
    w.class_name = "STATIC";
    const std::uint32_t type = w.style & ss_typemask;
    if (type > 2 && type != ss_simple && type != ss_leftnowordwrap) unsupported(w, "static type 0x%x", unsigned(type));
    check_style(w, control_styles | ss_typemask | ss_noprefix);
    auto* label = new QLabel(parent);
    const std::uint32_t align = w.style & ss_alignmask;
    label->setAlignment((align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    label->setWordWrap(align != 3 && (w.style & 0xC) != 0xC);
    label->setTextFormat(Qt::PlainText);
    w.kind = Kind::Static;
    w.widget = label;
    w.proc = static_proc;
    return true;
}

} // namespace win32qt
