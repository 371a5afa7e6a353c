// The clipboard calls and the global memory they take, over Qt's clipboard;
// and the key state the program asks for while it handles a key.
#include <QClipboard>
#include <QGuiApplication>

#include <cstring>
#include <new>

#include "win32qt/window.h"

namespace {

// A global memory block: its size, then its bytes.
struct Block {
    SIZE_T size;
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

bool clipboard_open = false;

} // namespace

SHORT GetKeyState(int virtual_key) {
    Qt::KeyboardModifier modifier;
    switch (virtual_key) {
    case VK_SHIFT: modifier = Qt::ShiftModifier; break;
    case VK_CONTROL: modifier = Qt::ControlModifier; break;
    case VK_MENU: modifier = Qt::AltModifier; break;
    default: return 0;
    }
    return QGuiApplication::keyboardModifiers().testFlag(modifier) ? SHORT(-0x8000) : SHORT(0);
}

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
    if (bytes > SIZE_T(-1) / 2) return nullptr;
    void* memory = ::operator new(sizeof(Block) + bytes, std::nothrow);
    if (!memory) return nullptr;
    auto* block = new (memory) Block{bytes};
    std::memset(block->bytes(), 0, bytes);
    return block;
}

LPVOID GlobalLock(HGLOBAL memory) { return memory ? static_cast<Block*>(memory)->bytes() : nullptr; }

BOOL GlobalUnlock(HGLOBAL) { return FALSE; }  // no lock count: nothing stays locked

HGLOBAL GlobalFree(HGLOBAL memory) {
    ::operator delete(memory);
    return nullptr;
}

BOOL OpenClipboard(HWND) {
    if (clipboard_open || !win32qt::ensure_application()) return FALSE;
    clipboard_open = true;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!clipboard_open) return FALSE;
    QGuiApplication::clipboard()->clear();
    return TRUE;
}

// Takes the block: the text up to its NUL (or its end) goes to the clipboard
// and the memory is freed, as the system owns it from here.
HANDLE SetClipboardData(UINT format, HANDLE data) {
    if (!clipboard_open || format != CF_TEXT || !data) return nullptr;
    auto* block = static_cast<Block*>(data);
    const auto* bytes = reinterpret_cast<const char*>(block->bytes());
    const void* end = std::memchr(bytes, '\0', block->size);
    const qsizetype length = end ? static_cast<const char*>(end) - bytes : qsizetype(block->size);
    QGuiApplication::clipboard()->setText(win32qt::to_qstring(bytes, length));
    GlobalFree(data);
    return data;
}

BOOL CloseClipboard() {
    if (!clipboard_open) return FALSE;
    clipboard_open = false;
    return TRUE;
}
