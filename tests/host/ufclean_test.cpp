// End-to-end tests: ufclean.exe started as a user would, on seeded junk in
// this program's prefix, checked by its exit status, output and effects.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "mini_json.h"
#include "module_loader.h"
#include "text_format.h"

namespace {

fx::RunResult Ufclean(const std::wstring& arguments) {
    return fx::RunProgram(host::ProgramFolder() + L"ufclean.exe", arguments);
}

// The report's items of one category section, keyed by lower-case path.
std::map<std::string, hostjson::Value> ItemsOf(const hostjson::Value& report,
                                               std::uint32_t category) {
    std::map<std::string, hostjson::Value> items;
    for (const hostjson::Value& section : report["categories"].items) {
        if (section["number"].number != category) continue;
        for (const hostjson::Value& item : section["items"].items) {
            std::wstring path = host::Widen(item["path"].text);
            CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
            items[host::Utf8(path)] = item;
        }
    }
    return items;
}

std::string LowerUtf8(std::wstring path) {
    CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
    return host::Utf8(path);
}

hostjson::Value ScanReport(const std::wstring& categories, std::string* raw) {
    const std::wstring report = fx::Scratch(L"host-report") + L"\\report.json";
    const fx::RunResult run = Ufclean(L"scan " + categories + L" --json \"" + report + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    *raw = fx::ReadFileText(report);
    hostjson::Value parsed;
    size_t offset = 0;
    EXPECT_TRUE(hostjson::Parse(*raw, &parsed, &offset)) << "bad JSON at " << offset;
    return parsed;
}

TEST(UfcleanReport, JsonListsSeededFilesWithCategoriesAndSizes) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    const std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    std::string raw;
    const hostjson::Value report = ScanReport(L"9", &raw);
    const auto items = ItemsOf(report, 9);
    ASSERT_EQ(items.size(), seeded.size()) << raw;
    double bytes = 0;
    for (const fx::SeededFile& file : seeded) {
        auto found = items.find(LowerUtf8(file.path));
        ASSERT_NE(found, items.end()) << fx::Narrow(file.path) << "\n" << raw;
        EXPECT_EQ(found->second["category"].number, 9);
        EXPECT_EQ(found->second["size"].number, static_cast<double>(file.size));
        bytes += static_cast<double>(file.size);
    }
    EXPECT_EQ(report["categories"].items.at(0)["bytes"].number, bytes);
    EXPECT_EQ(report["total"]["count"].number, static_cast<double>(seeded.size()));
}

TEST(UfcleanReport, NonAsciiNamesSurviveAsUtf8) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    fx::SeedWindowsTemp();
    std::string raw;
    const hostjson::Value report = ScanReport(L"9", &raw);
    // Raw UTF-8 of U+00DC, U+65E5 and U+1F600 (a surrogate pair in UTF-16).
    EXPECT_NE(raw.find("\xC3\x9C"
                       "bersicht \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.tmp"),
              std::string::npos)
        << raw;
    bool named = false;
    for (const auto& entry : ItemsOf(report, 9))
        named = named || host::Widen(entry.second["name"].text) ==
                             L"\u00dcbersicht \u65e5\u672c \U0001F600.tmp";
    EXPECT_TRUE(named);
}

TEST(UfcleanClean, KeepRuleSparesMatchingTempFileAndRemovesTheRest) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    const std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    const fx::RunResult run = Ufclean(L"clean 9 --yes --keep \"*keep*\"");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const fx::SeededFile& file : seeded) {
        const bool kept = file.path.find(L"keep") != std::wstring::npos;
        EXPECT_EQ(fx::Exists(file.path), kept) << fx::Narrow(file.path);
    }
    EXPECT_NE(run.out.find("kept 1 item(s)"), std::string::npos) << run.out;
}

TEST(UfcleanClean, RefusesWithoutConsoleOrYes) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    const std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    const fx::RunResult run = Ufclean(L"clean 9");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("--yes"), std::string::npos) << run.err;
    for (const fx::SeededFile& file : seeded) EXPECT_TRUE(fx::Exists(file.path));
}

TEST(UfcleanClean, DefaultKeepListProtectsBrowserProfileData) {
    const std::vector<fx::SeededFile> seeded = fx::SeedChromeProfile();
    const fx::RunResult run = Ufclean(L"clean 3 --yes");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const wchar_t* name :
         {L"Login Data", L"Web Data", L"Bookmarks", L"Preferences", L"Secure Preferences"}) {
        bool present = false;
        for (const fx::SeededFile& file : seeded)
            if (file.path.size() > wcslen(name) &&
                file.path.compare(file.path.size() - wcslen(name), std::wstring::npos, name) == 0 &&
                file.path[file.path.size() - wcslen(name) - 1] == L'\\')
                present = fx::Exists(file.path);
        EXPECT_TRUE(present) << fx::Narrow(name);
    }
    // Traces beside them are taken.
    for (const fx::SeededFile& file : seeded)
        if (file.path.find(L"\\Visited Links") != std::wstring::npos) {
            EXPECT_FALSE(fx::Exists(file.path));
        }
    EXPECT_NE(run.out.find("saved passwords"), std::string::npos) << run.out;
}

TEST(UfcleanErrors, UnknownCategoryOrCommandExitsOneWithReasonAndUsage) {
    const fx::RunResult category = Ufclean(L"scan 99");
    EXPECT_EQ(category.exitCode, 1u);
    EXPECT_NE(category.err.find("unknown category: 99"), std::string::npos) << category.err;
    EXPECT_NE(category.err.find("usage:"), std::string::npos);
    const fx::RunResult command = Ufclean(L"sweep");
    EXPECT_EQ(command.exitCode, 1u);
    EXPECT_NE(command.err.find("unknown command: sweep"), std::string::npos) << command.err;
}

TEST(UfcleanErrors, MissingModuleExitsThreeNamingIt) {
    const std::wstring lonely = fx::Scratch(L"host-lonely") + L"\\ufclean.exe";
    ASSERT_TRUE(CopyFileW((host::ProgramFolder() + L"ufclean.exe").c_str(), lonely.c_str(), FALSE));
    const fx::RunResult run = fx::RunProgram(lonely, L"scan 9");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_NE(run.err.find("UnusedFileClean.dll"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("host-lonely"), std::string::npos) << run.err;
}

}  // namespace

namespace {

TEST(UfcleanClean, KeepRuleOnRecycledItemSkipsTheWholeBin) {
    fx::EmptyRecycleBin();
    const std::vector<fx::SeededFile> recycled = fx::SeedRecycledFiles();
    ASSERT_EQ(recycled.size(), 2u);
    const fx::RunResult run = Ufclean(L"clean 16 --yes --keep \"*old draft*\"");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("category 16 skipped: the recycle bin is always emptied whole"),
              std::string::npos)
        << run.out;
    // Both items are still in the bin.
    std::string raw;
    const auto items = ItemsOf(ScanReport(L"16", &raw), 16);
    for (const fx::SeededFile& file : recycled)
        EXPECT_EQ(items.count(LowerUtf8(file.path)), 1u) << fx::Narrow(file.path) << raw;
}

}  // namespace
