// Frees the module's lists away from the window thread. A category of a
// million found items is 1.6 GB of list records; once the store holds them,
// freeing them takes a fifth of a second that the window need not wait for.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "UnusedFileClean.h"

namespace gui {

class ListDisposer {
public:
    ListDisposer();
    // Frees what is still queued, then ends its thread.
    ~ListDisposer();
    ListDisposer(const ListDisposer&) = delete;
    ListDisposer& operator=(const ListDisposer&) = delete;

    // Takes the list's records; the list is left empty.
    void Dispose(ResultList* list);
    // Returns when every list handed over so far is freed.
    void Drain();

private:
    void Run();
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ResultList> queue_;
    bool busy_ = false, ending_ = false;
    std::thread thread_;
};

}  // namespace gui
