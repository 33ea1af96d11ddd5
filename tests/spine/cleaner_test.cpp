// The cleaner as a host's binary sees it: the order of the interface's
// operations, its stop flag and what its destruction frees.
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

TEST(CleanerState, OperationsKeepTheirBinaryOrder) {
    using I = Function::IUnusedFileClean;
    const std::ptrdiff_t slots[] = {Slot(&I::Release),
                                    Slot(&I::GetUnusedFile),
                                    Slot(&I::CleanUnusedFile),
                                    Slot(&I::SetDefaultDownloadLocation),
                                    Slot(&I::AccessSaveDirectory),
                                    Slot(&I::CleanSearchAssistantMru),
                                    Slot(&I::ClearClipboard),
                                    Slot(&I::SetStopFlag),
                                    Slot(&I::GetDriveList),
                                    Slot(&I::HasInvalidShortcut),
                                    Slot(&I::IsCleanNeeded),
                                    Slot(&I::IsDeepCleanNeeded),
                                    Slot(&I::TestInterface),
                                    Slot(&I::ScanDrive),
                                    Slot(&I::CleanItems)};
    for (std::ptrdiff_t i = 0; i < 15; ++i) EXPECT_EQ(slots[i], i);
    EXPECT_EQ(Slot(&IScanProgress::OnProgress), 0);
    // Landmarks of the cleaner's own catalogue.
    EXPECT_EQ(Slot(&CSystemClean::EmptyRecycleBin), 0);
    EXPECT_EQ(Slot(&CSystemClean::ScanLogFiles), 9);
    EXPECT_EQ(Slot(&CSystemClean::SetDefaultDownloadLocation), 18);
    EXPECT_EQ(Slot(&CSystemClean::IsNtVersion5OrLater), 29);
    EXPECT_EQ(Slot(&CSystemClean::ScanTypedUrls), 40);
    EXPECT_EQ(Slot(&CSystemClean::DeleteListedDumpFiles), 50);
}

TEST(CleanerState, EachCleanerHasItsOwnStopFlagAndFreesItsIcons) {
    auto* first = static_cast<Function::CHistoryCleanImp*>(FunCreate());
    auto* second = static_cast<Function::CHistoryCleanImp*>(FunCreate());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->SetStopFlag(1), 1);
    EXPECT_TRUE(first->Cleaner()->StopRequested());
    EXPECT_FALSE(second->Cleaner()->StopRequested());
    first->SetStopFlag(7);  // only exactly 1 stops
    EXPECT_FALSE(first->Cleaner()->StopRequested());

    // The cached icons die with their cleaner.
    HICON icon = second->Cleaner()->GetTypeIcon(L"x.txt", 1);
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    first->Release();
    second->Release();
    EXPECT_FALSE(GetIconInfo(icon, &info)) << "the cached icon outlived its cleaner";
}

}  // namespace
