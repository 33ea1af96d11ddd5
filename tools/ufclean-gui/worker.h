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
#include "items/item_store.h"
#include "rules/guard.h"

namespace gui {

// What one category's scan gave: its items and figures.
struct CategoryRun {
    std::uint32_t number = 0;
    bool action = false;  // a clean-only step: nothing to scan
    std::uint32_t scanResult = 0;
    ResultList items;       // a category's, as the module gives them
    host::ItemStore found;  // a rule row's, straight from the folder walk
    ScanTotals totals;
    // A rule row: its application runs, the folders to remove once
    // emptied, and why its clean is left out (it needs an elevated host).
    bool running = false;
    std::vector<std::wstring> emptiedFolders;
    std::wstring refusal;
    host::GuardCounts stoppedByGuard;  // files the guard kept out of the list
};

// One category of a clean: its items are [first, end) of the job's store.
struct CleanStep {
    size_t run = 0;  // the model's run
    std::uint32_t number = 0;
    bool action = false;
    std::uint32_t first = 0, end = 0;
    bool cleaned = false;
    std::uint32_t cleanResult = 0;
    CleanTotals totals;
    std::uint64_t inUse = 0;
    std::uint64_t changed = 0;  // left: changed since the scan
    // A rule row: the folders its scan emptied, and those its clean removed.
    const std::vector<std::wstring>* emptiedFolders = nullptr;
    std::uint64_t foldersRemoved = 0;
    host::GuardCounts stoppedByGuard;  // selected files the guard kept
};

// A clean, handed back when it ends. The worker reads the store and
// writes only the job; the window leaves the store alone meanwhile.
struct CleanJob {
    const host::ItemStore* store = nullptr;
    std::vector<CleanStep> steps;
    std::vector<std::wstring> skipReasons;  // per run of the model
    // Paths listed twice: (repeat, first listing); the repeats, sorted, are
    // not handed over and share the fate of their first listing.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> repeats;
    std::vector<std::uint32_t> skip;
    std::vector<host::ItemOutcome> outcomes;  // per item of the store
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
    void CleanStepOf(CleanJob* job, CleanStep* step, IScanProgress* progress);
    void PrepareStopFlag();
    HWND window_;
    Function::IUnusedFileClean* cleaner_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace gui
