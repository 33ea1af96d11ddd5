#include "list_disposer.h"

#include <windows.h>

namespace gui {

ListDisposer::ListDisposer() : thread_(&ListDisposer::Run, this) {}

ListDisposer::~ListDisposer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ListDisposer::Dispose(ResultList* list) {
    if (list->empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.emplace_back().splice(queue_.back().end(), *list);
    }
    changed_.notify_all();
}

void ListDisposer::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void ListDisposer::Run() {
    // Only what is left over after the window's own work.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (queue_.empty()) return;
        std::vector<ResultList> lists;
        lists.swap(queue_);
        busy_ = true;
        lock.unlock();
        lists.clear();
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace gui
