// The exported factory and the facade that forwards every call.
#include "interface/facade.h"

#include <new>

#include "interface/composite.h"

namespace Function {

namespace {

// No exception crosses the module boundary: an operation that runs out of
// memory part-way returns `failed` with what it had done so far in place.
template <typename Result, typename Work>
Result Guarded(CSystemClean* cleaner, Result failed, Work work) noexcept {
    if (!cleaner) return failed;
    try {
        return work(*cleaner);
    } catch (...) {
        return failed;
    }
}

}  // namespace

CHistoryCleanImp::CHistoryCleanImp() {
    try {
        cleaner_ = new CSystemClean;
    } catch (...) {
        cleaner_ = nullptr;  // only Release may be called then
    }
}

CHistoryCleanImp::~CHistoryCleanImp() {
    delete cleaner_;
    cleaner_ = nullptr;
}

void CHistoryCleanImp::Release() {
    delete this;
}

std::uint32_t CHistoryCleanImp::GetUnusedFile(int category, ResultList* results, ScanTotals* totals,
                                              IScanProgress* callback) {
    return Guarded<std::uint32_t>(cleaner_, 0, [&](CSystemClean& c) {
        return c.GetUnusedFile(category, results, totals, callback);
    });
}

std::uint32_t CHistoryCleanImp::CleanUnusedFile(int category, const ResultList& items,
                                                CleanTotals* totals, IScanProgress* callback) {
    return Guarded<std::uint32_t>(cleaner_, 0, [&](CSystemClean& c) {
        return c.CleanUnusedFile(category, items, totals, callback);
    });
}

int CHistoryCleanImp::SetDefaultDownloadLocation(const wchar_t* path) {
    return Guarded(cleaner_, 0,
                   [&](CSystemClean& c) { return c.SetDefaultDownloadLocation(path); });
}

int CHistoryCleanImp::AccessSaveDirectory(wchar_t* buffer, int size, int write) {
    return Guarded(cleaner_, 0,
                   [&](CSystemClean& c) { return c.AccessSaveDirectory(buffer, size, write); });
}

int CHistoryCleanImp::CleanSearchAssistantMru() {
    return Guarded(cleaner_, 1, [](CSystemClean& c) {
        c.CleanSearchAssistantMru();
        return 1;
    });
}

int CHistoryCleanImp::ClearClipboard() {
    return Guarded(cleaner_, 1, [](CSystemClean& c) {
        c.ClearClipboard();
        return 1;
    });
}

int CHistoryCleanImp::SetStopFlag(unsigned value) {
    if (cleaner_) cleaner_->StopFlag.store(value, std::memory_order_relaxed);
    return 1;
}

int CHistoryCleanImp::GetDriveList(std::vector<DriveDisplayEntry>* out) {
    try {
        return ufc::GetDriveList(out);
    } catch (...) {
        return 1;
    }
}

int CHistoryCleanImp::HasInvalidShortcut() {
    return Guarded(cleaner_, 0, [](CSystemClean& c) { return ufc::HasInvalidShortcut(c); });
}

int CHistoryCleanImp::IsCleanNeeded() {
    return Guarded(cleaner_, 0, [](CSystemClean& c) { return ufc::IsCleanNeeded(c); });
}

int CHistoryCleanImp::IsDeepCleanNeeded() {
    return Guarded(cleaner_, 0, [](CSystemClean& c) { return ufc::IsDeepCleanNeeded(c); });
}

int CHistoryCleanImp::TestInterface() {
    return MessageBoxW(nullptr, L"Test interface succeed", nullptr, MB_OK);
}

int CHistoryCleanImp::ScanDrive(const wchar_t* driveRoot, ResultList* results, ScanTotals* totals,
                                IScanProgress* callback) {
    return Guarded(cleaner_, 1, [&](CSystemClean& c) {
        return ufc::ScanDrive(c, driveRoot, results, totals, callback);
    });
}

std::uint32_t CHistoryCleanImp::CleanItems(ResultList items, CleanTotals* totals,
                                           IScanProgress* callback) {
    return Guarded<std::uint32_t>(cleaner_, 0, [&](CSystemClean& c) {
        return c.CleanItems(std::move(items), totals, callback);
    });
}

}  // namespace Function

extern "C" Function::IUnusedFileClean* FunCreate() {
    return new (std::nothrow) Function::CHistoryCleanImp;  // its constructor never throws
}
