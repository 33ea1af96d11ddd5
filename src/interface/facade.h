// The object a host holds: a thin facade over one owned CSystemClean.
#pragma once

#include "UnusedFileClean.h"
#include "core/system_clean.h"

namespace Function {

class CHistoryCleanImp : public IUnusedFileClean {
public:
    CHistoryCleanImp();
    CHistoryCleanImp(const CHistoryCleanImp&) = delete;
    CHistoryCleanImp& operator=(const CHistoryCleanImp&) = delete;

    void Release() override;
    std::uint32_t GetUnusedFile(int category, ResultList* results, ScanTotals* totals,
                                IScanProgress* callback) override;
    std::uint32_t CleanUnusedFile(int category, const ResultList& items, CleanTotals* totals,
                                  IScanProgress* callback) override;
    int SetDefaultDownloadLocation(const wchar_t* path) override;
    int AccessSaveDirectory(wchar_t* buffer, int size, int write) override;
    int CleanSearchAssistantMru() override;
    int ClearClipboard() override;
    int SetStopFlag(unsigned value) override;
    int GetDriveList(std::vector<DriveDisplayEntry>* out) override;
    int HasInvalidShortcut() override;
    int IsCleanNeeded() override;
    int IsDeepCleanNeeded() override;
    int TestInterface() override;
    int ScanDrive(const wchar_t* driveRoot, ResultList* results, ScanTotals* totals,
                  IScanProgress* callback) override;
    std::uint32_t CleanItems(ResultList items, CleanTotals* totals,
                             IScanProgress* callback) override;
    virtual ~CHistoryCleanImp();

    // The owned cleaner; null only when its allocation failed.
    CSystemClean* Cleaner() const { return cleaner_; }

private:
    CSystemClean* cleaner_ = nullptr;
};

}  // namespace Function
