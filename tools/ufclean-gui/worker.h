// The worker thread: scans and cleans run on it so the window stays
// responsive. It never touches a control: everything it has to say reaches
// the window as posted messages whose heap payloads the window frees.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "UnusedFileClean.h"

namespace gui {

// What one category gave: its items and figures, and what its clean did.
struct CategoryRun {
    std::uint32_t number = 0;
    bool action = false;  // a clean-only step: nothing to scan
    std::uint32_t scanResult = 0;
    ResultList items;
    ScanTotals totals;
    bool cleaned = false;
    std::uint32_t cleanResult = 0;
    CleanTotals cleanTotals;
    std::wstring skipReason;  // why the clean leaves it alone
    // A rule row: its application runs (scan), files it held (clean), the
    // folders to remove once emptied and those removed.
    bool running = false;
    std::uint64_t inUse = 0;
    std::vector<std::wstring> emptiedFolders;
    std::uint64_t foldersRemoved = 0;
};

// The copy of the runs a clean works on, handed back when it ends.
struct CleanJob {
    std::vector<CategoryRun> runs;
    bool stopped = false;
};

struct ProgressNote {
    std::uint32_t category = 0;
    std::wstring path;
    std::uint32_t percent = 0;
    std::uint32_t count = 0;
    size_t step = 0;   // index of the running category in the job
    size_t steps = 0;  // categories in the job
};

// Messages to the window. lParam owns the payload named.
enum WorkerMessage : UINT {
    kMsgProgress = WM_APP + 1,  // ProgressNote*
    kMsgCategoryScanned,        // CategoryRun*
    kMsgScanDone,               // wParam: 1 when stopped
    kMsgCleanDone,              // CleanJob*
};

// Frees the payload of a worker message that will not be handled (the
// window is closing and drains its queue).
void FreeWorkerPayload(UINT message, LPARAM lParam);

class Worker {
public:
    Worker(HWND window, Function::IUnusedFileClean* cleaner) : window_(window), cleaner_(cleaner) {}
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    bool Busy() const { return thread_.joinable(); }
    void StartScan(std::vector<std::uint32_t> numbers);
    void StartClean(std::unique_ptr<CleanJob> job);
    // From the window's thread: the running call stops at its next check.
    void RequestStop();
    // Called when the done message arrives: the thread has nothing left to do.
    void Finished();

private:
    void Scan(std::vector<std::uint32_t> numbers);
    void Clean(std::unique_ptr<CleanJob> job);
    void PrepareStopFlag();
    HWND window_;
    Function::IUnusedFileClean* cleaner_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace gui
