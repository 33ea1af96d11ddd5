// ufclean with the cleaning rules, started as a user would: the opt-in
// rules, the user's rules file, a community rule file, and what a running
// application holds open. (The rule rows of a
// plain scan are checked beside each rule's own scan, in rules_scan_test.)
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include "fixtures/fixtures.h"
#include "fixtures/rule_files.h"
#include "fixtures/run_program.h"
#include "schedule/profiles.h"
#include "rules/model.h"
#include "fs/handles.h"

namespace {

using nlohmann::json;

const auto Ufclean = fx::RunUfclean;

TEST(UfcleanRules, CleanTakesTheNamedRulesKeepsTheUsersDataAndAdvisesOnFilesInUse) {
    const std::vector<fx::RuleFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    // Chrome holds the code cache of Profile 1 open: in use, with advice,
    // not failures.
    auto isHeld = [](const fx::RuleFile& file) {
        return file.rule == L"chromium.code-cache" &&
               file.path.find(L"\\Profile 1\\") != std::wstring::npos;
    };
    std::vector<ufc::unique_hfile> held;
    for (const fx::RuleFile& file : seeded)
        if (isHeld(file)) held.push_back(fx::HoldOpen(file.path));
    // --with history takes category 3 too, which lists the files at the top
    // of Default, History among them: History is edited, not deleted, by
    // chromium.history, which refuses the seeded file (no database), so
    // category 3 takes the files at the top of Default alone.
    const fx::RunResult run = Ufclean(
        L"clean chromium.cache chromium.code-cache chromium.gpu-cache --with history --yes");
    held.clear();
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const fx::RuleFile& file : seeded) {
        const std::size_t profile = file.path.find(L"\\Default\\");
        const bool topOfDefault = profile != std::wstring::npos &&
                                  file.path.find(L'\\', profile + 9) == std::wstring::npos;
        const bool taken = !isHeld(file) &&
                           (file.rule == L"chromium.cache" || file.rule == L"chromium.gpu-cache" ||
                            file.rule == L"chromium.code-cache" ||
                            (file.rule == L"chromium.history" && topOfDefault));
        if (taken) {
            EXPECT_FALSE(fx::Exists(file.path)) << fx::Narrow(file.path);
        } else if (file.rule.empty() || !topOfDefault) {
            EXPECT_TRUE(fx::Exists(file.path)) << fx::Narrow(file.path);
        }
    }
    EXPECT_EQ(fx::Lacking(run.out, {"Chrome: code cache: 3 file(s) in use: close Chrome to clean",
                                    "Chrome: history", "saved passwords"}),
              "")
        << run.out;
}

TEST(UfcleanRules, TheUsersRulesAreListedWithTheBuiltInOnes) {
    const std::wstring good = fx::Scratch(L"rules-good") + L"\\rules.json";
    fx::MakeFileWithText(good,
                         "{\"rules\": [{\"id\": \"chromium.media-cache\", \"name\": \"media "
                         "cache\", \"group\": \"cache\", \"family\": \"chromium\", \"path\": "
                         "\"Media Cache\"}]}");
    const fx::RunResult list = Ufclean(L"rules --rules \"" + good + L"\"");
    ASSERT_EQ(list.exitCode, 0u) << list.err;
    EXPECT_EQ(
        fx::Lacking(list.out, {"  on   chromium.code-cache", "  off  chromium.cookies",
                               "  on   chromium.media-cache",
                               "%LocalAppData%\\Microsoft\\Windows\\Explorer|thumbcache_*.db;"}),
        "");
}

TEST(UfcleanRules, ACommunityFileIsCountedAndItsRulesRunOnlyWhenChosen) {
    const std::wstring app = fx::Special(CSIDL_APPDATA) + L"\\UfcDemo";
    fx::RemoveTree(app);
    for (const wchar_t* path : {L"Cache\\a.bin", L"Cache\\sub\\b.bin", L"Cache\\settings.json",
                                L"Temp\\deep\\c.tmp", L"Secrets\\vault.dat"})
        fx::MakeFile(app + L"\\" + path, 100);
    const std::wstring file = fx::Scratch(L"rules-ini") + L"\\community.ini";
    fx::MakeFileWithText(
        file,
        "; a community rule file\r\n"
        "[UfcDemo Cache *]\r\nDetectFile=%AppData%\\UfcDemo\r\n"
        "FileKey1=%AppData%\\UfcDemo\\Cache|*.*|REMOVESELF\r\n"
        "FileKey2=%AppData%\\UfcDemo\\Temp|*.*|REMOVESELF\r\n"
        "FileKey3=%WinDir%|*.log\r\n"
        "RegKey1=HKCU\\Software\\UfcDemo\\Recent\r\n"
        "[UfcDemo Saved Passwords *]\r\nFileKey1=%AppData%\\UfcDemo\\Secrets|*.*\r\n"
        "[Absent App *]\r\nDetectFile=%AppData%\\NoSuchApp\r\n"
        "FileKey1=%AppData%\\NoSuchApp|*.*\r\n"
        "[Risky *]\r\nFileKey1=%WinDir%|*.log\r\n"
        "[Registry Only *]\r\nRegKey1=HKCU\\Software\\Foo\r\n");
    // A key that reaches too far is dropped, its section keeps the others;
    // the reasons come grouped, each one with --reasons, all as JSON.
    const fx::RunResult imported = Ufclean(L"rules --import \"" + file + L"\" --reasons");
    ASSERT_EQ(imported.exitCode, 0u) << imported.err;
    EXPECT_EQ(
        fx::Lacking(imported.out,
                    {"5 section(s), 3 rule(s) made, 2 key(s) dropped, 2 section(s) skipped",
                     "  reaches the Windows folder as a whole: 2 keys in 2 sections, first "
                     "[UfcDemo Cache *] FileKey3=%WinDir%|*.log",
                     "dropped [Risky *] FileKey1=%WinDir%|*.log: reaches the Windows",
                     "skipped [Risky *]: has no usable FileKey", "on this machine: 2 of 3",
                     "off  ini.ufcdemo-cache  (cache) UfcDemo: cache",
                     "off  ini.ufcdemo-saved-passwords  (credentials) UfcDemo: saved passwords"}),
        "");
    const fx::RunResult asJson = Ufclean(L"rules --import \"" + file + L"\" --json -");
    ASSERT_EQ(asJson.exitCode, 0u) << asJson.err;
    const json report = json::parse(asJson.out);
    EXPECT_EQ(
        report["rules"],
        json::parse(R"(["ini.ufcdemo-cache", "ini.ufcdemo-saved-passwords", "ini.absent-app"])"));
    EXPECT_EQ(report["keysDropped"], 2);
    EXPECT_EQ(report["skippedSections"][1], json::parse(R"({"section": "Registry Only *", "at": 5,
                              "reason": "has only registry keys, which are not supported"})"));
    EXPECT_EQ(report["reasons"][0]["sections"], 2) << asJson.out;

    // Off until chosen, and passwords never by their group (a profile's
    // choice included); chosen, the keep list still spares the settings.
    host::Profile profile;
    profile.name = L"with-credentials";
    profile.withGroups = {host::RuleGroup::Credentials};
    std::wstring error;
    ASSERT_TRUE(host::SaveProfile(profile, &error)) << fx::Narrow(error);
    const fx::RunResult plain =
        Ufclean(L"scan 9 --profile with-credentials --rules \"" + file + L"\"");
    EXPECT_EQ(plain.out.find("UfcDemo"), std::string::npos) << plain.out;
    const fx::RunResult with = Ufclean(L"scan --with cache,credentials --rules \"" + file + L"\"");
    EXPECT_EQ(with.exitCode, 1u);
    EXPECT_EQ(fx::Lacking(with.err, {"--with credentials: rules that take passwords"}), "");
    const fx::RunResult clean = Ufclean(L"clean ini.ufcdemo-cache --yes --rules \"" + file + L"\"");
    ASSERT_EQ(clean.exitCode, 0u) << clean.err;
    EXPECT_EQ(fx::Lacking(clean.out, {"kept 1 item(s): application settings"}), "");
    // Emptied folders go, the one a kept file holds stays.
    for (const wchar_t* gone : {L"Temp", L"Cache\\sub", L"Cache\\a.bin"})
        EXPECT_FALSE(fx::Exists(app + L"\\" + gone)) << fx::Narrow(gone);
    EXPECT_TRUE(fx::Exists(app + L"\\Cache\\settings.json"));
    EXPECT_TRUE(fx::Exists(app + L"\\Secrets\\vault.dat"));
}

}  // namespace
