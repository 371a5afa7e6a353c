// The dialog manager: a dialog is made from its template, its controls are
// Qt widgets carrying the ids and styles of the template, and their events
// come back to the dialog procedure as the messages Windows would send.
#include "win32qt/dialog_manager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "win32qt/win32_qt.h"

namespace win32qt {
namespace {

std::function<void(HWND)>& shown_hook() {
    static std::function<void(HWND)> hook;
    return hook;
}

// The dialog styles the layer honours or that change nothing on it.
constexpr std::uint32_t ds_3dlook = 0x0004;
constexpr std::uint32_t ds_setfont = 0x0040;
constexpr std::uint32_t ds_modalframe = 0x0080;
constexpr std::uint32_t ds_noidlemsg = 0x0100;
constexpr std::uint32_t ws_popup = 0x80000000;
constexpr std::uint32_t ws_clipsiblings = 0x04000000;
constexpr std::uint32_t ws_caption = 0x00C00000;
constexpr std::uint32_t dialog_styles = ds_3dlook | ds_setfont | ds_modalframe | ds_noidlemsg | ws_popup | ws_visible |
                                        ws_clipsiblings | ws_caption | ws_sysmenu;

LRESULT dialog_proc(HWND__& w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case wm_settext:
        w.widget->setWindowTitle(store_text(w, lparam));
        return TRUE;
    case wm_gettext: return copy_text(w, w.widget->windowTitle(), wparam, lparam);
    default: return default_proc(w, message, wparam, lparam);
    }
}

struct ControlClass {
    const char16_t* name;  // upper case
    bool (*create)(HWND__& window, QWidget* parent);
};

constexpr ControlClass control_classes[] = {
    {u"STATIC", create_static},
    {u"EDIT", create_edit},
    {u"BUTTON", create_button},
    {u"SYSLISTVIEW32", create_list_view},
};

} // namespace

DialogWindow::DialogWindow(const DialogTemplate& t, QWidget* owner, DLGPROC procedure, LPARAM param)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint |
                         ((t.style & ws_sysmenu) ? Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                                 : Qt::WindowFlags())),
      procedure_(procedure), param_(param) {
    self_.kind = Kind::Dialog;
    self_.class_name = "dialog";
    self_.style = t.style;
    self_.widget = this;
    self_.dialog = this;
    self_.proc = dialog_proc;
    add_window(&self_);
    check_style(self_, dialog_styles);
    if (t.ex_style) unsupported(self_, "extended style 0x%08x", unsigned(t.ex_style));
    if (t.menu != NameOrNumber{}) unsupported(self_, "menu");
    if (t.class_name != NameOrNumber{}) unsupported(self_, "window class");
    send(self_, wm_settext, 0, reinterpret_cast<LPARAM>(t.caption.c_str()));
    setWindowModality(Qt::ApplicationModal);

    QFont font;
    if (t.font_points > 0) {
        font.setFamilies({QString::fromUtf8(t.font_face), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
        font.setPixelSize(points_to_pixels(t.font_points));
    }
    setFont(font);
    const QFontMetrics metrics(font);
    base_ = base_units_from(
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
        metrics.height());

    const PixelRect frame = dialog_units_to_pixels(t.x, t.y, t.cx, t.cy, base_);
    setFixedSize(frame.width, frame.height);
    move(frame.x, frame.y);

    controls_.reserve(t.controls.size());
    for (const ControlTemplate& c : t.controls) add_control(c);
}

DialogWindow::~DialogWindow() {
    for (const auto& c : controls_) remove_window(c.get());
    remove_window(&self_);
}

INT_PTR DialogWindow::run() {
    HWND first = first_tab_stop();
    opened_ = true;
    if (call_procedure(WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param_) && first && !ended_) {
        focus(*first);
    }
    if (!ended_) {
        show();
        activateWindow();
        if (shown_hook()) {
            QPointer<DialogWindow> self(this);
            QTimer::singleShot(0, this, [self] {
                if (self && !self->ended_ && shown_hook()) shown_hook()(self->handle());
            });
        }
        QEventLoop loop;
        loop_ = &loop;
        if (!ended_) loop.exec();
        loop_ = nullptr;
        hide();
    }
    return result_;
}

void DialogWindow::end(INT_PTR result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    if (loop_) loop_->quit();
}

HWND DialogWindow::item(int id) {
    for (const auto& c : controls_) {
        if (c->id == id) return c.get();
    }
    return nullptr;
}

// List changes become visible when the outermost handling ends.
INT_PTR DialogWindow::call_procedure(UINT message, WPARAM wparam, LPARAM lparam) {
    ++depth_;
    const INT_PTR result = procedure_(&self_, message, wparam, lparam);
    if (--depth_ == 0) {
        for (const auto& c : controls_) {
            if (c->kind == Kind::ListView) publish_list(*c);
        }
    }
    return result;
}

void DialogWindow::command(int id, int code, HWND control) {
    if (!opened_ || ended_) return;
    call_procedure(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

void DialogWindow::notify(NMHDR& header) {
    if (!opened_ || ended_) return;
    call_procedure(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void notify_parent(HWND__& control, int code) { control.dialog->command(control.id, code, &control); }

void notify_parent(HWND__& control, NMHDR& header) {
    header.hwndFrom = &control;
    header.idFrom = UINT_PTR(control.id);
    control.dialog->notify(header);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();  // only EndDialog closes the dialog
    command(IDCANCEL, BN_CLICKED, nullptr);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (!dialog_key(nullptr, event)) QWidget::keyPressEvent(event);
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        for (const auto& c : controls_) {
            if (c->widget == watched) return dialog_key(c.get(), static_cast<QKeyEvent*>(event));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DialogWindow::add_control(const ControlTemplate& t) {
    auto window = std::make_unique<HWND__>();
    HWND__& w = *window;
    w.id = t.id;
    w.style = t.style;
    w.dialog = this;
    const QString upper_class = QString::fromUtf8(t.class_name).toUpper();
    bool made = false;
    for (const ControlClass& c : control_classes) {
        if (upper_class == c.name) {
            made = c.create(w, this);
            break;
        }
    }
    if (!made) {
        // A class or button type the layer does not make: a blank area keeps the layout.
        unsupported(w, "class %s, style 0x%08x", t.class_name.c_str(), unsigned(t.style));
        w.kind = Kind::Other;
        w.widget = new QWidget(this);
        w.proc = default_proc;
    }
    if (t.ex_style) unsupported(w, "extended style 0x%08x", unsigned(t.ex_style));
    if (w.kind == Kind::PushButton && (w.style & bs_typemask) == bs_defpushbutton && default_id_ == IDOK)
        default_id_ = t.id;
    send(w, wm_settext, 0, reinterpret_cast<LPARAM>(t.text.c_str()));

    const PixelRect r = dialog_units_to_pixels(t.x, t.y, t.cx, t.cy, base_);
    w.widget->setGeometry(r.x, r.y, r.width, r.height);
    if (w.kind == Kind::Static || w.kind == Kind::GroupBox || w.kind == Kind::Other) {
        w.widget->setFocusPolicy(Qt::NoFocus);
    } else {
        w.widget->setFocusPolicy(Qt::ClickFocus);  // Tab is the dialog manager's
    }
    w.widget->setEnabled(!(t.style & ws_disabled));
    w.widget->setVisible(t.style & ws_visible);
    w.widget->installEventFilter(this);
    add_window(&w);
    controls_.push_back(std::move(window));
}

bool DialogWindow::can_focus(const HWND__& c) {
    return c.kind != Kind::Static && c.kind != Kind::GroupBox && c.kind != Kind::Other && c.widget->isEnabled() &&
           !c.widget->isHidden();
}

HWND DialogWindow::first_tab_stop() { return next_tab_item(nullptr, false); }

// As GetNextDlgTabItem: the next (previous) control with WS_TABSTOP that can
// take the focus, wrapping; from itself when it is the only one.
HWND DialogWindow::next_tab_item(const HWND__* from, bool previous) {
    const int n = int(controls_.size());
    const int at = from ? int(index_of(from)) : (previous ? 0 : n - 1);
    for (int k = 1; k <= n; ++k) {
        HWND__& c = *controls_[std::size_t(((at + (previous ? -k : k)) % n + n) % n)];
        if ((c.style & ws_tabstop) && can_focus(c)) return &c;
    }
    return nullptr;
}

// As GetNextDlgGroupItem: the next (previous) visible, enabled control of
// from's group, wrapping within the group; from itself when there is none.
HWND DialogWindow::next_group_item(HWND__& from, bool previous) {
    const auto [first, last] = group_range(index_of(&from));
    const int size = int(last - first);
    const int at = int(index_of(&from) - first);
    for (int k = 1; k < size; ++k) {
        HWND__& c = *controls_[first + std::size_t(((at + (previous ? -k : k)) % size + size) % size)];
        if (c.widget->isEnabled() && !c.widget->isHidden()) return &c;
    }
    return &from;
}

std::pair<std::size_t, std::size_t> DialogWindow::group_range(std::size_t index) const {
    std::size_t first = index;
    while (first > 0 && !(controls_[first]->style & ws_group)) --first;
    std::size_t last = index + 1;
    while (last < controls_.size() && !(controls_[last]->style & ws_group)) ++last;
    return {first, last};
}

std::vector<HWND__*> DialogWindow::group_of(const HWND__& control) const {
    const auto [first, last] = group_range(index_of(&control));
    std::vector<HWND__*> group;
    for (std::size_t i = first; i < last; ++i) group.push_back(controls_[i].get());
    return group;
}

std::size_t DialogWindow::index_of(const HWND__* window) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].get() == window) return i;
    }
    return controls_.size();
}

// The dialog manager's focus move: an edit box so reached has all its text
// selected, with the caret at the end.
void DialogWindow::focus(HWND__& control) {
    control.widget->setFocus(Qt::OtherFocusReason);
    if (control.kind == Kind::Edit) static_cast<QLineEdit*>(control.widget)->selectAll();
}

// An arrow key on a control that does not want arrows: the focus moves to
// the next (previous) control of its group, whatever its class, and an auto
// radio button reached so is clicked. Windows sends the focus that lands on
// a label on to the tab stop before the label.
void DialogWindow::arrow_key(HWND__& from, bool previous) {
    HWND to = next_group_item(from, previous);
    if (!can_focus(*to)) to = next_tab_item(to, true);
    if (!to || to == &from) return;
    focus(*to);
    if (to->kind == Kind::RadioButton && (to->style & bs_typemask) == bs_autoradiobutton)
        static_cast<QAbstractButton*>(to->widget)->click();
}

// The dialog keys: Tab, arrows, Enter, Esc, and Alt with a letter. control
// is the control that has the key, nullptr for the dialog itself. Edit boxes
// and the list view keep the arrows, as they want them on Windows.
bool DialogWindow::dialog_key(HWND control, QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Escape:
        command(IDCANCEL, BN_CLICKED, nullptr);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (control && control->kind == Kind::PushButton) command(control->id, BN_CLICKED, control);
        else command(default_id_, BN_CLICKED, item(default_id_));
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return false;
        if (HWND to = next_tab_item(control, event->key() == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier)))
            focus(*to);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (!control || control->kind == Kind::Edit || control->kind == Kind::ListView) return false;
        arrow_key(*control, event->key() == Qt::Key_Up || event->key() == Qt::Key_Left);
        return true;
    default:
        // Alt with a character looks for a mnemonic; the layer has none to
        // find, so it beeps and the key goes nowhere, as on Windows.
        if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) && !event->text().isEmpty()) {
            QApplication::beep();
            return true;
        }
        return false;
    }
}

void set_dialog_shown_hook(std::function<void(HWND dialog)> hook) { shown_hook() = std::move(hook); }

} // namespace win32qt
