// A stop asked for from another thread (Ctrl+C, the Stop button): the run
// ends at its next check, and the module's running call at its next step.
#pragma once

#include <atomic>

#include "UnusedFileClean.h"

namespace host {

class StopSignal {
public:
    // The cleaner whose calls a stop reaches (null: none).
    void Attach(Function::IUnusedFileClean* cleaner) { cleaner_ = cleaner; }
    // From any thread.
    void Request();
    bool Requested() const { return flag_.load(); }
    // Before the next run: no stop asked.
    void Reset() { flag_ = false; }
    const std::atomic<bool>* Flag() const { return &flag_; }
    // Before each call of the module: it never clears its own flag, so 0 is
    // stored, unless a stop came in the meantime.
    void PrepareModule() const;

private:
    std::atomic<bool> flag_{false};
    std::atomic<Function::IUnusedFileClean*> cleaner_{nullptr};
};

}  // namespace host
