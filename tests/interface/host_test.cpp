// A host that loads the module and calls every interface operation in turn
// gets the full work of each, on real fixtures.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "fixtures/categories.h"
#include "fixtures/fixtures.h"
#include "interface/interface_fixtures.h"
#include "util/handles.h"

namespace {

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll) << GetLastError();
        auto create = reinterpret_cast<Function::FunCreateFn>(
            reinterpret_cast<void*>(GetProcAddress(dll.get(), "FunCreate")));
        ASSERT_NE(create, nullptr);
        cleaner = create();
        ASSERT_NE(cleaner, nullptr);
    }
    void TearDown() override {
        if (cleaner) cleaner->Release();
    }
    ufc::unique_hmodule dll{LoadLibraryW(L"UnusedFileClean.dll")};
    Function::IUnusedFileClean* cleaner = nullptr;
};

bool ClipboardHasText() {
    if (!OpenClipboard(nullptr)) return false;
    bool has = IsClipboardFormatAvailable(CF_UNICODETEXT) != 0;
    CloseClipboard();
    return has;
}

void PutTextOnClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
    wcscpy(static_cast<wchar_t*>(GlobalLock(block)), L"secret");
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

std::wstring ReadString(const std::wstring& key, const std::wstring& name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value,
                 &size);
    return value;
}

TEST_F(Host, ScansCleansAndStopsAFileCategory) {
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp\\ufc-host";
    fx::RemoveTree(temp);
    fx::MakeFile(temp + L"\\leftover.tmp", 40);
    ResultList found;
    ScanTotals totals;
    ASSERT_EQ(cleaner->GetUnusedFile(kCategoryWindowsTemp, &found, &totals, nullptr), 1u);
    const FoundItem* item = fx::FindByName(found, L"leftover.tmp");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->category, static_cast<std::uint32_t>(kCategoryWindowsTemp));

    // A stop request ends the next scan at its first entry.
    EXPECT_EQ(cleaner->SetStopFlag(1), 1);
    ResultList stopped;
    EXPECT_EQ(cleaner->GetUnusedFile(kCategoryWindowsTemp, &stopped, &totals, nullptr), 2u);
    EXPECT_EQ(cleaner->SetStopFlag(0), 1);

    ResultList only = {*item};
    CleanTotals cleaned;
    EXPECT_EQ(cleaner->CleanUnusedFile(kCategoryWindowsTemp, only, &cleaned, nullptr), 1u);
    EXPECT_EQ(cleaned.removed, 1u);
    EXPECT_EQ(cleaned.bytesFreed, 40u);
    EXPECT_FALSE(fx::Exists(temp + L"\\leftover.tmp"));
    fx::RemoveTree(temp);
}

TEST_F(Host, ChangesTheBrowserSettingsAndClearsTraces) {
    const std::wstring ie = L"SOFTWARE\\Microsoft\\Internet Explorer";
    fx::SetString(HKEY_CURRENT_USER, ie, L"Download Directory", L"C:\\old");
    EXPECT_EQ(cleaner->SetDefaultDownloadLocation(L"C:\\ufc-tests\\downloads"), 1);
    EXPECT_EQ(ReadString(ie, L"Download Directory"), L"C:\\ufc-tests\\downloads");

    fx::SetString(HKEY_CURRENT_USER, ie + L"\\Main", L"Save Directory", L"C:\\old");
    wchar_t folder[MAX_PATH] = L"C:\\ufc-tests\\saved";
    EXPECT_EQ(cleaner->AccessSaveDirectory(folder, sizeof folder, 1), 0);
    wchar_t readBack[MAX_PATH] = {};
    cleaner->AccessSaveDirectory(readBack, sizeof readBack, 0);
    EXPECT_EQ(std::wstring(readBack), L"C:\\ufc-tests\\saved");

    const std::wstring acMru = L"Software\\Microsoft\\Search Assistant\\ACMru\\5603";
    fx::SetString(HKEY_CURRENT_USER, acMru, L"000", L"searched words");
    EXPECT_EQ(cleaner->CleanSearchAssistantMru(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Search Assistant\\ACMru"));

    PutTextOnClipboard();
    ASSERT_TRUE(ClipboardHasText());
    EXPECT_EQ(cleaner->ClearClipboard(), 1);
    EXPECT_FALSE(ClipboardHasText());
}

TEST_F(Host, ListsDrivesAndAnswersThePresenceChecks) {
    std::vector<DriveDisplayEntry> drives;
    EXPECT_EQ(cleaner->GetDriveList(&drives), 1);
    ASSERT_FALSE(drives.empty());
    EXPECT_NE(std::wstring(drives[0].displayText).find(L"(C:)"), std::wstring::npos);
    for (auto& drive : drives) {
        DestroyIcon(drive.smallIcon);
        DestroyIcon(drive.largeIcon);
    }

    const std::wstring link = fx::Special(CSIDL_STARTMENU) + L"\\ufc-host-broken.lnk";
    ASSERT_TRUE(ifx::MakeBrokenShortcut(link, fx::Scratch(L"host-target") + L"\\gone.exe"));
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
    EXPECT_EQ(std::wstring(binItems.front().name), L"host-recycled.txt");
    CleanTotals cleaned;
    EXPECT_EQ(cleaner->CleanItems(binItems, &cleaned, nullptr), 1u);
    EXPECT_EQ(cleaned.removed, 1u);
    EXPECT_EQ(ifx::BinItemCount(), 0u);
}

}  // namespace
