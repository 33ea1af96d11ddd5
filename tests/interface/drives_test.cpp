// The fixed-drive listing and the display entries made from it, on the
// prefix's real drives (C: and Z: under Wine).
#include <gtest/gtest.h>

#include "fixtures/fixtures.h"
#include "interface/composite.h"
#include "interface/interface_fixtures.h"
#include "util/drives.h"

namespace {

// The fixed drives as the system reports them, in letter order.
std::vector<std::wstring> FixedRoots() {
    std::vector<std::wstring> roots;
    DWORD mask = GetLogicalDrives();
    for (int bit = 0; bit < 26; ++bit) {
        std::wstring root = {static_cast<wchar_t>(L'A' + bit), L':'};
        if ((mask & (1u << bit)) && GetDriveTypeW(root.c_str()) == DRIVE_FIXED)
            roots.push_back(root);
    }
    return roots;
}

std::wstring VolumeLabel(const std::wstring& root) {
    wchar_t label[MAX_PATH] = {};
    GetVolumeInformationW((root + L"\\").c_str(), label, MAX_PATH, nullptr, nullptr, nullptr,
                          nullptr, 0);
    return label;
}

size_t Count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1))
        ++n;
    return n;
}

TEST(DriveListing, AppendsOneRecordPerFixedDriveWithLabelAndSpace) {
    const std::vector<std::wstring> fixed = FixedRoots();
    ASSERT_FALSE(fixed.empty());
    ufc::LocalDriveRecord kept = {};
    kept.root[0] = L'Q';
    kept.totalBytes = 12345;
    std::vector<ufc::LocalDriveRecord> drives = {kept};

    ASSERT_EQ(ufc::GetLocalDriverList(&drives), 1);
    ASSERT_EQ(ufc::GetLocalDriverList(&drives), 1);

    // The record that was there stays first; each call appends every drive.
    ASSERT_EQ(drives.size(), 1 + 2 * fixed.size());
    EXPECT_EQ(drives[0].root[0], L'Q');
    EXPECT_EQ(drives[0].totalBytes, 12345u);
    for (size_t i = 1; i < drives.size(); ++i) {
        const ufc::LocalDriveRecord& drive = drives[i];
        const std::wstring& root = fixed[(i - 1) % fixed.size()];
        EXPECT_EQ(std::wstring(drive.root), root);
        EXPECT_EQ(std::wstring(drive.label), VolumeLabel(root));
        EXPECT_GT(drive.totalBytes, 0u);
        EXPECT_GT(drive.totalFree, 0u) << fx::Narrow(root);
        EXPECT_LE(drive.totalFree, drive.totalBytes);
        EXPECT_LE(drive.freeToCaller, drive.totalBytes);
    }
    EXPECT_EQ(std::wstring(drives[1].root), L"C:");
}

TEST(DriveListing, LogsItsStartAndSuccess) {
    const std::wstring logFile = ifx::LogFilePath(L"Get local driver list.txt");
    DeleteFileW(logFile.c_str());
    std::vector<ufc::LocalDriveRecord> drives;
    ASSERT_EQ(ufc::GetLocalDriverList(&drives), 1);

    std::string text = fx::ReadFileText(logFile);
    size_t start = text.find(
        "GetLocalDriverList .\\GetLogicalDrivers(14) \r\nStart logging -- (get local driver "
        "list)\r\n\r\n");
    size_t success =
        text.find("GetLocalDriverList .\\GetLogicalDrivers(26) \r\n GetLogicalDrives succeed\r\n");
    ASSERT_NE(start, std::string::npos) << text;
    ASSERT_NE(success, std::string::npos) << text;
    EXPECT_LT(start, success);
    EXPECT_EQ(Count(text, "GetLogicalDrivers("), 2u) << text;
    EXPECT_EQ(Count(text, "[128/0]"), 2u) << text;
}

TEST(DriveList, ShowsLabelAndRootWithBothIconsAppendingToTheHostsVector) {
    const std::vector<std::wstring> fixed = FixedRoots();
    DriveDisplayEntry kept;
    kept.totalBytes = 7;
    std::vector<DriveDisplayEntry> entries = {kept};

    ASSERT_EQ(ufc::GetDriveList(&entries), 1);
    ASSERT_EQ(ufc::GetDriveList(&entries), 1);

    ASSERT_EQ(entries.size(), 1 + 2 * fixed.size());
    EXPECT_EQ(entries[0].totalBytes, 7u);
    EXPECT_EQ(entries[0].smallIcon, nullptr);
    for (size_t i = 1; i < entries.size(); ++i) {
        DriveDisplayEntry& entry = entries[i];
        const std::wstring& root = fixed[(i - 1) % fixed.size()];
        EXPECT_EQ(std::wstring(entry.displayText), VolumeLabel(root) + L"(" + root + L")");
        EXPECT_EQ(entry.reserved, 0u);
        EXPECT_GT(entry.totalBytes, 0u);
        EXPECT_GT(entry.freeBytes, 0u);
        EXPECT_LE(entry.freeBytes, entry.totalBytes);
        EXPECT_NE(entry.smallIcon, nullptr);
        EXPECT_NE(entry.largeIcon, nullptr);
        EXPECT_NE(entry.smallIcon, entry.largeIcon);
        // The icons are the host's: it destroys them.
        EXPECT_TRUE(DestroyIcon(entry.smallIcon));
        EXPECT_TRUE(DestroyIcon(entry.largeIcon));
    }
    // Under Wine the volumes have no label: C: shows as "(C:)".
    EXPECT_EQ(std::wstring(entries[1].displayText), VolumeLabel(L"C:") + L"(C:)");
}

}  // namespace
