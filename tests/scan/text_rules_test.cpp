// Splitting extension filters and taking extensions.
#include <gtest/gtest.h>

#include "scan/text_rules.h"

namespace {

using Tokens = ufc::ExtensionTokens;

Tokens Split(const wchar_t* filter) {
    Tokens tokens;
    EXPECT_EQ(ufc::SplitExtensionFilter(filter, &tokens), 1);
    return tokens;
}

TEST(TextRules, FilterSplitsAtEverySeparator) {
    EXPECT_EQ(Split(L".a|.b"), (Tokens{L".a", L".b"}));
    EXPECT_EQ(Split(L".a|.b|"), (Tokens{L".a", L".b"}));
    EXPECT_EQ(Split(L".a||.b"), (Tokens{L".a", L"", L".b"}));
    EXPECT_EQ(Split(L"|"), (Tokens{L""}));
    EXPECT_EQ(Split(L".log|.txt|.bak|.lo_"), (Tokens{L".log", L".txt", L".bak", L".lo_"}));
    EXPECT_TRUE(Split(nullptr).empty());
    Tokens kept{L".x"};
    ufc::SplitExtensionFilter(L".y", &kept);
    EXPECT_EQ(kept, (Tokens{L".x", L".y"})) << "tokens are appended";
}

TEST(TextRules, ExtensionIsTheTextFromTheLastDot) {
    wchar_t out[16] = L"untouched";
    EXPECT_EQ(ufc::GetFileExtension(L"archive.tar.log", 16, out), 1);
    EXPECT_STREQ(out, L".log");
    EXPECT_EQ(ufc::GetFileExtension(L"x.log.", 16, out), 1);
    EXPECT_STREQ(out, L".");
    wcscpy(out, L"untouched");
    EXPECT_EQ(ufc::GetFileExtension(L"README", 16, out), 0);
    EXPECT_EQ(ufc::GetFileExtension(L"C:\\a.d\\README", 16, out), 0) << "a folder's dot";
    EXPECT_EQ(ufc::GetFileExtension(nullptr, 16, out), 0);
    EXPECT_EQ(ufc::GetFileExtension(L"a.toolongforit", 8, out), 0);
    EXPECT_STREQ(out, L"untouched");
    EXPECT_EQ(ufc::GetFileExtension(L"a.fits12", 8, out), 1) << "7 units and the terminator";
    EXPECT_STREQ(out, L".fits12");
}

TEST(TextRules, FilterMatchLowersTheFileNotTheToken) {
    Tokens logs{L".log", L".txt"};
    EXPECT_TRUE(ufc::ExtensionMatchesFilter(L"a.LOG", logs));
    EXPECT_TRUE(ufc::ExtensionMatchesFilter(L"c.Txt", logs));
    EXPECT_FALSE(ufc::ExtensionMatchesFilter(L"x.log.", logs));
    EXPECT_FALSE(ufc::ExtensionMatchesFilter(L"README", logs));
    EXPECT_FALSE(ufc::ExtensionMatchesFilter(L"a.log", Tokens{L".LOG"}));
    EXPECT_TRUE(ufc::ExtensionMatchesFilter(L"README", Tokens{L".a", L""}));
    EXPECT_FALSE(ufc::ExtensionMatchesFilter(L"a.b", Tokens{}));
}

}  // namespace
