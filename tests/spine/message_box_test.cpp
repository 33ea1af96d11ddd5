// The one dialog of the interface, read from a real window when a display is
// present.
#include <gtest/gtest.h>

#include "fixtures/fixtures.h"
#include "interface/facade.h"

namespace {

TEST(TestInterface, ShowsItsTextAndReturnsTheButtonPressed) {
    if (!fx::HaveDisplay()) GTEST_SKIP() << "no display: message boxes return at once";
    Function::IUnusedFileClean* cleaner = FunCreate();
    ASSERT_NE(cleaner, nullptr);
    int result = 0;
    std::vector<std::wstring> texts;
    {
        fx::DialogWatcher watcher;
        result = cleaner->TestInterface();
        texts = watcher.Texts();
    }
    cleaner->Release();
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], L"Test interface succeed");
}

}  // namespace
