// The dialog's list through our layer on Qt's offscreen platform: filling it
// with a pass's rows by LVM_INSERTITEMA / LVM_SETITEMA, and emptying it.
// clockr_list_bench [benchmark flags]; runs inside the open dialog.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "dialog/main_dialog.h"
#include "dialog/resource.h"
#include "win32qt/win32_qt.h"

namespace {

HWND dialog = nullptr;

// Rows as a pass makes them: every name different, most times finished.
ListRow row_for(int i) {
    ListRow row;
    std::snprintf(row.rec_file, sizeof row.rec_file, "run%06d.rec", i);
    std::snprintf(row.lev_file, sizeof row.lev_file, i % 2 ? "internal %d" : "Lev%04d.lev", i % 55 + 1);
    std::snprintf(row.s_m, sizeof row.s_m, "%s", i % 7 ? "s" : "m");
    std::snprintf(row.time, sizeof row.time, "%d:%02d.%02d", i % 9, i % 60, i % 100);
    return row;
}

void empty_list() { SendDlgItemMessageA(dialog, IDC_LIST, LVM_DELETEALLITEMS, 0, 0); }

// A pass's worth of rows, then the list shown once, as when a pass ends.
void BM_FillList(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        empty_list();
        QApplication::processEvents();
        state.ResumeTiming();
        for (int i = 0; i < rows; ++i) list_add_row(dialog, i, row_for(i));
        QApplication::processEvents();
    }
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
    empty_list();
}
BENCHMARK(BM_FillList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What Refresh does first: must feel instant with 100,000 rows in the list.
void BM_DeleteAllItems(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < rows; ++i) list_add_row(dialog, i, row_for(i));
        QApplication::processEvents();
        state.ResumeTiming();
        empty_list();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DeleteAllItems)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // No display needed; the list model and its view are the same.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    win32qt::set_dialog_shown_hook([](HWND shown) {
        dialog = shown;
        benchmark::RunSpecifiedBenchmarks();
        EndDialog(shown, IDCANCEL);
    });
    InitCommonControls();
    // The dialog opens with a pass over rec/*.rec of the current directory.
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    benchmark::Shutdown();
    return 0;
}
