// win32qt: the dialog manager. Makes a dialog's windows from its template,
// runs it modally, moves the focus and answers the dialog keys (Tab, arrows,
// Enter, Esc), and hands the controls' notifications to the dialog procedure.
// Internal to the layer.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "win32qt/dialog_units.h"
#include "win32qt/dialog_template.h"
#include "win32qt/window.h"

class QEventLoop;
class QKeyEvent;

namespace win32qt {

class DialogWindow final : public QWidget {
public:
    DialogWindow(const DialogTemplate& t, QWidget* owner, DLGPROC procedure, LPARAM param);
    ~DialogWindow() override;

    HWND handle() { return &self_; }
    BaseUnits base_units() const { return base_; }

    // Runs the modal loop until EndDialog; returns what EndDialog was given.
    INT_PTR run();
    void end(INT_PTR result);

    HWND item(int id);

    // The controls of control's group: from the last control at or before it
    // that starts a group up to the next one that does.
    std::vector<HWND__*> group_of(const HWND__& control) const;

    // A control's notification; none reach the procedure before WM_INITDIALOG.
    void command(int id, int code, HWND control);
    void notify(NMHDR& header);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    INT_PTR call_procedure(UINT message, WPARAM wparam, LPARAM lparam);
    void add_control(const ControlTemplate& t);
    static bool can_focus(const HWND__& control);
    HWND first_tab_stop();
    HWND next_tab_item(const HWND__* from, bool previous);
    HWND next_group_item(HWND__& from, bool previous);
    std::pair<std::size_t, std::size_t> group_range(std::size_t index) const;
    std::size_t index_of(const HWND__* window) const;
    void focus(HWND__& control);
    void arrow_key(HWND__& from, bool previous);
    bool dialog_key(HWND control, QKeyEvent* event);

    DLGPROC procedure_;
    LPARAM param_;
    HWND__ self_;
    std::vector<std::unique_ptr<HWND__>> controls_;
    BaseUnits base_{};
    int default_id_ = IDOK;
    bool opened_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
    int depth_ = 0;
    QEventLoop* loop_ = nullptr;
};

// WM_COMMAND to the control's dialog, e.g. BN_CLICKED or EN_CHANGE.
void notify_parent(HWND__& control, int code);
// WM_NOTIFY to the control's dialog; fills in header's sender fields.
void notify_parent(HWND__& control, NMHDR& header);

} // namespace win32qt
