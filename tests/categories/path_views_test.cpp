// The 32/64-bit rewrite rules as pure cases, and the view test on real files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "categories/path_views.h"
#include "categories/shortcuts.h"
#include "fixtures/fixtures.h"

namespace {

struct ViewCase {
    const wchar_t* target;
    const wchar_t* first;
    const wchar_t* second;
};

TEST(RewritePathViews, FirstMatchingRuleOnlyAndEveryOccurrence) {
    const ViewCase cases[] = {
        // 32-bit program folder: the second candidate gets the 64-bit name.
        {L"C:\\Program Files (x86)\\App\\a.exe", L"c:\\program files (x86)\\app\\a.exe",
         L"c:\\program files\\app\\a.exe"},
        {L"C:\\Program Files\\App\\a.exe", L"c:\\program files (x86)\\app\\a.exe",
         L"c:\\program files\\app\\a.exe"},
        // The program-folder rule wins; system32 further on is left alone.
        {L"C:\\Program Files\\X\\System32\\y.dll", L"c:\\program files (x86)\\x\\system32\\y.dll",
         L"c:\\program files\\x\\system32\\y.dll"},
        {L"C:\\Windows\\IME (x86)\\k.dll", L"c:\\windows\\ime (x86)\\k.dll",
         L"c:\\windows\\ime\\k.dll"},
        {L"C:\\Windows\\IME\\k.dll", L"c:\\windows\\ime (x86)\\k.dll", L"c:\\windows\\ime\\k.dll"},
        // "ime" inside another word still fires; the second stays as stored.
        {L"D:\\Anime\\clip.exe", L"d:\\anime (x86)\\clip.exe", L"d:\\anime\\clip.exe"},
        {L"C:\\ime\\ime.exe", L"c:\\ime (x86)\\ime (x86).exe", L"c:\\ime\\ime.exe"},
        {L"C:\\Windows\\System32\\x.dll", L"c:\\windows\\syswow64\\x.dll",
         L"c:\\windows\\system32\\x.dll"},
        {L"C:\\Windows\\SysWOW64\\x.dll", L"c:\\windows\\syswow64\\x.dll",
         L"c:\\windows\\system32\\x.dll"},
        {L"D:\\Data\\a.txt", L"d:\\data\\a.txt", L"d:\\data\\a.txt"},
        {L"", L"", L""},
        // Only A-Z are lowered; other letters stay as they are.
        {L"C:\\\u00C4PFEL\\System32", L"c:\\\u00C4pfel\\syswow64", L"c:\\\u00C4pfel\\system32"},
    };
    for (const auto& c : cases) {
        auto views = ufc::RewritePathViews(c.target);
        EXPECT_EQ(views.first, c.first) << fx::Narrow(c.target);
        EXPECT_EQ(views.second, c.second) << fx::Narrow(c.target);
    }
}

TEST(TargetExistsInAnyView, FindsTheProgramUnderItsOtherFolderName) {
    std::wstring x86 = fx::Special(CSIDL_PROGRAM_FILESX86);
    std::wstring native = fx::Special(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(x86.empty());
    ASSERT_NE(x86, native) << "the prefix has one program folder only";
    fx::RemoveTree(x86 + L"\\ufc-views");
    fx::MakeFile(x86 + L"\\ufc-views\\tool.exe");
    // The stored path names the 64-bit folder; the program lives in the other.
    std::wstring stored = native + L"\\ufc-views\\tool.exe";
    EXPECT_FALSE(fx::Exists(stored));
    EXPECT_EQ(ufc::TargetExistsInAnyView(stored.c_str()), 1);
    EXPECT_EQ(ufc::TargetExistsInAnyView((native + L"\\ufc-views\\gone.exe").c_str()), 0);
    EXPECT_EQ(ufc::TargetExistsInAnyView(nullptr), 1);
    fx::RemoveTree(x86 + L"\\ufc-views");
}

}  // namespace
