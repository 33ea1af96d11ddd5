// Shared pieces of the hostile suite: a cleaner made through the export,
// process-wide handle and memory probes, and a thread that stops a running
// operation from outside.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>

#include "UnusedFileClean.h"

namespace hostile {

// Open handles of this process: values 4, 8, ... that GetHandleInformation
// accepts (Wine's GetProcessHandleCount always says 0).
std::size_t CountHandles();

// RssAnon of this process in KiB, read from its own /proc/<pid>/status
// through drive P: mapped to /proc; 0 when it cannot be read.
std::uint64_t AnonymousMemoryKiB();

// A cleaner as a host gets it; released on scope exit.
struct Cleaner {
    Function::IUnusedFileClean* p = FunCreate();
    ~Cleaner() {
        if (p) p->Release();
    }
    Function::IUnusedFileClean* operator->() const { return p; }
};

// A callback that, on its first report, has another thread call
// SetStopFlag(1) and waits until it has, so the next step sees the request.
class StopFromOtherThread : public IScanProgress {
public:
    explicit StopFromOtherThread(Function::IUnusedFileClean* cleaner) : cleaner_(cleaner) {}
    void OnProgress(const ProgressInfo*) override {
        if (++reports == 1) std::thread([this] { cleaner_->SetStopFlag(1); }).join();
    }
    unsigned reports = 0;

private:
    Function::IUnusedFileClean* cleaner_;
};

// Registers counted figures for the README: cases tried, files checked.
void CountCase(std::uint64_t n = 1);
void CountFilesChecked(std::uint64_t n);

}  // namespace hostile
