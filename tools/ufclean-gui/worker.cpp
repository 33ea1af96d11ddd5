#include "worker.h"

#include "pipeline/categories.h"
#include "pipeline/removal.h"
#include "rule_rows.h"
#include "rules/guard.h"
#include "rules/model.h"
#include "rules/probe.h"

namespace gui {

namespace {

template <typename Payload>
void Post(HWND window, UINT message, std::unique_ptr<Payload> payload, WPARAM wParam = 0) {
    if (PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(payload.get())))
        payload.release();  // the window owns it now
}

// Runs on the worker: copies each report into a posted message, stamped
// with the running category or rule row, at most one every 30 ms so the
// queue never floods.
class PostingProgress : public IScanProgress {
public:
    PostingProgress(HWND window, std::uint32_t number, size_t step, size_t steps)
        : window_(window), number_(number), step_(step), steps_(steps) {}
    void OnProgress(const ProgressInfo* info) override {
        if (!info) return;
        const ULONGLONG now = GetTickCount64();
        if (posted_ && now - last_ < 30) return;
        posted_ = true;
        last_ = now;
        auto note = std::make_unique<ProgressNote>();
        note->category = number_;
        note->path.assign(info->path, wcsnlen(info->path, kTextUnits));
        note->percent = info->percent;
        note->count = info->count;
        note->step = step_;
        note->steps = steps_;
        Post(window_, kMsgProgress, std::move(note));
    }

private:
    HWND window_;
    std::uint32_t number_;
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
        PostingProgress progress(window_, run->number, i, numbers.size());
        if (RuleRowTarget(run->number)) {
            ScanRuleRow(&progress, &stop_, run.get(), &probe);
        } else if (!run->action) {
            PrepareStopFlag();
            run->scanResult = cleaner_->GetUnusedFile(static_cast<int>(run->number), &run->items,
                                                      &run->totals, &progress);
        }
        stopped = stop_ || run->scanResult == 2;
        Post(window_, kMsgCategoryScanned, std::move(run));
    }
    PostMessageW(window_, kMsgScanDone, stopped ? 1 : 0, 0);
}

void Worker::Clean(std::unique_ptr<CleanJob> job) {
    const size_t steps = job->steps.size();
    for (size_t i = 0; i < steps && !job->stopped; ++i) {
        CleanStep& step = job->steps[i];
        if (stop_) {
            job->stopped = true;
            break;
        }
        PostingProgress progress(window_, step.number, i, steps);
        CleanStepOf(job.get(), &step, &progress);
        job->stopped = step.cleanResult == 2 || stop_;
    }
    // A path listed twice went (or stayed) with its first listing.
    for (const auto& [repeat, first] : job->repeats) job->outcomes[repeat] = job->outcomes[first];
    Post(window_, kMsgCleanDone, std::move(job));
}

void Worker::CleanStepOf(CleanJob* job, CleanStep* step, IScanProgress* progress) {
    if (step->action) {
        PrepareStopFlag();
        step->cleanResult = cleaner_->CleanUnusedFile(static_cast<int>(step->number), ResultList(),
                                                      &step->totals, progress);
        step->cleaned = true;
        return;
    }
    bool anySelected = false;
    for (std::uint32_t i = step->first; i < step->end && !anySelected; ++i)
        anySelected = job->store->Selected(i);
    if (!anySelected) return;
    // The module takes a list per call: chunks rebuilt from the store. Rule
    // rows are removed by the hosts' own rule clean.
    const host::RuleTarget* target = RuleRowTarget(step->number);
    const bool rule = target != nullptr;
    host::RemovalPass pass =
        host::PassFor(rule ? kCategoryUnset : step->number, step->first, step->end);
    pass.skip = &job->skip;
    if (!rule) PrepareStopFlag();
    host::RemovalResult done;
    if (rule)
        host::RemoveRuleInChunks(*job->store, pass, *step->emptiedFolders,
                                 host::GuardContextOf(*target), &stop_, progress, &done,
                                 &job->outcomes);
    else
        host::RemoveInChunks(*job->store, pass, host::ModuleRemover(cleaner_, step->number),
                             progress, &done, &job->outcomes);
    step->foldersRemoved = done.foldersRemoved;
    step->stoppedByGuard = done.stoppedByGuard;
    step->totals = done.totals;
    step->inUse = done.inUse;
    step->changed = done.changed;
    step->cleanResult = done.result;
    step->cleaned = true;
}

}  // namespace gui
