// The dialog manager: a dialog is made from its template, its controls are
// Qt widgets carrying the ids and styles of the template, and their events
// come back to the dialog procedure as the messages Windows would send.
#include "win32qt/dialog_manager.h"

#include <QAbstractButton>
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
        first->widget->setFocus(Qt::TabFocusReason);
        if (first->kind == Kind::Edit) static_cast<QLineEdit*>(first->widget)->selectAll();
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
        w.widget->setFocusPolicy((t.style & ws_tabstop) ? Qt::StrongFocus : Qt::ClickFocus);
    }
    w.widget->setEnabled(!(t.style & ws_disabled));
    w.widget->setVisible(t.style & ws_visible);
    w.widget->installEventFilter(this);
    add_window(&w);
    controls_.push_back(std::move(window));
}

HWND DialogWindow::first_tab_stop() {
    for (const auto& c : controls_) {
        if ((c->style & ws_tabstop) && c->widget->isEnabled() && !c->widget->isHidden()) return c.get();
    }
    return nullptr;
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

// Arrow keys move among the radio buttons of a group, wrapping; an auto
// radio button that gets the focus this way is clicked.
void DialogWindow::move_in_group(HWND from, int step) {
    const std::size_t index = index_of(from);
    const auto [first, last] = group_range(index);
    const int size = int(last - first);
    const int at = int(index - first);
    for (int k = 1; k < size; ++k) {
        HWND__& to = *controls_[first + std::size_t(((at + step * k) % size + size) % size)];
        if (to.kind != Kind::RadioButton || !to.widget->isEnabled() || to.widget->isHidden()) continue;
        to.widget->setFocus(Qt::OtherFocusReason);
        if ((to.style & bs_typemask) == bs_autoradiobutton) static_cast<QAbstractButton*>(to.widget)->click();
        return;
    }
}

// Esc and Enter for the whole dialog, arrows for buttons. control is the
// control that has the key, nullptr for the dialog itself.
bool DialogWindow::dialog_key(HWND control, QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        command(IDCANCEL, BN_CLICKED, nullptr);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (control && control->kind == Kind::PushButton) command(control->id, BN_CLICKED, control);
        else command(default_id_, BN_CLICKED, item(default_id_));
        return true;
    case Qt::Key_Up:
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (!control || (control->kind != Kind::RadioButton && control->kind != Kind::CheckBox &&
                         control->kind != Kind::PushButton))
            return false;
        if (control->kind == Kind::RadioButton)
            move_in_group(control, event->key() == Qt::Key_Up || event->key() == Qt::Key_Left ? -1 : 1);
        return true;
    default: return false;
    }
}

void set_dialog_shown_hook(std::function<void(HWND dialog)> hook) { shown_hook() = std::move(hook); }

} // namespace win32qt
