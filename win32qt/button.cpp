// The BUTTON class: push buttons, check boxes, radio buttons and group
// boxes, with the Windows meaning of a click.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "win32qt/dialog_manager.h"
#include "win32qt/window.h"

namespace win32qt {
namespace {

constexpr int bst_indeterminate = 2;

class RadioButton final : public QRadioButton {
public:
    RadioButton(QWidget* parent, bool automatic) : QRadioButton(QString(), parent), automatic_(automatic) {
        setAutoExclusive(false);  // the dialog keeps its groups, as Windows does
    }

protected:
    // An auto radio button is checked by a click, never unchecked; a plain one
    // leaves its state to the dialog procedure.
    void nextCheckState() override {
        if (automatic_) setChecked(true);
    }
    // A click anywhere on the control counts, not only on its circle and text.
    bool hitButton(const QPoint& at) const override { return rect().contains(at); }

private:
    bool automatic_;
};

class CheckBox final : public QCheckBox {
public:
    CheckBox(QWidget* parent, bool automatic) : QCheckBox(QString(), parent), automatic_(automatic) {}

protected:
    void nextCheckState() override {
        if (automatic_) QCheckBox::nextCheckState();
    }
    bool hitButton(const QPoint& at) const override { return rect().contains(at); }

private:
    bool automatic_;
};

LRESULT get_check(const HWND__& w) {
    if (w.kind != Kind::CheckBox && w.kind != Kind::RadioButton) return 0;
    auto* button = static_cast<QAbstractButton*>(w.widget);
    auto* box = qobject_cast<QCheckBox*>(button);
    if (box && box->checkState() == Qt::PartiallyChecked) return bst_indeterminate;
    return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

LRESULT set_check(HWND__& w, WPARAM state) {
    if (w.kind != Kind::CheckBox && w.kind != Kind::RadioButton) return 0;
    auto* button = static_cast<QAbstractButton*>(w.widget);
    auto* box = qobject_cast<QCheckBox*>(button);
    if (box && box->isTristate() && state == bst_indeterminate) box->setCheckState(Qt::PartiallyChecked);
    else button->setChecked(state != BST_UNCHECKED);
    // A radio button is a tab stop while it is checked, whatever its template
    // said: Tab reaches a group of radio buttons at its checked one.
    if (w.kind == Kind::RadioButton) {
        if (state == BST_UNCHECKED) w.style &= ~ws_tabstop;
        else w.style |= ws_tabstop;
    }
    return 0;
}

bool is_auto_radio(const HWND__& w) {
    return w.kind == Kind::RadioButton && (w.style & bs_typemask) == bs_autoradiobutton;
}

// A clicked auto radio button is checked and unchecks the others of its group.
void clicked(HWND__& button) {
    if (is_auto_radio(button)) {
        for (HWND__* other : button.dialog->group_of(button)) {
            if (other != &button && is_auto_radio(*other)) set_check(*other, BST_UNCHECKED);
        }
        set_check(button, BST_CHECKED);
    }
    notify_parent(button, BN_CLICKED);
}

LRESULT set_text(HWND__& w, LPARAM text) {
    const QString& shown = store_text(w, text);
    if (w.kind == Kind::GroupBox) static_cast<QGroupBox*>(w.widget)->setTitle(shown);
    else static_cast<QAbstractButton*>(w.widget)->setText(shown);
    return TRUE;
}

LRESULT get_text(const HWND__& w, WPARAM room, LPARAM buffer) {
    const QString shown = w.kind == Kind::GroupBox ? static_cast<QGroupBox*>(w.widget)->title()
                                                   : static_cast<QAbstractButton*>(w.widget)->text();
    return copy_text(w, shown, room, buffer);
}

LRESULT button_proc(HWND__& w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case wm_settext: return set_text(w, lparam);
    case wm_gettext: return get_text(w, wparam, lparam);
    case BM_GETCHECK: return get_check(w);
    case BM_SETCHECK: return set_check(w, wparam);
    default: return default_proc(w, message, wparam, lparam);
    }
}

} // namespace

bool create_button(HWND__& w, QWidget* parent) {
    w.class_name = "BUTTON";
    const std::uint32_t type = w.style & bs_typemask;
    if (type == 0 || type == bs_defpushbutton) {
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        w.kind = Kind::PushButton;
        w.widget = button;
    } else if (type >= 2 && type <= 6 && type != 4) {
        auto* box = new CheckBox(parent, type == 3 || type == 6);
        box->setTristate(type == 5 || type == 6);
        w.kind = Kind::CheckBox;
        w.widget = box;
    } else if (type == 4 || type == bs_autoradiobutton) {
        w.kind = Kind::RadioButton;
        w.widget = new RadioButton(parent, type == bs_autoradiobutton);
    } else if (type == 7) {
        w.kind = Kind::GroupBox;
        w.widget = new QGroupBox(parent);
    } else {
        return false;
    }
    check_style(w, control_styles | bs_typemask);
    if (auto* button = qobject_cast<QAbstractButton*>(w.widget)) {
        HWND handle = &w;
        QObject::connect(button, &QAbstractButton::clicked, button, [handle] { clicked(*handle); });
    }
    w.proc = button_proc;
    return true;
}

} // namespace win32qt
