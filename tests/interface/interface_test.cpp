// The operations composed from several scans, on the prefix's real drives
// and real fixtures: the drive list, the presence checks and the drive scan;
// and a host that loads the module and calls each operation through the
// interface's table reaches the work of that operation.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>

#include "fixtures/categories.h"
#include "fixtures/scan_test.h"
#include "interface/composite.h"
#include "util/drives.h"

namespace {

// Puts text on the clipboard; true when it is there.
bool PutClipboardText(const wchar_t* text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    return IsClipboardFormatAvailable(CF_UNICODETEXT);
}

TEST(Host, EveryOperationThroughTheTableReachesItsWork) {
    ufc::unique_hmodule dll(LoadLibraryW(L"UnusedFileClean.dll"));
    ASSERT_TRUE(dll) << GetLastError();
    auto create = reinterpret_cast<Function::FunCreateFn>(
        reinterpret_cast<void*>(GetProcAddress(dll.get(), "FunCreate")));
    ASSERT_NE(create, nullptr);
    Function::IUnusedFileClean* cleaner = create();

    // Scans, removals and the stop flag go through the table in the hosts'
    // and the hostile tests; here the operations that only a host calls.
    EXPECT_EQ(cleaner->SetDefaultDownloadLocation(L"C:\\ufc-tests\\downloads"), 1);
    EXPECT_EQ(fx::GetString(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Internet Explorer",
                            L"Download Directory"),
              L"C:\\ufc-tests\\downloads");
    wchar_t folder[MAX_PATH] = L"C:\\ufc-tests\\saved", readBack[MAX_PATH] = {};
    EXPECT_EQ(cleaner->AccessSaveDirectory(folder, sizeof folder, 1), 0);
    cleaner->AccessSaveDirectory(readBack, sizeof readBack, 0);
    EXPECT_EQ(std::wstring(readBack), folder);
    fx::SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Search Assistant\\ACMru\\5603", L"000",
                  L"words");
    EXPECT_EQ(cleaner->CleanSearchAssistantMru(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Search Assistant\\ACMru"));
    // The clipboard empties through its own operation and as category 17.
    CleanTotals cleaned;
    ASSERT_TRUE(PutClipboardText(L"secret"));
    EXPECT_EQ(cleaner->ClearClipboard(), 1);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    ASSERT_TRUE(PutClipboardText(L"secret"));
    EXPECT_EQ(cleaner->CleanUnusedFile(17, ResultList(), &cleaned, nullptr), 1u);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));

    std::vector<DriveDisplayEntry> drives;
    EXPECT_EQ(cleaner->GetDriveList(&drives), 1);
    EXPECT_NE(std::wstring(drives.at(0).displayText).find(L"(C:)"), std::wstring::npos);
    const std::wstring link = fx::Special(CSIDL_STARTMENU) + L"\\ufc-host-broken.lnk";
    ASSERT_TRUE(fx::MakeBrokenShortcut(link, fx::Scratch(L"host-target") + L"\\gone.exe"));
    EXPECT_EQ(cleaner->HasInvalidShortcut(), 1);
    DeleteFileW(link.c_str());
    fx::EmptyRecycleBin();
    const std::wstring file = fx::Scratch(L"host-bin") + L"\\host-recycled.txt";
    fx::MakeFile(file, 64);
    ASSERT_TRUE(fx::RecycleFile(file));
    EXPECT_EQ(cleaner->IsCleanNeeded(), 1);
    EXPECT_EQ(cleaner->IsDeepCleanNeeded(), 1);
    // The drive scan lists the recycled file; cleaning that list empties the bin.
    ResultList binItems;
    ScanTotals totals;
    EXPECT_EQ(cleaner->ScanDrive(L"C:", &binItems, &totals, nullptr), 1);
    ASSERT_EQ(binItems.size(), 1u);
    EXPECT_EQ(cleaner->CleanItems(binItems, &cleaned, nullptr), 1u);
    EXPECT_EQ(fx::BinItemCount(), 0u);
    cleaner->Release();
}

// Each call appends one record per fixed drive (in letter order) after what
// the host's vector held, and one display entry with both icons (the host's
// to destroy); the listing logs its success.
TEST(Drives, EveryFixedDriveOnceACallAfterWhatTheVectorHeld) {
    std::vector<std::wstring> fixed, labels;
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const std::wstring root = {letter, L':'};
        wchar_t label[MAX_PATH] = {};
        if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) continue;
        GetVolumeInformationW((root + L"\\").c_str(), label, MAX_PATH, nullptr, nullptr, nullptr,
                              nullptr, 0);
        fixed.push_back(root);
        labels.push_back(label);
    }
    ASSERT_FALSE(fixed.empty());
    const std::wstring logFile = fx::LogFile(L"Get local driver list.txt");
    DeleteFileW(logFile.c_str());
    std::vector<ufc::LocalDriveRecord> drives(1);
    drives[0].totalBytes = 12345;
    ASSERT_EQ(ufc::GetLocalDriverList(&drives), 1);
    ASSERT_EQ(ufc::GetLocalDriverList(&drives), 1);
    ASSERT_EQ(drives.size(), 1 + 2 * fixed.size());
    EXPECT_EQ(drives[0].totalBytes, 12345u);
    for (size_t i = 1; i < drives.size(); ++i) {
        const size_t d = (i - 1) % fixed.size();
        EXPECT_EQ(std::wstring(drives[i].root), fixed[d]);
        EXPECT_EQ(std::wstring(drives[i].label), labels[d]);
        EXPECT_GT(drives[i].totalFree, 0u) << fx::Narrow(fixed[d]);
        EXPECT_LE(drives[i].totalFree, drives[i].totalBytes);
        EXPECT_LE(drives[i].freeToCaller, drives[i].totalBytes);
    }
    EXPECT_NE(fx::ReadFileText(logFile).find(" GetLogicalDrives succeed"), std::string::npos);

    std::vector<DriveDisplayEntry> entries(1);
    entries[0].totalBytes = 7;
    ASSERT_EQ(ufc::GetDriveList(&entries), 1);
    ASSERT_EQ(entries.size(), 1 + fixed.size());
    EXPECT_EQ(entries[0].totalBytes, 7u);
    for (size_t i = 1; i < entries.size(); ++i) {
        const DriveDisplayEntry& entry = entries[i];
        EXPECT_EQ(std::wstring(entry.displayText), labels[i - 1] + L"(" + fixed[i - 1] + L")");
        EXPECT_GT(entry.freeBytes, 0u);
        EXPECT_LE(entry.freeBytes, entry.totalBytes);
        EXPECT_NE(entry.smallIcon, entry.largeIcon);
        EXPECT_TRUE(DestroyIcon(entry.smallIcon) && DestroyIcon(entry.largeIcon));
    }
}

void MakeFiles(const std::wstring& folder, const std::wstring& stem, int first, int count) {
    for (int i = first; i < first + count; ++i)
        fx::MakeFile(folder + L"\\" + stem + std::to_wstring(i) + L".tmp", 10);
}

using Scan = std::uint32_t (CSystemClean::*)(ResultList*, ScanTotals*, IScanProgress*);

// What the scans of a check find in the prefix before the test adds
// anything, counted into one list as the check counts them.
size_t Already(bool deep) {
    CSystemClean cleaner;
    ResultList found;
    ScanTotals totals;
    for (int category :
         {kCategoryWindowsLogs, kCategoryUninstallFolders, kCategoryInternetTempFiles})
        if (!deep || category == kCategoryWindowsLogs)
            cleaner.GetUnusedFile(category, &found, &totals, nullptr);
    for (Scan scan : {&CSystemClean::ScanWindowsTempFiles, &CSystemClean::ScanDumpFiles,
                      &CSystemClean::ScanChkFiles, &CSystemClean::ScanDesktopShortcuts,
                      &CSystemClean::ScanRecentFiles, &CSystemClean::ScanRunMru,
                      &CSystemClean::ScanOfficeRecentFiles, &CSystemClean::ScanStartMenuShortcuts})
        if (deep || scan == &CSystemClean::ScanWindowsTempFiles ||
            scan == &CSystemClean::ScanDumpFiles)
            (cleaner.*scan)(&found, &totals, nullptr);
    return found.size();
}

// The checks count the items of scans far apart: fifty are not enough,
// fifty-one are. One recycled file answers at once, with no scan run.
TEST(PresenceChecks, FiftyOneItemsOrOneRecycledFileMakeACleanNeeded) {
    fx::EmptyRecycleBin();
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp",
                       cache = fx::Special(CSIDL_INTERNET_CACHE);
    const std::wstring office = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::EmptyFolder(temp);
    fx::EmptyFolder(cache);
    fx::RemoveTree(office);
    const size_t quick = Already(false);
    ASSERT_LT(quick, 50u) << "the prefix alone passes the threshold";
    // The internet cache is walked by the last scan of the quick row.
    MakeFiles(cache + L"\\ufc-presence", L"cached", 0, static_cast<int>(50 - quick));
    CSystemClean cleaner;
    EXPECT_EQ(ufc::IsCleanNeeded(cleaner), 0);
    MakeFiles(cache + L"\\ufc-presence", L"extra", 0, 1);
    EXPECT_EQ(ufc::IsCleanNeeded(cleaner), 1);
    EXPECT_EQ(cleaner.CurrentCategory, static_cast<std::uint32_t>(kCategoryInternetTempFiles));
    fx::RemoveTree(cache + L"\\ufc-presence");

    const size_t deep = Already(true);
    ASSERT_LT(deep, 40u) << "the prefix alone comes near the threshold";
    // Neither folder alone comes near the threshold; together they reach it.
    const int missing = static_cast<int>(50 - deep);
    MakeFiles(temp, L"deep", 0, missing / 2);
    MakeFiles(office, L"doc", 0, missing - missing / 2);
    EXPECT_EQ(ufc::IsDeepCleanNeeded(cleaner), 0);
    MakeFiles(office, L"doc", missing - missing / 2, 1);
    EXPECT_EQ(ufc::IsDeepCleanNeeded(cleaner), 1);
    fx::EmptyFolder(temp);
    fx::RemoveTree(office);

    const std::wstring file = fx::Scratch(L"presence-bin") + L"\\recycled.txt";
    fx::MakeFile(file, 300);
    ASSERT_TRUE(fx::RecycleFile(file));
    CSystemClean untouched;
    untouched.CurrentCategory = 77;  // a scan would change it
    EXPECT_EQ(ufc::IsCleanNeeded(untouched), 1);
    EXPECT_EQ(ufc::IsDeepCleanNeeded(untouched), 1);
    EXPECT_EQ(untouched.CurrentCategory, 77u);
    fx::EmptyRecycleBin();
}

TEST(PresenceChecks, ABrokenDesktopShortcutAnswersBeforeTheStartMenuIsScanned) {
    const std::wstring desktop = fx::Special(CSIDL_DESKTOP) + L"\\ufc-broken-desk.lnk";
    CSystemClean cleaner;
    EXPECT_EQ(ufc::HasInvalidShortcut(cleaner), 0) << "the prefix holds a broken shortcut";
    ASSERT_TRUE(fx::MakeBrokenShortcut(desktop, fx::Scratch(L"desk-target") + L"\\gone.exe"));
    cleaner.InvalidStartMenuShortcuts = {L"C:\\sentinel.lnk"};
    EXPECT_EQ(ufc::HasInvalidShortcut(cleaner), 1);
    EXPECT_EQ(cleaner.InvalidDesktopShortcuts, PathList{desktop});
    EXPECT_EQ(cleaner.InvalidStartMenuShortcuts, PathList{L"C:\\sentinel.lnk"});
    DeleteFileW(desktop.c_str());
}

// The named drive's bin; the system drive, in any letter case, adds five
// file categories after it; another drive lists nothing of the system's.
using ScanDrive = fx::ScanTest;

TEST_F(ScanDrive, TheDrivesBinThenTheSystemDrivesFileCategories) {
    const std::wstring windows = fx::Special(CSIDL_WINDOWS);
    const struct {
        std::wstring file;
        std::uint32_t category;
    } planted[] = {
        {fx::Scratch(L"scan-drive") + L"\\drive-bin.txt", kCategoryRecycleBin},
        {windows + L"\\$NtUninstallUfcDrive$\\left-over.bin", kCategoryUninstallFolders},
        {fx::Special(CSIDL_INTERNET_CACHE) + L"\\ufc-drive\\cached-page.htm",
         kCategoryInternetTempFiles},
        {windows + L"\\ufc-drive.dmp", kCategoryMemoryDumps},
        {windows + L"\\ufc-drive-logs\\drive-setup.log", kCategoryWindowsLogs},
        {windows + L"\\Temp\\ufc-drive-temp.tmp", kCategoryWindowsTemp},
    };
    fx::EmptyRecycleBin();
    for (const auto& p : planted) fx::MakeFile(p.file, 500);
    ASSERT_TRUE(fx::RecycleFile(planted[0].file));

    EXPECT_EQ(ufc::ScanDrive(cleaner, L"c:\\", &results, &totals, &recorder), 1);
    EXPECT_EQ(cleaner.CurrentDrive, L"c:\\");
    // The planted files, each once, in the order of the rows and under their
    // categories; the bin's file first of all.
    std::vector<std::uint32_t> order, categories;
    for (const auto& item : results)
        for (const auto& p : planted)
            if (fx::NameOf(p.file) == item.name) order.push_back(item.category);
    for (const auto& p : planted) categories.push_back(p.category);
    ASSERT_EQ(order, categories);
    EXPECT_EQ(std::wstring(results.front().name), L"drive-bin.txt");
    EXPECT_EQ(totals.count, results.size());
    // The bin's entry is reported first, against the bin's own count.
    EXPECT_EQ(recorder.reports[0].category, static_cast<std::uint32_t>(kCategoryRecycleBin));
    EXPECT_EQ(recorder.reports[0].percent, 100u);

    // Without a backslash only that drive's bin; the totals' count (with
    // what they held) becomes the expectation.
    ResultList bin = {FoundItem()};
    ScanTotals binTotals{5, 1};
    EXPECT_EQ(ufc::ScanDrive(cleaner, L"C:", &bin, &binTotals, nullptr), 1);
    ASSERT_EQ(bin.size(), 2u);
    EXPECT_EQ(std::wstring(bin.back().name), L"drive-bin.txt");
    EXPECT_EQ(binTotals.count, 2u);
    EXPECT_EQ(cleaner.ExpectedCount, 2u);
    ResultList none;
    EXPECT_EQ(ufc::ScanDrive(cleaner, L"z:\\", &none, &totals, nullptr), 1);
    EXPECT_EQ(ufc::ScanDrive(cleaner, nullptr, &none, &totals, nullptr), 1);
    EXPECT_TRUE(none.empty());
}

}  // namespace
