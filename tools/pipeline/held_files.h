// Files a module category met but left out of its list: the module reports
// each file it meets as progress before its lock test, and drops one that
// another program holds (or that cannot be written) without a word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "items/item_store.h"
#include "pipeline/scan.h"

namespace host {

// Passes every report on to the next observer and keeps the paths of one
// category's reports.
class MetFiles : public RunObserver {
public:
    MetFiles(RunObserver* next, std::uint32_t category) : next_(next), category_(category) {}
    void OnProgress(const ProgressInfo* info) override;
    const std::vector<std::wstring>& Paths() const { return paths_; }

private:
    RunObserver* next_;
    std::uint32_t category_;
    std::vector<std::wstring> paths_;
};

// The files met that are not among the items [first, end) and that cannot
// be opened alone for writing now, each once: in use or not writable. A
// report that names no file (a folder, a link, a registry value, a name
// without its folder) counts nothing.
std::uint64_t CountHeldFiles(const std::vector<std::wstring>& met, const ItemStore& store,
                             std::uint32_t first, std::uint32_t end);

}  // namespace host
