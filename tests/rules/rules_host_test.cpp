// ufclean with the cleaning rules, started as a user would: the rule rows
// beside the module's categories, the opt-in groups, the user's rules file
// and the advice for files a running browser holds open.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include <map>

#include "fixtures/browser_profiles.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "module_loader.h"
#include "text_format.h"

namespace {

using nlohmann::json;

fx::RunResult Ufclean(const std::wstring& arguments) {
    return fx::RunProgram(host::ProgramFolder() + L"ufclean.exe", arguments);
}

json ScanReport(const std::wstring& arguments) {
    const std::wstring report = fx::Scratch(L"rules-report") + L"\\report.json";
    const fx::RunResult run = Ufclean(L"scan " + arguments + L" --json \"" + report + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    return json::parse(fx::ReadFileText(report), nullptr, false);
}

// Bytes per "rule|browser" section of a report.
std::map<std::string, double> RuleBytes(const json& report) {
    std::map<std::string, double> bytes;
    for (const json& section : report["categories"]) {
        if (!section.contains("rule")) continue;
        const std::string key =
            section["rule"].get<std::string>() + "|" + section["browser"].get<std::string>();
        bytes[key] = section["bytes"].get<double>();
        for (const json& item : section["items"]) EXPECT_EQ(item["rule"], section["rule"]);
        EXPECT_FALSE(section.contains("number")) << key;
    }
    return bytes;
}

void AddSeeded(const std::vector<fx::BrowserFile>& files, const char* browser,
               std::map<std::string, double>* bytes) {
    for (const fx::BrowserFile& file : files)
        if (!file.rule.empty()) (*bytes)[host::Utf8(file.rule) + "|" + browser] += file.size;
}

TEST(UfcleanRules, PlainScanShowsTheCacheRulesOfEveryBrowserBesideTheCategories) {
    std::map<std::string, double> expected;
    AddSeeded(fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"}), "Chrome",
              &expected);
    AddSeeded(fx::SeedChromiumProfiles(L"Microsoft\\Edge", {L"Default"}), "Edge", &expected);
    AddSeeded(fx::SeedFirefoxProfile(L"q1w2e3r4.default-release"), "Firefox", &expected);
    // Without --with only the rules that are on by default run.
    for (auto it = expected.begin(); it != expected.end();) {
        const bool cache = it->first.find("cache") != std::string::npos ||
                           it->first.find("thumbnails") != std::string::npos;
        it = cache ? std::next(it) : expected.erase(it);
    }
    const json report = ScanReport(L"");
    ASSERT_FALSE(report.is_discarded());
    EXPECT_EQ(RuleBytes(report), expected);
    bool moduleCategory = false;
    for (const json& section : report["categories"])
        moduleCategory = moduleCategory || section.contains("number");
    EXPECT_TRUE(moduleCategory);
}

TEST(UfcleanRules, CleanTakesTheNamedRulesAndKeepsTheUsersData) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    // Category 3 lists the files at the top of Default too, History among
    // them: the one file is removed once, not counted failed twice.
    const fx::RunResult run = Ufclean(L"clean 3 chromium.cache --with history --yes");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const fx::BrowserFile& file : seeded) {
        const bool taken = file.rule == L"chromium.cache" || file.rule == L"chromium.history";
        // Category 3 also takes what lies at the top of Default.
        const bool topOfDefault =
            file.path.find(L"\\Default\\") != std::wstring::npos &&
            file.path.find(L'\\', file.path.find(L"\\Default\\") + 9) == std::wstring::npos;
        if (taken) {
            EXPECT_FALSE(fx::Exists(file.path)) << fx::Narrow(file.path);
        } else if (file.rule.empty() || !topOfDefault) {
            EXPECT_TRUE(fx::Exists(file.path)) << fx::Narrow(file.path);
        }
    }
    EXPECT_EQ(run.out.find("in use"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Chrome: history"), std::string::npos) << run.out;
}

TEST(UfcleanRules, KeepPatternsApplyToRuleItems) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    const fx::RunResult run =
        Ufclean(L"clean chromium.gpu-cache --yes --keep \"*\\Profile 1\\GPUCache\\index\"");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("kept 1 item(s)"), std::string::npos) << run.out;
    for (const fx::BrowserFile& file : seeded) {
        if (file.rule != L"chromium.gpu-cache") continue;
        const bool kept = file.path.find(L"\\Profile 1\\GPUCache\\index") != std::wstring::npos;
        EXPECT_EQ(fx::Exists(file.path), kept) << fx::Narrow(file.path);
    }
}

TEST(UfcleanRules, FilesHeldOpenAreInUseWithAdviceNotFailures) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Microsoft\\Edge", {L"Default"});
    std::vector<HANDLE> held;
    for (const fx::BrowserFile& file : seeded)
        if (file.rule == L"chromium.code-cache")
            held.push_back(CreateFileW(file.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    const fx::RunResult run = Ufclean(L"clean chromium.code-cache --yes");
    for (HANDLE handle : held) CloseHandle(handle);
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("Edge: code cache: 3 file(s) in use: close Edge to clean its cache"),
              std::string::npos)
        << run.out;
    for (const fx::BrowserFile& file : seeded)
        if (file.rule == L"chromium.code-cache") {
            EXPECT_TRUE(fx::Exists(file.path));
        }
}

TEST(UfcleanRules, BadRulesFileStopsTheRunBeforeAnythingIsScanned) {
    const std::wstring file = fx::Scratch(L"rules-bad") + L"\\rules.json";
    fx::MakeFileWithText(file,
                         "{\"rules\": [\n"
                         " {\"id\": \"chromium.escape\", \"name\": \"escape\", \"group\": "
                         "\"cache\", \"family\": \"chromium\",\n"
                         "  \"path\": \"User Data\\\\..\\\\..\"}\n]}\n");
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    const fx::RunResult run = Ufclean(L"clean --yes --rules \"" + file + L"\"");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("line 3: the path"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    for (const fx::BrowserFile& file : seeded) EXPECT_TRUE(fx::Exists(file.path));
}

TEST(UfcleanRules, RulesListShowsOnAndOffAndTheUsersRules) {
    const std::wstring file = fx::Scratch(L"rules-good") + L"\\rules.json";
    fx::MakeFileWithText(file,
                         "{\"rules\": [{\"id\": \"chromium.media-cache\", \"name\": \"media "
                         "cache\", \"group\": \"cache\", \"family\": \"chromium\", \"path\": "
                         "\"User Data\\\\*\\\\Media Cache\"}]}");
    const fx::RunResult run = Ufclean(L"rules --rules \"" + file + L"\"");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("  on   chromium.code-cache"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  off  chromium.cookies"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  on   chromium.media-cache"), std::string::npos) << run.out;
    const fx::RunResult unknown = Ufclean(L"scan chromium.nothing");
    EXPECT_EQ(unknown.exitCode, 1u);
    EXPECT_NE(unknown.err.find("unknown category or rule: chromium.nothing"), std::string::npos)
        << unknown.err;
}

}  // namespace
