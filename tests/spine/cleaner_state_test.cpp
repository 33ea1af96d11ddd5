// The cleaner object: its state when fresh, what its destruction frees, and
// the order of its operations as a host's binary sees them.
#include <gtest/gtest.h>

#include <cstring>

#include "core/system_clean.h"
#include "interface/facade.h"

namespace {

// The table slot a pointer to a virtual member designates (Itanium ABI:
// the pointer holds 1 + the slot's byte offset).
template <typename Pmf>
std::ptrdiff_t Slot(Pmf pmf) {
    std::ptrdiff_t raw[2];
    static_assert(sizeof(pmf) == sizeof(raw));
    std::memcpy(raw, &pmf, sizeof raw);
    return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(CleanerState, FreshCleanerStartsOnDriveCWithZeroCounters) {
    CSystemClean cleaner;
    EXPECT_EQ(cleaner.CurrentDrive, L"c:\\");
    EXPECT_EQ(cleaner.Wow64, 0);  // a 64-bit process is never under WOW64
    EXPECT_EQ(cleaner.LogHandle, -1);
    EXPECT_EQ(cleaner.ExpectedCount + cleaner.ExaminedCount + cleaner.FoundCount, 0u);
    EXPECT_EQ(cleaner.CurrentCategory, 0u);
    EXPECT_EQ(cleaner.StopFlag.load(), 0u);
    EXPECT_TRUE(cleaner.IconCache.empty());
    EXPECT_TRUE(cleaner.InvalidDesktopShortcuts.empty() &&
                cleaner.InvalidStartMenuShortcuts.empty() && cleaner.DumpFileList.empty());
    EXPECT_EQ(IsWow64(), 1);
}

TEST(CleanerState, DestructionDestroysTheCachedIconsOnly) {
    SHFILEINFOW info = {};
    SHGetFileInfoW(L"x.txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    ASSERT_NE(info.hIcon, nullptr);
    ICONINFO before = {};
    ASSERT_TRUE(GetIconInfo(info.hIcon, &before));
    DeleteObject(before.hbmColor);
    DeleteObject(before.hbmMask);
    {
        CSystemClean cleaner;
        cleaner.IconCache[L".txt"] = info.hIcon;
        cleaner.IconCache[L".none"] = nullptr;  // a failed lookup is cached as null
    }
    ICONINFO after = {};
    EXPECT_FALSE(GetIconInfo(info.hIcon, &after)) << "the cached icon outlived its cleaner";
}

TEST(CleanerState, InterfaceOperationsKeepTheirBinaryOrder) {
    using Function::IUnusedFileClean;
    EXPECT_EQ(Slot(&IUnusedFileClean::Release), 0);
    EXPECT_EQ(Slot(&IUnusedFileClean::GetUnusedFile), 1);
    EXPECT_EQ(Slot(&IUnusedFileClean::CleanUnusedFile), 2);
    EXPECT_EQ(Slot(&IUnusedFileClean::SetDefaultDownloadLocation), 3);
    EXPECT_EQ(Slot(&IUnusedFileClean::AccessSaveDirectory), 4);
    EXPECT_EQ(Slot(&IUnusedFileClean::CleanSearchAssistantMru), 5);
    EXPECT_EQ(Slot(&IUnusedFileClean::ClearClipboard), 6);
    EXPECT_EQ(Slot(&IUnusedFileClean::SetStopFlag), 7);
    EXPECT_EQ(Slot(&IUnusedFileClean::GetDriveList), 8);
    EXPECT_EQ(Slot(&IUnusedFileClean::HasInvalidShortcut), 9);
    EXPECT_EQ(Slot(&IUnusedFileClean::IsCleanNeeded), 10);
    EXPECT_EQ(Slot(&IUnusedFileClean::IsDeepCleanNeeded), 11);
    EXPECT_EQ(Slot(&IUnusedFileClean::TestInterface), 12);
    EXPECT_EQ(Slot(&IUnusedFileClean::ScanDrive), 13);
    EXPECT_EQ(Slot(&IUnusedFileClean::CleanItems), 14);
    EXPECT_EQ(Slot(&IScanProgress::OnProgress), 0);
}

TEST(CleanerState, CleanerCatalogueKeepsItsOrder) {
    // First, a few landmarks through the table, then the last entries.
    EXPECT_EQ(Slot(&CSystemClean::EmptyRecycleBin), 0);
    EXPECT_EQ(Slot(&CSystemClean::ScanLogFiles), 9);
    EXPECT_EQ(Slot(&CSystemClean::SetDefaultDownloadLocation), 18);
    EXPECT_EQ(Slot(&CSystemClean::IsNtVersion5OrLater), 29);
    EXPECT_EQ(Slot(&CSystemClean::ScanBrowserCaches), 39);
    EXPECT_EQ(Slot(&CSystemClean::ScanTypedUrls), 40);
    EXPECT_EQ(Slot(&CSystemClean::DeleteListedDumpFiles), 50);
}

TEST(CleanerState, TwoObjectsShareNoStopFlag) {
    auto* first = static_cast<Function::CHistoryCleanImp*>(FunCreate());
    auto* second = static_cast<Function::CHistoryCleanImp*>(FunCreate());
    ASSERT_TRUE(first && second && first->Cleaner() && second->Cleaner());
    EXPECT_EQ(first->SetStopFlag(1), 1);
    EXPECT_TRUE(first->Cleaner()->StopRequested());
    EXPECT_FALSE(second->Cleaner()->StopRequested());
    first->SetStopFlag(7);  // only exactly 1 stops
    EXPECT_FALSE(first->Cleaner()->StopRequested());
    first->Release();
    second->Release();
}

TEST(CleanerState, PlatformIsTheNtFamilyFromVersionFiveOn) {
    CSystemClean cleaner;
    EXPECT_TRUE(cleaner.IsNtVersion5OrLater());
    EXPECT_FALSE(cleaner.IsNtBelowVersion5());
}

}  // namespace
