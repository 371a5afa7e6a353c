// The EDIT class: a one-line box whose changes reach the dialog as EN_CHANGE,
// with the editing keys of a Windows edit control.
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTextBoundaryFinder>

#include <algorithm>

#include "win32qt/dialog_manager.h"
#include "win32qt/window.h"

namespace win32qt {
namespace {

constexpr std::uint32_t es_alignmask = 0x0003;
constexpr std::uint32_t es_password = 0x0020;
constexpr std::uint32_t es_autohscroll = 0x0080;
constexpr std::uint32_t es_readonly = 0x0800;

// Where a Windows edit control's words begin and end: where a line may
// break (after "/" in "rec/*.rec", not around "." or "*").
bool word_edge(const QString& text, int at) {
    if (at <= 0 || at >= text.size()) return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    finder.setPosition(at);
    return finder.isAtBoundary();
}

int word_edge_before(const QString& text, int at) {
    do --at;
    while (at > 0 && !word_edge(text, at));
    return std::max(at, 0);
}

int word_edge_after(const QString& text, int at) {
    do ++at;
    while (at < text.size() && !word_edge(text, at));
    return std::min(at, int(text.size()));
}

class EditBox final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // The program set the text: nothing to undo, as on Windows.
    void set_text(const QString& text) {
        setText(text);
        can_undo_ = false;
        typing_ = false;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
        const bool shift = modifiers & Qt::ShiftModifier;
        const bool control = modifiers & Qt::ControlModifier;
        const QString text = this->text();
        const int caret = cursorPosition();
        switch (event->key()) {
        // Up and Down are Left and Right; with a selection the caret moves
        // on from where it is, rather than to the selection's edge.
        case Qt::Key_Left:
        case Qt::Key_Up: move_caret(control ? word_edge_before(text, caret) : caret - 1, shift); return;
        case Qt::Key_Right:
        case Qt::Key_Down: move_caret(control ? word_edge_after(text, caret) : caret + 1, shift); return;
        case Qt::Key_Home: move_caret(0, shift); return;
        case Qt::Key_End: move_caret(int(text.size()), shift); return;
        case Qt::Key_Delete:
            if (control && !shift) {
                // Ctrl+Delete: the rest of the line goes.
                edit([this] {
                    if (!hasSelectedText()) setSelection(cursorPosition(), int(this->text().size()) - cursorPosition());
                    del();
                });
                return;
            }
            break;
        case Qt::Key_Backspace:
            if (!control) break;
            return;  // Ctrl+Backspace deletes nothing
        case Qt::Key_Z:
            if (control) {
                undo_toggle();
                return;
            }
            break;
        case Qt::Key_A:
            // Select all, the caret at the end, as the edit box of the common
            // controls the Windows build takes (version 6).
            if (control && !shift) {
                setSelection(0, int(text.size()));
                typing_ = false;
                return;
            }
            break;
        default: break;
        }
        // The clipboard keys are the only other ones with Ctrl: Ctrl+Y and the
        // rest do nothing, as in a Windows edit control.
        const bool clipboard_key = event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
                                   event->matches(QKeySequence::Paste);
        if (control && !clipboard_key) return;
        if (clipboard_key && !event->matches(QKeySequence::Copy)) {
            edit([this, event] { QLineEdit::keyPressEvent(event); });
            typing_ = false;  // a cut or a paste is undone alone
            return;
        }
        if (event->text().isEmpty() && event->key() != Qt::Key_Delete && event->key() != Qt::Key_Backspace) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        edit([this, event] { QLineEdit::keyPressEvent(event); });
    }

    void mousePressEvent(QMouseEvent* event) override {
        typing_ = false;
        QLineEdit::mousePressEvent(event);
    }

    // A double click selects the word under the pointer, or the last one
    // when the pointer is past the text.
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return QLineEdit::mouseDoubleClickEvent(event);
        const QString text = this->text();
        const int at = cursorPositionAt(event->position().toPoint());
        const int start = word_edge(text, at) && at < text.size() ? at : word_edge_before(text, at);
        setSelection(start, word_edge_after(text, start) - start);
        typing_ = false;
    }

private:
    void move_caret(int to, bool extend) {
        to = std::clamp(to, 0, int(text().size()));
        if (extend) {
            const int caret = cursorPosition();
            const int anchor = !hasSelectedText()           ? caret
                               : selectionStart() == caret ? selectionEnd()
                                                           : selectionStart();
            setSelection(anchor, to - anchor);
        } else {
            deselect();
            setCursorPosition(to);
        }
        typing_ = false;
    }

    // One undo step: the text before a run of typing, or before one cut or
    // paste. Undo swaps it with the text, so a second undo redoes.
    template <class Change>
    void edit(Change change) {
        const QString before = text();
        change();
        if (text() != before && !typing_) {
            undo_text_ = before;
            can_undo_ = true;
        }
        typing_ = true;
    }

    void undo_toggle() {
        typing_ = false;
        if (!can_undo_) return;
        const QString now = text();
        setText(undo_text_);
        undo_text_ = now;
    }

    QString undo_text_;
    bool can_undo_ = false;
    bool typing_ = false;
};

EditBox* line_of(const HWND__& w) { return static_cast<EditBox*>(w.widget); }

LRESULT set_text(HWND__& w, LPARAM text) {
    line_of(w)->set_text(store_text(w, text));
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
    auto* edit = new EditBox(parent);
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
