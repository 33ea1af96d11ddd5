#include "main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "pipeline/categories.h"
#include "dpi.h"
#include "gui_ids.h"
#include "layout_check.h"
#include "list_view.h"
#include "platform/user_files.h"
#include "rule_rows.h"
#include "save_profile.h"
#include "screenshot.h"
#include "text/format.h"

namespace gui {

namespace {

constexpr int kCmdNextPage = 130;
constexpr UINT kMsgBench = WM_APP + 21;  // after the first paint
constexpr UINT_PTR kFilterTimer = 1;     // the filter waits for a pause in typing
constexpr UINT kFilterDelay = 200;

}  // namespace

void MainWindow::SetText(HWND control, const std::wstring& text) {
    SetWindowTextW(control, text.c_str());
}

MainWindow::MainWindow(Function::IUnusedFileClean* cleaner, Options options)
    : cleaner_(cleaner), options_(std::move(options)), model_(cleaner, &stopSignal_) {
    stopSignal_.Attach(cleaner);
}

MainWindow::~MainWindow() {
    worker_.reset();
    stopSignal_.Attach(nullptr);
}

bool MainWindow::Create(int show) {
    WNDCLASSEXW type = {};
    type.cbSize = sizeof type;
    type.lpfnWndProc = Procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hIcon = LoadIconW(type.hInstance, MAKEINTRESOURCEW(1));  // the program's own
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&type)) return false;
    const UINT dpi = WindowDpi(nullptr);
    // Its size at this scale, within the screen's work area.
    RECT work = {0, 0, Scale(1180, dpi), Scale(720, dpi)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min<int>(Scale(1180, dpi), work.right - work.left);
    const int height = std::min<int>(Scale(720, dpi), work.bottom - work.top);
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, L"UnusedFileClean",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, work.left, work.top, width,
                              height, nullptr, nullptr, type.hInstance, this);
    if (!window_) return false;
    ACCEL keys[] = {{FVIRTKEY, VK_F5, static_cast<WORD>(kIdScan)},
                    {FVIRTKEY, VK_ESCAPE, static_cast<WORD>(kIdStop)},
                    {FVIRTKEY | FCONTROL, VK_TAB, static_cast<WORD>(kCmdNextPage)}};
    keys_.reset(CreateAcceleratorTableW(keys, 3));
    ShowWindow(window_, show);
    UpdateWindow(window_);
    if (!options_.saveProfile.empty()) {
        std::wstring message;
        if (!SaveChoiceAsProfile(options_.saveProfile, categories_.Checked(), &message))
            exitCode_ = kGuiExitProfile;
        SetText(notice_, message);
    }
    if (options_.benchItems)
        PostMessageW(window_, kMsgBench, 0, 0);
    else if (options_.scanAtStart)
        StartScan();
    else if (!options_.screenshot.empty())
        PostMessageW(window_, kMsgCapture, 0, 0);
    return true;
}

bool MainWindow::TranslateKeys(MSG* message) {
    if (keys_ && TranslateAcceleratorW(window_, keys_.get(), message)) return true;
    return IsDialogMessageW(window_, message) != 0;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            worker_ = std::make_unique<Worker>(window_, &model_.Pipeline(), &stopSignal_);
            CreateControls();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {Scale(720, dpi_), Scale(480, dpi_)};
            return 0;
        }
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            ApplyDpi(HIWORD(wParam));
            SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_ACTIVATE:
            // Focus goes back to the control that had it.
            if (LOWORD(wParam) == WA_INACTIVE)
                lastFocus_ = GetFocus();
            else
                SetFocus(lastFocus_ && IsWindowVisible(lastFocus_) ? lastFocus_
                                                                   : categories_.Handle());
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kIdFilter && HIWORD(wParam) == EN_CHANGE)
                SetTimer(window_, kFilterTimer, kFilterDelay, nullptr);
            else
                OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case kMsgProgress: {
            std::unique_ptr<ProgressNote> note(reinterpret_cast<ProgressNote*>(lParam));
            OnProgress(*note);
            return 0;
        }
        case kMsgRowDone: {
            std::unique_ptr<RowNote> note(reinterpret_cast<RowNote*>(lParam));
            OnRowDone(*note);
            return 0;
        }
        case kMsgScanDone:
            OnScanDone(wParam != 0);
            return 0;
        case kMsgCleanDone:
            OnCleanDone(wParam != 0);
            return 0;
        case kMsgUndoDone: {
            std::unique_ptr<UndoNote> note(reinterpret_cast<UndoNote*>(lParam));
            OnUndoDone(*note);
            return 0;
        }
        case kMsgCapture:
            SaveScreenshotAndExit();
            return 0;
        case kMsgBench:
            RunBenchmark();
            return 0;
        case WM_TIMER:
            if (wParam == kFilterTimer) {
                KillTimer(window_, kFilterTimer);
                wchar_t text[256] = {};
                GetWindowTextW(filter_, text, 256);
                items_.SetFilter(model_, text);
            }
            return 0;
        case WM_CLOSE:
            if (worker_->Busy()) {
                // The worker's done message closes the window.
                closing_ = true;
                worker_->RequestStop();
                SetText(status_, L"Stopping before closing...");
                return 0;
            }
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY: {
            // Messages still queued own their payloads.
            MSG left;
            while (PeekMessageW(&left, window_, kMsgProgress, kMsgUndoDone, PM_REMOVE))
                FreeWorkerPayload(left.message, left.lParam);
            RemovePropW(window_, kStateProperty);
            PostQuitMessage(exitCode_);
            return 0;
        }
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void MainWindow::CreateControls() {
    tabs_ = Child(window_, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPSIBLINGS, kIdTabs);
    TCITEMW tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(L"Clean");
    TabCtrl_InsertItem(tabs_, 0, &tab);
    tab.pszText = const_cast<wchar_t*>(L"Drives");
    TabCtrl_InsertItem(tabs_, 1, &tab);
    tab.pszText = const_cast<wchar_t*>(L"History");
    TabCtrl_InsertItem(tabs_, 2, &tab);
    tab.pszText = const_cast<wchar_t*>(L"Cookies");
    TabCtrl_InsertItem(tabs_, 3, &tab);
    categories_.Create(window_, options_.checked, options_.rules);
    space_.Create(window_);
    filterLabel_ =
        Child(window_, WC_STATICW, L"&Filter:", SS_LEFT | SS_CENTERIMAGE, kIdFilterLabel);
    filter_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
        0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdFilter)), nullptr, nullptr);
    SendMessageW(filter_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"text in the name or folder"));
    items_.Create(window_);
    drives_.Create(window_);
    history_.Create(window_);
    cookies_.Create(window_);
    notice_ = Child(window_, WC_STATICW, RulesFileNotice().c_str(), SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                    kIdNotice);
    progress_ = Child(window_, PROGRESS_CLASSW, L"", 0, kIdProgress);
    SendMessageW(progress_, PBM_SETRANGE32, 0, 1000);
    status_ = Child(window_, WC_STATICW, L"Check the categories to scan and press Scan.",
                    SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_PATHELLIPSIS, kIdStatus);
    totals_ = Child(window_, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kIdTotals);
    scan_ = Child(window_, WC_BUTTONW, L"&Scan", WS_TABSTOP | BS_DEFPUSHBUTTON, kIdScan);
    stop_ = Child(window_, WC_BUTTONW, L"S&top", WS_TABSTOP | WS_DISABLED, kIdStop);
    clean_ = Child(window_, WC_BUTTONW, L"&Clean", WS_TABSTOP | WS_DISABLED, kIdClean);
    CreateUndoControls();
    ApplyDpi(WindowDpi(window_));
    drives_.Load(cleaner_, dpi_);
    LoadHistory();  // and the picture, with the bytes held for undo
    ShowPage(options_.page);
    SetState(kStateReady);
}

void MainWindow::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    font_.reset(CreateMessageFont(dpi));
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    categories_.SetDpi(dpi);
    items_.SetDpi(dpi);
    space_.SetDpi(dpi);
    Layout();
}

void MainWindow::Layout() {
    if (!tabs_) return;
    RECT client = {};
    GetClientRect(window_, &client);
    const int gap = Scale(8, dpi_), line = Scale(20, dpi_), button = Scale(28, dpi_);
    const int width = client.right, height = client.bottom;
    auto place = [](HWND control, int x, int y, int w, int h) {
        MoveWindow(control, x, y, w > 0 ? w : 0, h > 0 ? h : 0, TRUE);
    };
    place(tabs_, gap, gap, width - 2 * gap, height - 2 * gap);
    RECT page = {0, 0, width - 2 * gap, height - 2 * gap};
    TabCtrl_AdjustRect(tabs_, FALSE, &page);
    OffsetRect(&page, gap, gap);
    InflateRect(&page, -Scale(4, dpi_), -Scale(4, dpi_));
    const int pageWidth = page.right - page.left;
    // Bottom band: notice, progress, status, totals and the buttons.
    const int band = 4 * line + button + 4 * Scale(4, dpi_);
    const int listsBottom = page.bottom - band;
    // The tree as wide as its widest label, between a third and a half of the page.
    const int left = std::clamp(categories_.NeededWidth(), pageWidth / 3, pageWidth / 2);
    place(categories_.Handle(), page.left, page.top, left, listsBottom - page.top);
    // Right of the tree: the picture, the filter, the items.
    const int right = page.left + left + gap, rightWidth = pageWidth - left - gap;
    const int picture = space_.NeededHeight(rightWidth);
    place(space_.Handle(), right, page.top, rightWidth, picture);
    int y = page.top + picture + Scale(6, dpi_);
    const int labelWidth = Scale(48, dpi_);
    place(filterLabel_, right, y, labelWidth, line + Scale(2, dpi_));
    place(filter_, right + labelWidth, y, rightWidth - labelWidth, line + Scale(2, dpi_));
    y += line + Scale(8, dpi_);
    place(items_.Handle(), right, y, rightWidth, listsBottom - y);
    place(drives_.Handle(), page.left, page.top, pageWidth, page.bottom - page.top);
    history_.Place(page, dpi_);
    place(cookies_.Handle(), page.left, page.top, pageWidth, page.bottom - page.top);
    y = listsBottom + Scale(4, dpi_);
    place(notice_, page.left, y, pageWidth, line);
    y += line + Scale(4, dpi_);
    place(progress_, page.left, y, pageWidth, line - Scale(4, dpi_));
    y += line;
    place(status_, page.left, y, pageWidth, line);
    y += line;
    place(totals_, page.left, y, pageWidth, line);
    y += line + Scale(4, dpi_);
    const int buttonWidth = Scale(96, dpi_);
    place(scan_, page.right - 3 * buttonWidth - 2 * gap, y, buttonWidth, button);
    place(stop_, page.right - 2 * buttonWidth - gap, y, buttonWidth, button);
    place(clean_, page.right - buttonWidth, y, buttonWidth, button);
    // Left of them: what the clean holds for undo, and the last clean's undo.
    const int undoLabel = Scale(100, dpi_), undoBox = Scale(220, dpi_);
    place(undoModeLabel_, page.left, y, undoLabel, button);
    place(undoMode_, page.left + undoLabel, y + Scale(2, dpi_), undoBox, Scale(120, dpi_));
    place(undoClean_, page.left + undoLabel + undoBox + gap, y, Scale(110, dpi_), button);
}

void MainWindow::ShowPage(int page) {
    page_ = page;
    TabCtrl_SetCurSel(tabs_, page);
    const int clean = page == 0 ? SW_SHOW : SW_HIDE;
    for (HWND control :
         {categories_.Handle(), items_.Handle(), space_.Handle(), filterLabel_, filter_, notice_,
          progress_, status_, totals_, scan_, stop_, clean_, undoModeLabel_, undoMode_, undoClean_})
        ShowWindow(control, clean);
    ShowWindow(drives_.Handle(), page == 1 ? SW_SHOW : SW_HIDE);
    if (page == 2 && !worker_->Busy()) LoadHistory();
    history_.Show(page == 2);
    // The sites are read when the page is shown: a clean changes them.
    if (page == 3) cookies_.Load(dpi_);
    ShowWindow(cookies_.Handle(), page == 3 ? SW_SHOW : SW_HIDE);
    const HWND focus[] = {categories_.Handle(), drives_.Handle(), history_.List(),
                          cookies_.Handle()};
    SetFocus(focus[page]);
}

void MainWindow::SetState(UINT_PTR state) {
    SetPropW(window_, kStateProperty, reinterpret_cast<HANDLE>(state));
    const bool busy = state == kStateBusy;
    if (!busy) idleState_ = state;
    history_.Enable(!busy);
    EnableWindow(scan_, !busy);
    EnableWindow(stop_, busy);
    EnableWindow(clean_, !busy && state != kStateReady && SomethingToClean());
    EnableWindow(categories_.Handle(), !busy);
    EnableWindow(items_.Handle(), !busy);
    EnableWindow(filter_, !busy);
    EnableWindow(undoMode_, !busy);
    EnableWindow(undoClean_, !busy && !lastClean_.empty());
}

void MainWindow::OnCommand(int id) {
    switch (id) {
        case kIdScan:
            if (!worker_->Busy()) StartScan();
            break;
        case kIdStop:
            if (worker_->Busy()) {
                worker_->RequestStop();
                SetText(status_, L"Stopping...");
            }
            break;
        case kIdClean:
            if (!worker_->Busy()) StartClean();
            break;
        case kIdUndo:
        case kIdFreeNow:
            if (!worker_->Busy()) StartUndo(id == kIdFreeNow);
            break;
        case kIdUndoClean:
            if (!worker_->Busy() && !lastClean_.empty())
                StartUndo(lastClean_, false, L"the last clean", 0);
            break;
        case kIdUndoMode:
            categories_.SetUndoMode(UndoMode());
            break;
        case kCmdNextPage:
            ShowPage((page_ + 1) % 4);
            break;
        default:
            break;
    }
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
    LRESULT result = 0;
    if (header->idFrom == kIdTabs && header->code == TCN_SELCHANGE) {
        ShowPage(TabCtrl_GetCurSel(tabs_));
    } else if (header->idFrom == kIdItems) {
        if (items_.OnNotify(model_, *header, &result)) {
            ShowTotals();
            ShowSpace();
        }
    } else if (header->idFrom == kIdCategories) {
        if (categories_.OnNotify(*header, &result)) ShowSpace();
    } else if (header->idFrom == kIdHistory && header->code == LVN_ITEMCHANGED) {
        history_.Enable(!worker_->Busy());
    } else if (header->idFrom == kIdDrives && header->code == NM_CUSTOMDRAW) {
        return drives_.OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    } else if (header->idFrom == kIdCookies && header->code == LVN_ITEMCHANGED) {
        cookies_.OnItemChanged(*reinterpret_cast<NMLISTVIEW*>(header));
    }
    return result;
}

void MainWindow::SaveScreenshotAndExit() {
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    std::wstring error;
    if (!SaveWindowPng(window_, options_.screenshot, &error)) {
        OutputDebugStringW(error.c_str());
        exitCode_ = kGuiExitScreenshot;
    }
    if (!options_.layoutReport.empty()) {
        std::string report;
        for (const std::wstring& line : ClippedLabels(window_)) report += host::Utf8(line) + "\n";
        if (!host::WriteTextFile(options_.layoutReport, report, &error)) exitCode_ = kGuiExitLayout;
    }
    DestroyWindow(window_);
}

}  // namespace gui
