#include "pipeline/removal.h"

#include <algorithm>

#include "text/format.h"
#include "fs/file_identity.h"
#include "fs/handles.h"

namespace host {

namespace {

// Passes the routine's reports on as parts of the whole pass.
class PassProgress : public IScanProgress {
public:
    PassProgress(IScanProgress* next, std::uint64_t total) : next_(next), total_(total) {}
    void StartChunk(std::uint64_t before, std::uint64_t size, std::uint64_t removed) {
        before_ = before;
        size_ = size;
        removed_ = removed;
    }
    void OnProgress(const ProgressInfo* info) override {
        if (!next_ || !info) return;
        ProgressInfo whole = *info;
        const std::uint64_t percent = std::min<std::uint64_t>(info->percent, 100);
        whole.percent =
            total_ ? static_cast<std::uint32_t>((before_ * 100 + percent * size_) / total_) : 100;
        whole.count = static_cast<std::uint32_t>(removed_ + info->count);
        next_->OnProgress(&whole);
    }

private:
    IScanProgress* next_;
    std::uint64_t total_;
    std::uint64_t before_ = 0, size_ = 0, removed_ = 0;
};

bool Skipped(const RemovalPass& pass, std::uint32_t i) {
    return pass.skip && std::binary_search(pass.skip->begin(), pass.skip->end(), i);
}

bool Handed(const ItemStore& store, const RemovalPass& pass, std::uint32_t i) {
    return pass.whole || (store.Selected(i) && !Skipped(pass, i));
}

ItemOutcome ProbeValue(const FoundItem& item) {
    // The folder holds the key, a backslash and the value's name.
    const std::wstring folder(item.folder, wcsnlen(item.folder, kTextUnits));
    const size_t split = folder.rfind(L'\\');
    if (split == std::wstring::npos) return ItemOutcome::Remained;
    ufc::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, folder.substr(0, split).c_str(), 0, KEY_QUERY_VALUE,
                      key.put()) != ERROR_SUCCESS)
        return ItemOutcome::Removed;
    const LONG status =
        RegQueryValueExW(key.get(), folder.c_str() + split + 1, nullptr, nullptr, nullptr, nullptr);
    return status == ERROR_FILE_NOT_FOUND ? ItemOutcome::Removed : ItemOutcome::Remained;
}

// Whether the item a removal was given is still there, and why: a file that
// is not what the item records (size and last write) has changed since the
// scan.
ItemOutcome ProbeLeftover(const FoundItem& item, bool registryValue) {
    if (registryValue) return ProbeValue(item);
    // The exact name, trailing dots and spaces included.
    const std::wstring path = L"\\\\?\\" + ItemPath(item);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return OutcomeOf(GetLastError());
    // Opening it as a delete would tells whether someone holds it.
    ufc::unique_hfile file(
        CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        const ItemOutcome outcome = OutcomeOf(GetLastError());
        return outcome == ItemOutcome::Removed ? ItemOutcome::Remained : outcome;
    }
    ufc::FileState seen;
    if (ufc::ReadFileState(file.get(), &seen) &&
        !ufc::SameIdentity(ufc::RecordIdentity(item.size, item.written), seen))
        return ItemOutcome::Changed;
    return ItemOutcome::Remained;
}

}  // namespace

RemovalPass PassFor(std::uint32_t category, std::uint32_t first, std::uint32_t end) {
    RemovalPass pass;
    pass.first = first;
    pass.end = end;
    pass.whole = category == kCategoryRecycleBin;
    pass.registryValues = category == kCategoryTypedUrls || category == kCategoryRunHistory;
    return pass;
}

void RemoveModuleItems(Function::IUnusedFileClean* cleaner, std::uint32_t category,
                       const ItemStore& store, const RemovalPass& pass, IScanProgress* progress,
                       RemovalResult* result, std::vector<ItemOutcome>* outcomes) {
    const bool files = !pass.whole && !pass.registryValues;
    std::uint64_t total = 0;
    for (std::uint32_t i = pass.first; i < pass.end; ++i) total += Handed(store, pass, i) ? 1 : 0;
    PassProgress scaled(progress, total);
    const std::size_t chunkItems =
        pass.whole ? SIZE_MAX : std::max<std::size_t>(pass.chunkItems, 1);
    std::uint32_t next = pass.first;
    while (next < pass.end) {
        ResultList chunk;
        std::vector<std::uint32_t> indices;
        for (; next < pass.end && indices.size() < chunkItems; ++next) {
            if (!Handed(store, pass, next)) continue;
            store.Rebuild(next, &chunk.emplace_back());
            indices.push_back(next);
        }
        if (indices.empty()) break;
        const std::uint64_t removedBefore = result->totals.removed;
        const std::uint64_t failedBefore = result->totals.failed;
        scaled.StartChunk(result->handed, indices.size(), removedBefore);
        result->result =
            cleaner->CleanUnusedFile(static_cast<int>(category), chunk, &result->totals, &scaled);
        result->handed += indices.size();
        // Of the files the module counted failed, those that are not what
        // their records say were left for having changed since the scan.
        if (files && result->result == 1)
            for (auto item = chunk.begin();
                 item != chunk.end() && result->totals.failed > failedBefore; ++item)
                if (ProbeLeftover(*item, false) == ItemOutcome::Changed) {
                    --result->totals.failed;
                    ++result->changed;
                }
        if (outcomes) {
            const bool all = result->totals.removed - removedBefore == indices.size();
            auto item = chunk.begin();
            for (std::uint32_t index : indices) {
                ItemOutcome outcome = ItemOutcome::Removed;
                if (pass.whole && result->result != 1)
                    outcome = ItemOutcome::Remained;
                else if (!all && !pass.whole)
                    outcome = ProbeLeftover(*item, pass.registryValues);
                // A stop keeps the rest of the chunk from its turn.
                if (result->result == 2 && outcome == ItemOutcome::Remained)
                    outcome = ItemOutcome::None;
                (*outcomes)[index] = outcome;
                ++item;
            }
        }
        if (result->result == 2) return;
    }
}

}  // namespace host
