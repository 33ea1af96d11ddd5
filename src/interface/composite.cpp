// The interface operations composed from several scans: the drive list for
// display, the presence checks and the drive scan.
#include "interface/composite.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <string>

#include "util/drives.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace ufc {

namespace {

HICON DriveIcon(const wchar_t* root, UINT sizeFlag) {
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(root, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                        SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | sizeFlag))
        return nullptr;
    return info.hIcon;
}

// One step of a presence check: a cleaner scan, or the dispatcher for a
// category when no scan is named.
using ScanMember = std::uint32_t (CSystemClean::*)(ResultList*, ScanTotals*, IScanProgress*);
struct PresenceStep {
    ScanMember scan;
    int category;
};

constexpr PresenceStep kCleanSteps[] = {
    {&CSystemClean::ScanWindowsTempFiles, 0}, {&CSystemClean::ScanDumpFiles, 0},
    {nullptr, kCategoryWindowsLogs},          {nullptr, kCategoryUninstallFolders},
    {nullptr, kCategoryInternetTempFiles},
};

constexpr PresenceStep kDeepCleanSteps[] = {
    {&CSystemClean::ScanWindowsTempFiles, 0},
    {&CSystemClean::ScanDumpFiles, 0},
    {&CSystemClean::ScanChkFiles, 0},
    {nullptr, kCategoryWindowsLogs},
    {&CSystemClean::ScanDesktopShortcuts, 0},
    {&CSystemClean::ScanRecentFiles, 0},
    {&CSystemClean::ScanRunMru, 0},
    {&CSystemClean::ScanOfficeRecentFiles, 0},
    {&CSystemClean::ScanStartMenuShortcuts, 0},
};

// More items than this make cleaning worth while.
constexpr std::size_t kPresenceThreshold = 50;

// Any recycled item answers at once; otherwise the steps run in order into
// one list that is never emptied, so the answer is 1 as soon as their items
// together pass the threshold.
template <std::size_t N>
int IsWorthCleaning(CSystemClean& cleaner, const PresenceStep (&steps)[N]) {
    ResultList found;
    ScanTotals totals;
    cleaner.QueryRecycleBins(&totals, nullptr);
    if (totals.count != 0) return 1;
    for (const PresenceStep& step : steps) {
        totals = ScanTotals{};
        if (step.scan)
            (cleaner.*step.scan)(&found, &totals, nullptr);
        else
            cleaner.GetUnusedFile(step.category, &found, &totals, nullptr);
        if (found.size() > kPresenceThreshold) return 1;
    }
    return 0;
}

std::wstring UpperCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The categories a drive scan adds on the system drive, in order.
constexpr int kSystemDriveCategories[] = {kCategoryUninstallFolders, kCategoryInternetTempFiles,
                                          kCategoryMemoryDumps, kCategoryWindowsLogs,
                                          kCategoryWindowsTemp};

}  // namespace

int GetDriveList(std::vector<DriveDisplayEntry>* out) {
    if (!out) return 1;
    std::vector<LocalDriveRecord> drives;
    // A listing that fails part-way still shows the drives it found.
    GetLocalDriverList(&drives);
    for (const LocalDriveRecord& drive : drives) {
        DriveDisplayEntry entry;
        std::wstring text = std::wstring(drive.label) + L"(" + drive.root + L")";
        CopyTruncated(entry.displayText, text.c_str());
        entry.totalBytes = drive.totalBytes;
        entry.freeBytes = drive.totalFree;
        entry.smallIcon = DriveIcon(drive.root, SHGFI_SMALLICON);
        entry.largeIcon = DriveIcon(drive.root, 0);
        out->push_back(entry);
    }
    return 1;
}

int HasInvalidShortcut(CSystemClean& cleaner) {
    ResultList found;
    ScanTotals totals;
    cleaner.ScanDesktopShortcuts(&found, &totals, nullptr);
    if (!found.empty()) return 1;
    cleaner.ScanStartMenuShortcuts(&found, &totals, nullptr);
    return found.empty() ? 0 : 1;
}

int IsCleanNeeded(CSystemClean& cleaner) {
    return IsWorthCleaning(cleaner, kCleanSteps);
}

int IsDeepCleanNeeded(CSystemClean& cleaner) {
    return IsWorthCleaning(cleaner, kDeepCleanSteps);
}

int ScanDrive(CSystemClean& cleaner, const wchar_t* driveRoot, ResultList* results,
              ScanTotals* totals, IScanProgress* callback) {
    // Without a drive text there is no drive whose bin could be named.
    if (!driveRoot || !driveRoot[0]) return 1;
    std::wstring systemRoot = GetSpecialFolderPath(CSIDL_SYSTEM, false).substr(0, 3);
    // Only letter case is forgiven: "C:" is not the system drive "C:\".
    bool systemDrive = UpperCase(driveRoot) == UpperCase(systemRoot);

    cleaner.CurrentDrive = driveRoot;
    cleaner.QueryRecycleBins(totals, cleaner.CurrentDrive.c_str());
    cleaner.ExpectedCount = totals->count;
    cleaner.ExaminedCount = 0;
    cleaner.FoundCount = 0;
    cleaner.ScanRecycleBin(results, totals, cleaner.CurrentDrive.c_str(), callback);

    if (systemDrive)
        for (int category : kSystemDriveCategories)
            cleaner.GetUnusedFile(category, results, totals, callback);
    return 1;
}

}  // namespace ufc
