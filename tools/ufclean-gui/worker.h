// The worker thread: the pipeline's scan and clean run on it so the window
// stays responsive. It never touches a control: everything it has to say
// reaches the window as posted messages whose heap payloads the window
// frees. What the window may read of the pipeline meanwhile: scan_model.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "pipeline/row.h"
#include "pipeline/stop_signal.h"
#include "history_page.h"
#include "scan_model.h"

namespace gui {

struct ProgressNote {
    std::size_t row = 0;  // the running row of the pipeline
    std::wstring path;
    std::uint32_t percent = 0;
    std::uint32_t count = 0;
    std::size_t step = 0;   // its place among the rows of the run
    std::size_t steps = 0;  // rows in the run
};

// A row the scan or the clean finished: a copy of it, and the sums of its
// items as they are now.
struct RowNote {
    std::size_t index = 0;
    host::Row row;
    Sums sums;
};

// Messages to the window. lParam owns the payload named.
enum WorkerMessage : UINT {
    kMsgProgress = WM_APP + 1,  // ProgressNote*
    kMsgRowDone,                // RowNote*
    kMsgScanDone,               // wParam: 1 when stopped
    kMsgCleanDone,              // wParam: 1 when stopped
    kMsgUndoDone,               // UndoNote*
};

// Frees the payload of a worker message that will not be handled (the
// window is closing and drains its queue).
void FreeWorkerPayload(UINT message, LPARAM lParam);

class Worker {
public:
    Worker(HWND window, host::Pipeline* pipeline, host::StopSignal* stop)
        : window_(window), pipeline_(pipeline), stop_(stop) {}
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    bool Busy() const { return thread_.joinable(); }
    // The pipeline's rows are set; each is selected as its scan ends.
    void StartScan(host::SelectOptions options);
    // The pipeline's plan is made. Runs held for undo that expired, or
    // that the disk needs the room of, go first, as in every clean.
    void StartClean(host::UndoOptions undo);
    // Takes the runs back, or, when free, lets them go (UndoRuns).
    void StartUndo(std::vector<HeldRunRef> runs, bool free);
    // From the window's thread: the running call stops at its next check.
    void RequestStop() { stop_->Request(); }
    // Called when the done message arrives: the thread has nothing left to do.
    void Finished();

private:
    HWND window_;
    host::Pipeline* pipeline_;
    host::StopSignal* stop_;
    std::thread thread_;
};

}  // namespace gui
