// Runs a dialog through our Win32 layer and drives it from inside its modal
// loop, as a user would, on Qt's offscreen platform.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAbstractButton>
#include <QApplication>
#include <QTableView>
#include <QTest>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "win32qt/win32_qt.h"

// The layer's reports of what it does not do: collected while one of these
// lives; outside one, a report fails the running test, so that no test
// passes over a message, style or class the layer ignores.
struct LayerReports {
    std::vector<std::string> seen;
    LayerReports() {
        win32qt::set_unsupported_hook([this](const char* report) { seen.push_back(report); });
    }
    ~LayerReports() { fail_on_reports(); }
    LayerReports(const LayerReports&) = delete;
    LayerReports& operator=(const LayerReports&) = delete;

    static bool fail_on_reports() {
        win32qt::set_unsupported_hook([](const char* report) { ADD_FAILURE() << "win32qt: " << report; });
        return true;
    }
};
inline const bool failing_on_layer_reports = LayerReports::fail_on_reports();

// What DialogBoxParamA returns when the test ended the dialog itself.
constexpr INT_PTR ended_by_test = 4711;

// Runs template id with procedure; drive gets the dialog once it is shown,
// and the dialog is ended when drive returns (if the procedure has not).
inline INT_PTR run_dialog(int id, DLGPROC procedure, const std::function<void(HWND)>& drive,
                          LPARAM param = 0) {
    win32qt::set_dialog_shown_hook([&](HWND dialog) {
        drive(dialog);
        EndDialog(dialog, ended_by_test);
    });
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, procedure, param);
    win32qt::set_dialog_shown_hook(nullptr);
    return result;
}

inline QWidget* item_widget(HWND dialog, int id) { return win32qt::widget_of(GetDlgItem(dialog, id)); }

inline void click(HWND dialog, int id) { QTest::mouseClick(item_widget(dialog, id), Qt::LeftButton); }

inline void key(HWND dialog, int id, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(item_widget(dialog, id), k, modifiers);
}

inline bool checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The id of the control that has the focus in the dialog, 0 for none.
inline int focused_id(HWND dialog, const std::vector<int>& ids) {
    const QWidget* focus = win32qt::widget_of(dialog)->focusWidget();
    for (int id : ids) {
        if (item_widget(dialog, id) == focus) return id;
    }
    return 0;
}

// The list view's rows as shown, each cell as UTF-8.
inline std::vector<std::vector<std::string>> list_rows(HWND dialog, int id) {
    QApplication::processEvents();  // changes made outside a message show once the loop runs
    const QAbstractItemModel* model = static_cast<QTableView*>(item_widget(dialog, id))->model();
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < model->columnCount(); ++c)
            row.push_back(model->index(r, c).data().toString().toStdString());
        rows.push_back(row);
    }
    return rows;
}
