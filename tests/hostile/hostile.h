// Shared pieces of the hostile suite: a cleaner made through the export, a
// thread that stops a running operation from outside, and the figures
// printed once the whole program has run (cases tried, files checked).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "UnusedFileClean.h"

namespace hostile {

inline std::atomic<std::uint64_t> casesTried{0}, filesChecked{0};

struct Figures : testing::Environment {
    void TearDown() override {
        std::printf("hostile figures: %llu cases tried, %llu files checked\n",
                    static_cast<unsigned long long>(casesTried.load()),
                    static_cast<unsigned long long>(filesChecked.load()));
    }
};
inline testing::Environment* const figures = testing::AddGlobalTestEnvironment(new Figures);

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

}  // namespace hostile
