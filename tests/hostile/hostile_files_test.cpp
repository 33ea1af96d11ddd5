// Hostile shortcut files on the desktop: empty, truncated, random bytes and a
// stored path at the length limit. The shortcut scan must read each safely,
// never write past the caller's buffer, and report only the real broken one.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "categories/shortcuts.h"
#include "fixtures/categories.h"
#include "fixtures/scan_test.h"

namespace {

using HostileFiles = fx::ScanTest;

TEST_F(HostileFiles, DamagedShortcutsAreReadSafelyAndNeverReported) {
    const std::wstring folder = fx::Special(CSIDL_DESKTOP);
    ASSERT_FALSE(folder.empty());
    fx::MakeFile(folder + L"\\hostile-empty.lnk", 0);
    // The first bytes of a real shortcut, cut short.
    ASSERT_TRUE(fx::MakeShortcut(folder + L"\\hostile-whole.lnk", L"C:\\windows\\notepad.exe"));
    std::string whole = fx::ReadFileText(folder + L"\\hostile-whole.lnk");
    ASSERT_GT(whole.size(), 80u);
    fx::MakeFileWithText(folder + L"\\hostile-truncated.lnk", whole.substr(0, 80));
    DeleteFileW((folder + L"\\hostile-whole.lnk").c_str());
    std::string noise(4096, '\0');
    std::uint32_t state = 12345;
    for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    fx::MakeFileWithText(folder + L"\\hostile-random.lnk", noise);
    // 259 units: the most a stored path can hold.
    ASSERT_TRUE(fx::MakeShortcut(folder + L"\\hostile-long.lnk",
                                 L"C:\\ufc-missing\\" + std::wstring(240, L'x') + L".exe"));

    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, &recorder), 1u);
    EXPECT_EQ(totals.count, results.size());
    const PathList& invalid = cleaner.InvalidDesktopShortcuts;
    for (const std::wstring name : {L"empty", L"truncated", L"random", L"long"}) {
        const std::wstring path = folder + L"\\hostile-" + name + L".lnk";
        // Resolution into a small buffer never writes past it.
        wchar_t buffer[16 + 8] = {};
        std::fill(buffer + 16, buffer + 24, L'#');
        ufc::ResolveShortcutTarget(path, buffer, 16);
        for (int i = 16; i < 24; ++i) EXPECT_EQ(buffer[i], L'#') << fx::Narrow(name);
        // Only a full-length stored path to a missing program is broken.
        const bool broken = name == L"long";
        EXPECT_EQ(std::count(invalid.begin(), invalid.end(), path), broken) << fx::Narrow(name);
        EXPECT_EQ(fx::FindByName(results, L"hostile-" + name + L".lnk") != nullptr, broken);
        DeleteFileW(path.c_str());
    }
}

}  // namespace
