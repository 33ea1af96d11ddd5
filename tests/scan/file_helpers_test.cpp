// Sizes, times, type names and icons of single files.
#include <gtest/gtest.h>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"
#include "scan/file_helpers.h"
#include "scan_helpers.h"

namespace {

TEST(FileHelpers, SizeNeedsAnExclusiveRead) {
    auto folder = fx::Scratch(L"scan\\sizes");
    fx::MakeFile(folder + L"\\seven", 7);
    EXPECT_EQ(ufc::GetFileSize64((folder + L"\\seven").c_str()), 7u);
    EXPECT_EQ(ufc::GetFileSize64((folder + L"\\missing").c_str()), 0u);
    auto holder = scantest::HoldOpen(folder + L"\\seven");
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ(ufc::GetFileSize64((folder + L"\\seven").c_str()), 0u);
}

TEST(FileHelpers, TimesAreUtc) {
    auto path = fx::Scratch(L"scan\\times") + L"\\dated";
    fx::MakeFile(path, 1);
    SYSTEMTIME when = {2011, 1, 2, 18, 10, 30, 15, 0};
    FILETIME stamp;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &stamp));
    {
        ufc::unique_hfile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), &stamp, &stamp, &stamp));
    }
    SYSTEMTIME created = {}, accessed = {}, written = {};
    ASSERT_EQ(ufc::GetFileTimes(path.c_str(), &created, &accessed, &written), 1);
    for (const SYSTEMTIME& t : {created, written}) {
        EXPECT_EQ(t.wYear, 2011);
        EXPECT_EQ(t.wMonth, 1);
        EXPECT_EQ(t.wDay, 18);
        EXPECT_EQ(t.wHour, 10);
        EXPECT_EQ(t.wMinute, 30);
    }
    SYSTEMTIME untouched = {1999, 1, 0, 1, 0, 0, 0, 0};
    SYSTEMTIME a = untouched, b = untouched, c = untouched;
    EXPECT_EQ(ufc::GetFileTimes((path + L"-missing").c_str(), &a, &b, &c), 0);
    EXPECT_EQ(c.wYear, 1999);
}

TEST(FileHelpers, TypeNameComesFromTheClassOrIsTheExtension) {
    const std::wstring ext = L".ufcscantest", cls = L"UfcScanTest.File";
    fx::SetString(HKEY_CLASSES_ROOT, ext, L"", cls);
    fx::SetString(HKEY_CLASSES_ROOT, cls, L"", L"Scan test document");
    wchar_t out[260] = L"before";
    EXPECT_EQ(ufc::GetFileTypeName(ext.c_str(), 260, out), 0u);
    EXPECT_STREQ(out, L"Scan test document");
    wchar_t small[8] = L"before";
    EXPECT_EQ(ufc::GetFileTypeName(ext.c_str(), 8, small), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_STREQ(small, L"before");
    EXPECT_EQ(ufc::GetFileTypeName(L".ufcnoclass", 260, out), 0u);
    EXPECT_STREQ(out, L".ufcnoclass");
    wcscpy(out, L"before");
    EXPECT_EQ(ufc::GetFileTypeName(L"", 260, out), 0u);
    EXPECT_STREQ(out, L"before");

    // A description that fills the buffer without a terminator ends at the
    // buffer's end; one too long to read gives the extension.
    fx::SetBinary(HKEY_CLASSES_ROOT, cls, L"", std::vector<BYTE>(259 * 2, 'A'), REG_SZ);
    EXPECT_EQ(ufc::GetFileTypeName(ext.c_str(), 260, out), 0u);
    EXPECT_EQ(std::wstring(out), std::wstring(259, L'\x4141'));
    fx::SetBinary(HKEY_CLASSES_ROOT, cls, L"", std::vector<BYTE>(600, 'A'), REG_SZ);
    EXPECT_EQ(ufc::GetFileTypeName(ext.c_str(), 260, out), 0u);
    EXPECT_EQ(std::wstring(out), ext);
    // A class named by data of the wrong type is no class.
    fx::SetDword(HKEY_CLASSES_ROOT, ext, L"", 42);
    EXPECT_EQ(ufc::GetFileTypeName(ext.c_str(), 260, out), 0u);
    EXPECT_EQ(std::wstring(out), ext);
    fx::DeleteKey(HKEY_CLASSES_ROOT, ext);
    fx::DeleteKey(HKEY_CLASSES_ROOT, cls);
}

TEST(FileHelpers, TypeIconIsAskedOncePerExtension) {
    CSystemClean cleaner;
    HICON first = cleaner.GetTypeIcon(L"C:\\nowhere\\a.txt", 1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(cleaner.GetTypeIcon(L"D:\\other\\b.txt", 1), first);
    EXPECT_EQ(cleaner.IconCache.size(), 1u);
    EXPECT_EQ(cleaner.IconCache.count(L".txt"), 1u);
    EXPECT_EQ(cleaner.GetTypeIcon(L"C:\\nowhere\\README", 1), nullptr);
    EXPECT_EQ(cleaner.IconCache.size(), 1u) << "a name without a dot caches nothing";
    // The cache keeps the case of the extension as found.
    cleaner.GetTypeIcon(L"c.TXT", 1);
    EXPECT_EQ(cleaner.IconCache.count(L".TXT"), 1u);
}

TEST(FileHelpers, FullIconCacheAsksNoMore) {
    CSystemClean cleaner;
    for (std::size_t i = 0; cleaner.IconCache.size() < kIconCacheLimit; ++i)
        cleaner.IconCache[L".x" + std::to_wstring(i)] = nullptr;
    EXPECT_EQ(cleaner.GetTypeIcon(L"a.txt", 1), nullptr);
    EXPECT_EQ(cleaner.IconCache.size(), kIconCacheLimit);
    EXPECT_EQ(cleaner.IconCache.count(L".txt"), 0u);
}

}  // namespace
