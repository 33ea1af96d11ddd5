// Hostile shortcut files on the desktop: empty, truncated, random bytes and a
// stored path at the length limit. The shortcut scan must read each safely,
// never write past the caller's buffer, and report only the real broken one.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "categories/shortcuts.h"
#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"

namespace {

std::wstring Desktop() {
    return fx::Special(CSIDL_DESKTOP);
}

void PlantHostileShortcuts(const std::wstring& folder, const std::wstring& longTarget) {
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
    ASSERT_TRUE(fx::MakeShortcut(folder + L"\\hostile-long.lnk", longTarget));
}

TEST(HostileFiles, DamagedShortcutsAreReadSafelyAndNeverReported) {
    const std::wstring folder = Desktop();
    ASSERT_FALSE(folder.empty());
    std::wstring longTarget = L"C:\\ufc-missing\\";
    while (longTarget.size() < 255) longTarget += L'x';
    longTarget += L".exe";  // 259 units: the most a stored path can hold
    ASSERT_EQ(longTarget.size(), 259u);
    PlantHostileShortcuts(folder, longTarget);

    // Resolution into a small buffer never writes past it.
    for (const wchar_t* name : {L"empty", L"truncated", L"random", L"long"}) {
        wchar_t buffer[16 + 8];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        std::fill(buffer, buffer + 16, L'\0');
        ufc::ResolveShortcutTarget(folder + L"\\hostile-" + name + L".lnk", buffer, 16);
        for (int i = 16; i < 24; ++i) EXPECT_EQ(buffer[i], L'#') << fx::Narrow(name);
    }

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, &recorder), 1u);
    auto listed = [&](const wchar_t* name) {
        std::wstring path = folder + L"\\hostile-" + name + L".lnk";
        return std::find(cleaner.InvalidDesktopShortcuts.begin(),
                         cleaner.InvalidDesktopShortcuts.end(),
                         path) != cleaner.InvalidDesktopShortcuts.end();
    };
    EXPECT_FALSE(listed(L"empty"));
    EXPECT_FALSE(listed(L"truncated"));
    EXPECT_FALSE(listed(L"random"));
    EXPECT_TRUE(listed(L"long")) << "a full-length stored path to a missing program is broken";
    EXPECT_NE(fx::FindByName(results, L"hostile-long.lnk"), nullptr);
    EXPECT_EQ(fx::FindByName(results, L"hostile-random.lnk"), nullptr);
    EXPECT_EQ(totals.count, results.size());

    for (const wchar_t* name : {L"empty", L"truncated", L"random", L"long"})
        DeleteFileW((folder + L"\\hostile-" + name + L".lnk").c_str());
}

}  // namespace
