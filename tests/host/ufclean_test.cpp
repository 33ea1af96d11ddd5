// ufclean.exe started as a user would, on seeded junk in this program's
// prefix, checked by its exit status, output, report and effects.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include <map>
#include <set>

#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "text_format.h"

namespace {

using fx::RunUfclean;
using nlohmann::json;

std::string LowerUtf8(std::wstring path) {
    CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
    return host::Utf8(path);
}

json ScanReport(const std::wstring& categories, std::string* raw) {
    const std::wstring report = fx::Scratch(L"host-report") + L"\\report.json";
    const fx::RunResult run = RunUfclean(L"scan " + categories + L" --json \"" + report + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    *raw = fx::ReadFileText(report);
    return json::parse(*raw, nullptr, false);
}

// The items of one category section, keyed by lower-case path.
std::map<std::string, json> ItemsOf(const json& report, int category) {
    std::map<std::string, json> items;
    for (const json& section : report["categories"])
        if (section.value("number", 0) == category)
            for (const json& item : section["items"])
                items[LowerUtf8(host::Widen(item["path"].get<std::string>()))] = item;
    return items;
}

// The scan's report lists the seeded files with their sizes and UTF-8 names;
// a clean then spares what the keep rules match and removes the rest.
TEST(Ufclean, TheReportListsTheSeededFilesAndACleanSparesWhatTheKeepRulesMatch) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    std::string raw;
    const json report = ScanReport(L"9", &raw);
    ASSERT_FALSE(report.is_discarded()) << raw;
    const auto items = ItemsOf(report, 9);
    ASSERT_EQ(items.size(), seeded.size()) << raw;
    std::uint64_t bytes = 0;
    for (const fx::SeededFile& file : seeded) {
        auto found = items.find(LowerUtf8(file.path));
        ASSERT_NE(found, items.end()) << fx::Narrow(file.path) << "\n" << raw;
        EXPECT_EQ(found->second["category"], 9);
        EXPECT_EQ(found->second["size"], file.size);
        bytes += file.size;
    }
    EXPECT_EQ(report["categories"][0]["bytes"], bytes);
    EXPECT_EQ(report["total"]["count"], seeded.size());
    // Raw UTF-8 of U+00DC, U+65E5 and U+1F600 (a surrogate pair in UTF-16).
    EXPECT_NE(raw.find("\xC3\x9C"
                       "bersicht \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.tmp"),
              std::string::npos)
        << raw;

    fx::RunResult run = RunUfclean(L"clean 9 --yes --keep \"*keep*\"");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const fx::SeededFile& file : seeded)
        EXPECT_EQ(fx::Exists(file.path), file.path.find(L"keep") != std::wstring::npos)
            << fx::Narrow(file.path);
    EXPECT_NE(run.out.find("kept 1 item(s)"), std::string::npos) << run.out;

    // The built-in keep list spares the browser's own files, not its traces.
    seeded = fx::SeedChromeProfile();
    run = RunUfclean(L"clean 3 --yes");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const std::set<std::wstring> own = {L"Login Data",  L"Web Data",           L"Bookmarks",
                                        L"Preferences", L"Secure Preferences", L"Visited Links"};
    for (const fx::SeededFile& file : seeded) {
        const std::wstring name = file.path.substr(file.path.rfind(L'\\') + 1);
        if (own.count(name)) {
            EXPECT_EQ(fx::Exists(file.path), name != L"Visited Links") << fx::Narrow(name);
        }
    }
    EXPECT_NE(run.out.find("saved passwords"), std::string::npos) << run.out;

    // A keep rule on one recycled item keeps the whole bin.
    fx::EmptyRecycleBin();
    const std::vector<fx::SeededFile> recycled = fx::SeedRecycledFiles();
    run = RunUfclean(L"clean 16 --yes --keep \"*old draft*\"");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("category 16 skipped: the recycle bin is always emptied whole"),
              std::string::npos)
        << run.out;
    const auto bin = ItemsOf(ScanReport(L"16", &raw), 16);
    for (const fx::SeededFile& file : recycled)
        EXPECT_EQ(bin.count(LowerUtf8(file.path)), 1u) << fx::Narrow(file.path) << raw;
}

TEST(Ufclean, RefusalsExitWithTheirStatusAndReasonAndTouchNothing) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    const std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    const std::wstring lonely = fx::Scratch(L"host-lonely") + L"\\ufclean.exe";
    ASSERT_TRUE(CopyFileW((fx::BinFolder() + L"\\ufclean.exe").c_str(), lonely.c_str(), FALSE));
    const struct {
        fx::RunResult run;
        DWORD exitCode;
        std::vector<const char*> reasons;
    } rows[] = {
        {RunUfclean(L"clean 9"), 1, {"--yes"}},  // no console, no --yes
        {RunUfclean(L"scan 99"), 1, {"unknown category: 99", "usage:"}},
        {RunUfclean(L"sweep"), 1, {"unknown command: sweep"}},
        {fx::RunProgram(lonely, L"scan 9"), 3, {"UnusedFileClean.dll", "host-lonely"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.run.exitCode, row.exitCode) << row.run.err;
        for (const char* reason : row.reasons)
            EXPECT_NE(row.run.err.find(reason), std::string::npos) << row.run.err;
    }
    for (const fx::SeededFile& file : seeded) EXPECT_TRUE(fx::Exists(file.path));
}

}  // namespace
