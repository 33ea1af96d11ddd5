// The cleaner as a host's binary sees it: the order of the interface's
// operations and its stop flag.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/system_clean.h"
#include "interface/facade.h"

namespace {

// The table slots pointers to virtual members designate (Itanium ABI: the
// pointer holds 1 + the slot's byte offset).
template <typename... Pmf>
std::vector<std::ptrdiff_t> Slots(Pmf... pmf) {
    auto slot = [](auto member) {
        std::ptrdiff_t raw[2];
        static_assert(sizeof(member) == sizeof(raw));
        std::memcpy(raw, &member, sizeof raw);
        return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
    };
    return {slot(pmf)...};
}

TEST(CleanerState, OperationsKeepTheirBinaryOrderAndEachCleanerItsStopFlag) {
    using I = Function::IUnusedFileClean;
    EXPECT_EQ(
        Slots(&I::Release, &I::GetUnusedFile, &I::CleanUnusedFile, &I::SetDefaultDownloadLocation,
              &I::AccessSaveDirectory, &I::CleanSearchAssistantMru, &I::ClearClipboard,
              &I::SetStopFlag, &I::GetDriveList, &I::HasInvalidShortcut, &I::IsCleanNeeded,
              &I::IsDeepCleanNeeded, &I::TestInterface, &I::ScanDrive, &I::CleanItems),
        (std::vector<std::ptrdiff_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(Slots(&IScanProgress::OnProgress), std::vector<std::ptrdiff_t>{0});
    // Landmarks of the cleaner's own catalogue.
    using C = CSystemClean;
    EXPECT_EQ(Slots(&C::EmptyRecycleBin, &C::ScanLogFiles, &C::SetDefaultDownloadLocation,
                    &C::IsNtVersion5OrLater, &C::ScanTypedUrls, &C::DeleteListedDumpFiles),
              (std::vector<std::ptrdiff_t>{0, 9, 18, 29, 40, 50}));

    // Each cleaner has its own stop flag.
    auto* first = static_cast<Function::CHistoryCleanImp*>(FunCreate());
    auto* second = static_cast<Function::CHistoryCleanImp*>(FunCreate());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->SetStopFlag(1), 1);
    EXPECT_TRUE(first->Cleaner()->StopRequested());
    EXPECT_FALSE(second->Cleaner()->StopRequested());
    first->SetStopFlag(7);  // only exactly 1 stops
    EXPECT_FALSE(first->Cleaner()->StopRequested());
    first->Release();
    second->Release();
}

}  // namespace
