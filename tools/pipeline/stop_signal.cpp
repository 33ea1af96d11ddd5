#include "pipeline/stop_signal.h"

namespace host {

void StopSignal::Request() {
    flag_ = true;
    if (Function::IUnusedFileClean* cleaner = cleaner_.load()) cleaner->SetStopFlag(1);
}

void StopSignal::PrepareModule() const {
    Function::IUnusedFileClean* cleaner = cleaner_.load();
    if (!cleaner) return;
    cleaner->SetStopFlag(0);
    if (Requested()) cleaner->SetStopFlag(1);
}

}  // namespace host
