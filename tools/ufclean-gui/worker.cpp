#include "worker.h"

#include "categories.h"
#include "rule_rows.h"

namespace gui {

namespace {

template <typename Payload>
void Post(HWND window, UINT message, std::unique_ptr<Payload> payload, WPARAM wParam = 0) {
    if (PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(payload.get())))
        payload.release();  // the window owns it now
}

// Runs on the worker: copies each report into a posted message, at most
// one every 30 ms per category so the queue never floods.
class PostingProgress : public IScanProgress {
public:
    PostingProgress(HWND window, size_t step, size_t steps)
        : window_(window), step_(step), steps_(steps) {}
    void OnProgress(const ProgressInfo* info) override {
        if (!info) return;
        const ULONGLONG now = GetTickCount64();
        if (posted_ && now - last_ < 30) return;
        posted_ = true;
        last_ = now;
        auto note = std::make_unique<ProgressNote>();
        note->category = info->category;
        note->path.assign(info->path, wcsnlen(info->path, kTextUnits));
        note->percent = info->percent;
        note->count = info->count;
        note->step = step_;
        note->steps = steps_;
        Post(window_, kMsgProgress, std::move(note));
    }

private:
    HWND window_;
    size_t step_, steps_;
    bool posted_ = false;
    ULONGLONG last_ = 0;
};

}  // namespace

void FreeWorkerPayload(UINT message, LPARAM lParam) {
    switch (message) {
        case kMsgProgress:
            delete reinterpret_cast<ProgressNote*>(lParam);
            break;
        case kMsgCategoryScanned:
            delete reinterpret_cast<CategoryRun*>(lParam);
            break;
        case kMsgCleanDone:
            delete reinterpret_cast<CleanJob*>(lParam);
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

void Worker::StartScan(std::vector<std::uint32_t> numbers) {
    stop_ = false;
    thread_ = std::thread(&Worker::Scan, this, std::move(numbers));
}

void Worker::StartClean(std::unique_ptr<CleanJob> job) {
    stop_ = false;
    thread_ = std::thread(&Worker::Clean, this, std::move(job));
}

void Worker::RequestStop() {
    stop_ = true;
    cleaner_->SetStopFlag(1);
}

void Worker::Finished() {
    if (thread_.joinable()) thread_.join();
}

void Worker::PrepareStopFlag() {
    // The module never clears the flag; a stop that came in the meantime stays.
    cleaner_->SetStopFlag(0);
    if (stop_) cleaner_->SetStopFlag(1);
}

void Worker::Scan(std::vector<std::uint32_t> numbers) {
    bool stopped = false;
    host::RuleProbe probe;
    for (size_t i = 0; i < numbers.size() && !stopped; ++i) {
        auto run = std::make_unique<CategoryRun>();
        run->number = numbers[i];
        const host::CategoryInfo* info = host::FindCategory(numbers[i]);
        run->action = info && info->kind == host::CategoryKind::Action;
        if (RuleRowTarget(run->number)) {
            PostingProgress progress(window_, i, numbers.size());
            ScanRuleRow(&progress, &stop_, run.get(), &probe);
        } else if (!run->action) {
            PrepareStopFlag();
            PostingProgress progress(window_, i, numbers.size());
            run->scanResult = cleaner_->GetUnusedFile(static_cast<int>(run->number), &run->items,
                                                      &run->totals, &progress);
        }
        stopped = stop_ || run->scanResult == 2;
        Post(window_, kMsgCategoryScanned, std::move(run));
    }
    PostMessageW(window_, kMsgScanDone, stopped ? 1 : 0, 0);
}

void Worker::Clean(std::unique_ptr<CleanJob> job) {
    const size_t steps = job->runs.size();
    for (size_t i = 0; i < steps; ++i) {
        CategoryRun& run = job->runs[i];
        if (stop_) {
            job->stopped = true;
            break;
        }
        if (!run.skipReason.empty()) continue;
        bool anySelected = false;
        for (const FoundItem& item : run.items) anySelected = anySelected || item.selected;
        if (!run.action && !anySelected) continue;
        PostingProgress progress(window_, i, steps);
        if (RuleRowTarget(run.number)) {
            CleanRuleRow(&progress, &stop_, &run);
        } else {
            PrepareStopFlag();
            run.cleanResult = cleaner_->CleanUnusedFile(static_cast<int>(run.number), run.items,
                                                        &run.cleanTotals, &progress);
            run.cleaned = true;
        }
        if (run.cleanResult == 2 || stop_) {
            job->stopped = true;
            break;
        }
    }
    Post(window_, kMsgCleanDone, std::move(job));
}

}  // namespace gui
