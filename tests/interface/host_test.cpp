// A host that loads the module and calls each operation through the
// interface's table reaches the work of that operation.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "fixtures/categories.h"
#include "privacy/privacy_fixtures.h"

namespace {

TEST(Host, EveryOperationThroughTheTableReachesItsWork) {
    ufc::unique_hmodule dll(LoadLibraryW(L"UnusedFileClean.dll"));
    ASSERT_TRUE(dll) << GetLastError();
    auto create = reinterpret_cast<Function::FunCreateFn>(
        reinterpret_cast<void*>(GetProcAddress(dll.get(), "FunCreate")));
    ASSERT_NE(create, nullptr);
    Function::IUnusedFileClean* cleaner = create();

    // Scans, removals and the stop flag go through the table in the hosts'
    // and the hostile tests; here the operations that only a host calls.
    const std::wstring ie = L"SOFTWARE\\Microsoft\\Internet Explorer";
    EXPECT_EQ(cleaner->SetDefaultDownloadLocation(L"C:\\ufc-tests\\downloads"), 1);
    EXPECT_EQ(fx::GetString(HKEY_CURRENT_USER, ie, L"Download Directory"),
              L"C:\\ufc-tests\\downloads");
    wchar_t folder[MAX_PATH] = L"C:\\ufc-tests\\saved", readBack[MAX_PATH] = {};
    EXPECT_EQ(cleaner->AccessSaveDirectory(folder, sizeof folder, 1), 0);
    cleaner->AccessSaveDirectory(readBack, sizeof readBack, 0);
    EXPECT_EQ(std::wstring(readBack), folder);
    fx::SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Search Assistant\\ACMru\\5603", L"000",
                  L"words");
    EXPECT_EQ(cleaner->CleanSearchAssistantMru(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Search Assistant\\ACMru"));
    ASSERT_TRUE(pv::PutClipboardText(L"secret"));
    EXPECT_EQ(cleaner->ClearClipboard(), 1);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));

    std::vector<DriveDisplayEntry> drives;
    EXPECT_EQ(cleaner->GetDriveList(&drives), 1);
    ASSERT_FALSE(drives.empty());
    EXPECT_NE(std::wstring(drives[0].displayText).find(L"(C:)"), std::wstring::npos);
    for (auto& drive : drives) {
        DestroyIcon(drive.smallIcon);
        DestroyIcon(drive.largeIcon);
    }
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
    CleanTotals cleaned;
    EXPECT_EQ(cleaner->ScanDrive(L"C:", &binItems, &totals, nullptr), 1);
    ASSERT_EQ(binItems.size(), 1u);
    EXPECT_EQ(cleaner->CleanItems(binItems, &cleaned, nullptr), 1u);
    EXPECT_EQ(fx::BinItemCount(), 0u);
    cleaner->Release();
}

}  // namespace
