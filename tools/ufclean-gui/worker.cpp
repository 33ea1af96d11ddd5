#include "worker.h"

#include "pipeline/pipeline.h"

namespace gui {

namespace {

template <typename Payload>
void Post(HWND window, UINT message, std::unique_ptr<Payload> payload) {
    if (PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(payload.get())))
        payload.release();  // the window owns it now
}

// Runs on the worker: copies each report into a posted message, stamped
// with the running row, at most one every 30 ms so the queue never floods;
// each finished row goes to the window with its sums.
class PostingObserver : public host::RunObserver {
public:
    PostingObserver(HWND window, const host::ItemStore& store, std::size_t steps)
        : window_(window), store_(store), steps_(steps) {}
    void OnProgress(const ProgressInfo* info) override {
        if (!info) return;
        const ULONGLONG now = GetTickCount64();
        if (posted_ && now - last_ < 30) return;
        posted_ = true;
        last_ = now;
        auto note = std::make_unique<ProgressNote>();
        note->row = row_;
        note->path.assign(info->path, wcsnlen(info->path, kTextUnits));
        note->percent = info->percent;
        note->count = info->count;
        note->step = step_;
        note->steps = steps_;
        Post(window_, kMsgProgress, std::move(note));
    }
    void OnRowStart(std::size_t index, const host::Row&) override {
        row_ = index;
        posted_ = false;
    }
    void OnRowDone(std::size_t index, const host::Row& row) override {
        auto note = std::make_unique<RowNote>();
        note->index = index;
        note->row = row;
        note->sums = SumsOf(store_, row.first, row.end);
        Post(window_, kMsgRowDone, std::move(note));
        ++step_;
    }

private:
    HWND window_;
    const host::ItemStore& store_;
    std::size_t row_ = 0, step_ = 0, steps_;
    bool posted_ = false;
    ULONGLONG last_ = 0;
};

}  // namespace

void FreeWorkerPayload(UINT message, LPARAM lParam) {
    switch (message) {
        case kMsgProgress:
            delete reinterpret_cast<ProgressNote*>(lParam);
            break;
        case kMsgRowDone:
            delete reinterpret_cast<RowNote*>(lParam);
            break;
        case kMsgUndoDone:
            delete reinterpret_cast<UndoNote*>(lParam);
            break;
        default:
            break;
    }
}

Worker::~Worker() {
    if (thread_.joinable()) {
        RequestStop();
        thread_.join();
    }
}

void Worker::StartScan(host::SelectOptions options) {
    stop_->Reset();
    thread_ = std::thread([this, options = std::move(options)] {
        PostingObserver observer(window_, pipeline_->Store(), pipeline_->Rows().size());
        const bool stopped = pipeline_->Scan(options, &observer);
        PostMessageW(window_, kMsgScanDone, stopped ? 1 : 0, 0);
    });
}

void Worker::StartClean(host::UndoOptions undo) {
    stop_->Reset();
    thread_ = std::thread([this, undo = std::move(undo)] {
        host::PurgeUndoStores(undo.keepDays);
        PostingObserver observer(window_, pipeline_->Store(), pipeline_->PlannedRows());
        const bool stopped = pipeline_->Clean(&observer, undo);
        PostMessageW(window_, kMsgCleanDone, stopped ? 1 : 0, 0);
    });
}

void Worker::StartUndo(std::vector<HeldRunRef> runs, bool free) {
    thread_ = std::thread([this, runs = std::move(runs), free] {
        auto note = std::make_unique<UndoNote>();
        UndoRuns(runs, free, note.get());
        Post(window_, kMsgUndoDone, std::move(note));
    });
}

void Worker::Finished() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace gui
