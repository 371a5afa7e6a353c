// What every window of the layer shares: its text, and the answer to a
// message its class has no handler for.
#include "win32qt/window.h"

#include <QStringDecoder>
#include <QWidget>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "win32qt/win32_qt.h"

namespace win32qt {
namespace {

std::function<void(const char*)>& unsupported_hook() {
    static std::function<void(const char*)> hook;
    return hook;
}

} // namespace

void unsupported(const HWND__& window, const char* format, ...) {
    char what[200];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(what, sizeof what, format, arguments);
    va_end(arguments);
    char report[300];
    std::snprintf(report, sizeof report, "%s %d: %s", window.class_name, window.id, what);
    if (unsupported_hook()) {
        unsupported_hook()(report);
        return;
    }
#ifndef NDEBUG
    std::fprintf(stderr, "win32qt: not implemented: %s\n", report);
#endif
}

void set_unsupported_hook(std::function<void(const char* report)> hook) { unsupported_hook() = std::move(hook); }

void check_style(const HWND__& window, std::uint32_t honoured) {
    if (const std::uint32_t rest = window.style & ~honoured) unsupported(window, "style 0x%08x", unsigned(rest));
}

QString to_qstring(const char* bytes, qsizetype length) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes, length));
    if (decoder.hasError()) text = QString::fromLatin1(bytes, length);
    return text;
}

QString to_qstring(const char* bytes) { return bytes ? to_qstring(bytes, qsizetype(std::strlen(bytes))) : QString(); }

const QString& store_text(HWND__& window, LPARAM text) {
    const auto* bytes = reinterpret_cast<const char*>(text);
    window.set_bytes = bytes ? bytes : "";
    window.set_text = to_qstring(bytes);
    return window.set_text;
}

LRESULT copy_text(const HWND__& window, const QString& shown, WPARAM room, LPARAM buffer) {
    auto* text = reinterpret_cast<char*>(buffer);
    if (!text || room == 0) return 0;
    const std::string bytes = shown == window.set_text ? window.set_bytes : shown.toUtf8().toStdString();
    const std::size_t n = std::min(bytes.size(), std::size_t(room - 1));
    std::memcpy(text, bytes.data(), n);
    text[n] = '\0';
    return LRESULT(n);
}

LRESULT default_proc(HWND__& window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case wm_settext: store_text(window, lparam); return TRUE;
    case wm_gettext: return copy_text(window, window.set_text, wparam, lparam);
    case WM_SETREDRAW:
        // Qt repaints once when updates come back on, as an invalidation would.
        if (window.widget) window.widget->setUpdatesEnabled(wparam != 0);
        return 0;
    default:
        unsupported(window, "message 0x%04x", message);
        return 0;
    }
}

} // namespace win32qt
