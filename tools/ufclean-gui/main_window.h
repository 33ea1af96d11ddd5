// The main window: a Clean page (the tree of choices, the picture of the
// space, the filter and the found items, progress, totals, Scan / Stop /
// Clean), a Drives page, a History page (the held cleans, Undo and Free
// now) and a Cookies page (the sites whose cookies a clean keeps), switched
// by a tab control.
#pragma once

#include <windows.h>

#include <memory>

#include "choice_tree.h"
#include "cookies_page.h"
#include "drives_page.h"
#include "gdi_owners.h"
#include "history_page.h"
#include "item_list.h"
#include "options.h"
#include "pipeline/stop_signal.h"
#include "scan_model.h"
#include "space_picture.h"
#include "worker.h"

namespace gui {

class MainWindow {
public:
    MainWindow(Function::IUnusedFileClean* cleaner, Options options);
    ~MainWindow();
    bool Create(int show);
    HWND Handle() const { return window_; }
    // Keyboard: accelerators, tab order and mnemonics.
    bool TranslateKeys(MSG* message);
    int ExitCode() const { return exitCode_; }

private:
    static constexpr UINT kMsgCapture = WM_APP + 20;  // after the first paint or a scan
    static void SetText(HWND control, const std::wstring& text);
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void ApplyDpi(UINT dpi);
    void Layout();
    void ShowPage(int page);
    void SetState(UINT_PTR state);
    void OnCommand(int id);
    LRESULT OnNotify(NMHDR* header);
    // The run (main_window_run.cpp).
    void StartScan();
    void StartClean();
    void OnProgress(const ProgressNote& note);
    void OnRowDone(const RowNote& note);
    void OnScanDone(bool stopped);
    void OnCleanDone(bool stopped);
    // Every row's figures in the tree, once the worker has ended.
    void ShowRows();
    void ShowTotals();
    void ShowSpace();
    // The undo store's side (main_window_history.cpp): the History page
    // listed again and the picture with the bytes it holds; Undo or Free now of
    // the selected run on the worker; the report of its end.
    void LoadHistory();
    void StartUndo(bool free);
    void StartUndo(std::vector<HeldRunRef> runs, bool free, std::wstring what, std::uint64_t bytes);
    // The undo mode the Clean page's box shows, and what a held clean says
    // it took (the history's What).
    host::UndoMode UndoMode() const;
    std::wstring WhatIsCleaned(const std::vector<bool>& chosen) const;
    void CreateUndoControls();
    void OnUndoDone(const UndoNote& note);
    // Found items or a clean-only action: what the Clean button would act on.
    bool SomethingToClean() const;
    void SaveScreenshotAndExit();
    // With --report: the run's JSON report, as the console writes it.
    void WriteReport(const wchar_t* command, bool stopped);
    // --bench-items: times the list on synthetic items (bench_mode.cpp).
    void RunBenchmark();

    Function::IUnusedFileClean* cleaner_;
    Options options_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr, scan_ = nullptr, stop_ = nullptr, clean_ = nullptr;
    HWND progress_ = nullptr, status_ = nullptr, totals_ = nullptr, notice_ = nullptr;
    HWND filter_ = nullptr, filterLabel_ = nullptr;
    HWND undoMode_ = nullptr, undoModeLabel_ = nullptr, undoClean_ = nullptr;
    HWND lastFocus_ = nullptr;
    ChoiceTree categories_;
    ItemList items_;
    SpacePicture space_;
    DrivesPage drives_;
    HistoryPage history_;
    std::uint64_t heldBytes_ = 0;  // by the undo store's runs
    // The clean an undo or a Free now acts on, as the report names it, and
    // its bytes; the runs of the last clean.
    std::wstring undoWhat_;
    std::uint64_t undoBytes_ = 0;
    std::vector<HeldRunRef> lastClean_;
    UINT_PTR idleState_ = 0;  // the state before the worker's job
    CookiesPage cookies_;
    host::StopSignal stopSignal_;
    ScanModel model_;
    std::unique_ptr<Worker> worker_;
    GdiObjectOwner font_;
    Owned<HACCEL, DestroyAcceleratorTable> keys_;
    UINT dpi_ = 96;
    int page_ = 0;
    bool closing_ = false;
    int exitCode_ = 0;
};

}  // namespace gui
