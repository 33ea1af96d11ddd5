// The module as a host sees it: loaded with LoadLibraryW, created through the
// FunCreate export, called through the interface's table.
#include <gtest/gtest.h>

#include "UnusedFileClean.h"
#include "util/handles.h"

namespace {

struct Module {
    ufc::unique_hmodule dll{LoadLibraryW(L"UnusedFileClean.dll")};
    Function::FunCreateFn create = nullptr;
    Module() {
        if (dll)
            create = reinterpret_cast<Function::FunCreateFn>(
                reinterpret_cast<void*>(GetProcAddress(dll.get(), "FunCreate")));
    }
};

TEST(HostView, ExportByNameAndOrdinalOneAreTheSameFunction) {
    Module m;
    ASSERT_TRUE(m.dll) << GetLastError();
    ASSERT_NE(m.create, nullptr);
    auto byOrdinal = reinterpret_cast<void*>(GetProcAddress(m.dll.get(), MAKEINTRESOURCEA(1)));
    EXPECT_EQ(reinterpret_cast<void*>(m.create), byOrdinal);
    EXPECT_EQ(GetProcAddress(m.dll.get(), MAKEINTRESOURCEA(2)), nullptr);
}

TEST(HostView, EveryOperationAnswersThroughTheTable) {
    Module m;
    ASSERT_NE(m.create, nullptr);
    Function::IUnusedFileClean* cleaner = m.create();
    ASSERT_NE(cleaner, nullptr);
    ResultList results;
    ScanTotals totals;
    CleanTotals cleanTotals;
    // Out-of-range categories change nothing and answer 1.
    EXPECT_EQ(cleaner->GetUnusedFile(0, &results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner->GetUnusedFile(25, &results, &totals, nullptr), 1u);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(cleaner->CleanUnusedFile(24, results, &cleanTotals, nullptr), 1u);
    EXPECT_EQ(cleaner->AccessSaveDirectory(nullptr, 0, 0), 0);
    EXPECT_EQ(cleaner->CleanSearchAssistantMru(), 1);
    EXPECT_EQ(cleaner->ClearClipboard(), 1);
    EXPECT_EQ(cleaner->SetStopFlag(0), 1);
    std::vector<DriveDisplayEntry> drives;
    EXPECT_EQ(cleaner->GetDriveList(&drives), 1);
    EXPECT_EQ(cleaner->CleanItems(ResultList{}, &cleanTotals, nullptr), 1u);
    EXPECT_EQ(cleanTotals.removed + cleanTotals.failed + cleanTotals.bytesFreed, 0u);
    cleaner->Release();
}

}  // namespace
