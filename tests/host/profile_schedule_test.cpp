// Saved profiles and scheduled runs: the profile text read back and refused
// when broken, the task XML and its command line, and ufclean started as a
// user (or Task Scheduler) would: profile, clean --profile, schedule add,
// show, list and remove, and the reports of runs that could not start.
#include <gtest/gtest.h>
#include <windows.h>
#include <nlohmann/json.hpp>
#include <shellapi.h>
#include <shlobj.h>

#include <tuple>
#include <utility>

#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "profiles.h"
#include "schedule.h"
#include "text_format.h"

namespace {

using nlohmann::json;
const auto Ufclean = fx::RunUfclean;

json ReadReport(const std::wstring& path) {
    const std::string text = fx::ReadFileText(path);
    json report = json::parse(text, nullptr, false);
    EXPECT_FALSE(report.is_discarded()) << fx::Narrow(path) << ": " << text;
    return report;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ProfileText, ReadsBackWhatItWritesAndRefusesBrokenTextsWithTheirFault) {
    host::Profile saved;
    saved.name = L"round";
    saved.categories = {9, 16, 5};
    saved.ruleIds = {L"chromium.cookies"};
    saved.withGroups = {host::RuleGroup::History, host::RuleGroup::Session};
    saved.keeps = {L"*\\keep \u00e9*"};
    saved.noDefaultKeep = true;
    saved.olderThanDays = 30;
    host::Profile read;
    read.name = L"round";
    std::wstring error;
    ASSERT_TRUE(host::ParseProfile(host::ProfileJson(saved), &read, &error)) << fx::Narrow(error);
    // ProfileRuns reads back categories, groups, keeps and age from the file.
    EXPECT_EQ(host::ProfileJson(read), host::ProfileJson(saved));
    EXPECT_EQ(read.ruleIds, saved.ruleIds);
    EXPECT_TRUE(read.noDefaultKeep && !read.all);

    const std::pair<const char*, const char*> broken[] = {
        {"{\"categories\": [9],\n \"all\": tru}", "line 2: not valid JSON"},
        {"[9, 16]", "one JSON object"},
        {"{\"categorys\": [9]}", "unknown field \"categorys\""},
        {"{\"categories\": [99]}", "99 is not a category"},
        {"{\"categories\": [\"9\"]}", "is not a category"},
        {"{\"categories\": [-1]}", "-1 is not a category"},
        {"{\"categories\": 9}", "list of category numbers"},
        {"{\"with\": [\"passwords\"]}", "unknown group \"passwords\""},
        {"{\"keep\": [\"\"]}", "non-empty texts"},
        {"{\"all\": 1}", "\"all\" must be true or false"},
        {"{\"olderThanDays\": -3}", "from 0 to 36500"},
        {"{\"olderThanDays\": 40000}", "from 0 to 36500"},
    };
    for (const auto& [text, fault] : broken) {
        host::Profile profile;
        profile.categories = {4};
        error.clear();
        EXPECT_FALSE(host::ParseProfile(text, &profile, &error)) << text;
        EXPECT_TRUE(Has(fx::Narrow(error), fault)) << text << " -> " << fx::Narrow(error);
        EXPECT_EQ(profile.categories, std::vector<std::uint32_t>{4}) << "changed by " << text;
    }
}

// The command line, its quoting and the task's name are proven by running
// what "schedule show" gives (ProfileRuns); here the triggers and the
// principal, which Wine's scheduler never acts on.
TEST(TaskXml, TriggersAndPrincipal) {
    host::Schedule schedule;
    schedule.hour = 3;
    schedule.minute = 30;
    schedule.weekDay = 2;
    const host::TaskAction action = host::ScheduledRun(schedule, L"C:\\UnusedFileClean\\");
    const SYSTEMTIME today = {2026, 3, 0, 4, 0, 0, 0, 0};
    const std::tuple<host::TriggerKind, const char*, const char*> rows[] = {
        {host::TriggerKind::Daily,
         "<StartBoundary>2026-03-04T03:30:00</StartBoundary>\n      <Enabled>true</Enabled>\n"
         "      <ScheduleByDay>\n        <DaysInterval>1</DaysInterval>",
         "<LogonTrigger>"},
        {host::TriggerKind::Weekly, "<Tuesday />\n        </DaysOfWeek>", "<ScheduleByDay>"},
        {host::TriggerKind::Logon, "<UserId>S-1-5-21-7</UserId>\n      <Delay>PT5M</Delay>",
         "<CalendarTrigger>"},
    };
    for (const auto& [trigger, present, absent] : rows) {
        schedule.trigger = trigger;
        const std::string xml =
            host::Utf8(host::BuildTaskXml(schedule, action, L"S-1-5-21-7", today));
        EXPECT_TRUE(Has(xml, present)) << xml;
        EXPECT_FALSE(Has(xml, absent)) << xml;
        EXPECT_TRUE(Has(xml,
                        "<LogonType>InteractiveToken</LogonType>\n"
                        "      <RunLevel>LeastPrivilege</RunLevel>"))
            << xml;
    }
}

TEST(TaskXml, QuotedArgumentsSplitBackIntoTheSameWords) {
    for (const wchar_t* word : {L"plain", L"two words", L"C:\\a b\\", L"C:\\a b\\\\", L"say \"hi\"",
                                L"back\\\"slash", L"", L"tab\there", L"a\\b c"}) {
        const std::wstring line = L"ufclean.exe " + host::QuoteArgument(word) + L" end";
        int count = 0;
        wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_TRUE(argv && count == 3) << fx::Narrow(line);
        EXPECT_EQ(std::wstring(argv[1]), word) << fx::Narrow(line);
        LocalFree(argv);
    }
}

// The text of one XML element of the task, its entities undone.
std::wstring ElementText(const std::string& xml, const std::string& name) {
    const size_t start = xml.find("<" + name + ">");
    const size_t end = xml.find("</" + name + ">");
    if (start == std::string::npos || end == std::string::npos) return {};
    std::wstring text =
        host::Widen(xml.substr(start + name.size() + 2, end - start - name.size() - 2));
    for (const auto& entity : {std::make_pair(L"&quot;", L"\""), std::make_pair(L"&amp;", L"&")})
        for (size_t at = text.find(entity.first); at != std::wstring::npos;
             at = text.find(entity.first, at + 1))
            text.replace(at, wcslen(entity.first), entity.second);
    return text;
}

// A saved choice, run as the task scheduled for it would run it (Wine's
// scheduler never runs a task), cleans with its keep list and age limit and
// writes its report; refused schedules, and a profile gone, broken or
// without its module, stop the run with their report.
TEST(ProfileRuns, ASavedChoiceRunsAsItsTaskAndAGoneOrBrokenProfileStopsTheRunWithItsReport) {
    ASSERT_EQ(Ufclean(L"profile save temp-keep 9 --keep \"*keep*\" --with cookies --older-than 30")
                  .exitCode,
              0u);
    EXPECT_TRUE(Has(Ufclean(L"profile list").out,
                    "temp-keep  categories 9; with cookies; keep *keep*; older than 30"));
    const std::wstring reports = fx::Scratch(L"sched reports & more");
    const fx::RunResult add =
        Ufclean(L"schedule add nightly --profile temp-keep --weekly Tue --time 03:30 --report \"" +
                reports + L"\"");
    ASSERT_EQ(add.exitCode, 0u) << add.out << add.err;
    const std::wstring task = fx::Special(CSIDL_SYSTEM) + L"\\Tasks\\UnusedFileClean\\nightly";
    EXPECT_TRUE(fx::Exists(task));
    EXPECT_TRUE(Has(Ufclean(L"schedule list").out,
                    "nightly  profile temp-keep, weekly on tuesday at 03:30, reports in " +
                        fx::Narrow(reports)));

    // What the task runs, on files older than the profile's 30 days.
    const fx::RunResult show = Ufclean(L"schedule show nightly");
    ASSERT_EQ(show.exitCode, 0u);
    std::wstring command = ElementText(show.out, "Command");
    ASSERT_GT(command.size(), 2u) << show.out;
    if (command.front() == L'"') command = command.substr(1, command.size() - 2);
    const std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    for (const fx::SeededFile& file : seeded) fx::SetWriteAge(file.path, 31 * 24);
    const fx::RunResult run = fx::RunProgram(command, ElementText(show.out, "Arguments"));
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_TRUE(Has(run.out, "kept 1 item(s)")) << run.out;
    for (const fx::SeededFile& file : seeded)
        EXPECT_EQ(fx::Exists(file.path), file.path.find(L"keep") != std::wstring::npos)
            << fx::Narrow(file.path);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((reports + L"\\*-temp-keep-2*.json").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no timestamped report in " << fx::Narrow(reports);
    FindClose(find);
    const json report = ReadReport(reports + L"\\" + entry.cFileName);
    EXPECT_EQ(report["profile"], "temp-keep");
    EXPECT_EQ(report["command"], "clean");
    EXPECT_EQ(report["exitCode"], 0);
    EXPECT_EQ(report["categories"][0]["number"], 9);

    const std::pair<const wchar_t*, DWORD> refused[] = {
        {L"schedule add other --profile never-saved --daily", 4},
        {L"schedule add other --profile temp-keep", 1},
        {L"schedule add other --profile temp-keep --daily --at-logon", 1},
        {L"schedule add other --profile temp-keep --weekly someday", 1},
        {L"schedule add other --profile temp-keep --daily --time 24:00", 1},
        {L"schedule remove never-added", 1},
    };
    for (const auto& [arguments, exitCode] : refused)
        EXPECT_EQ(Ufclean(arguments).exitCode, exitCode) << fx::Narrow(arguments);
    ASSERT_EQ(Ufclean(L"schedule remove nightly").exitCode, 0u);
    EXPECT_FALSE(fx::Exists(task));
    EXPECT_TRUE(Has(Ufclean(L"schedule list").out, "no schedules"));

    fx::MakeFileWithText(host::ProfileFile(L"spoilt"), "{\"categories\": [9],\n \"keep\": 5}");
    const std::wstring program = fx::BinFolder() + L"\\ufclean.exe";
    const std::wstring lonely = fx::Scratch(L"profile-lonely") + L"\\ufclean.exe";
    ASSERT_TRUE(CopyFileW(program.c_str(), lonely.c_str(), FALSE));
    const struct {
        const std::wstring& exe;
        const wchar_t* profile;
        DWORD exitCode;
        const char* reason;
    } failures[] = {
        {program, L"spoilt", 4, "is broken"},
        {program, L"never-saved", 4, "no profile \\\"never-saved\\\""},
        {lonely, L"temp-keep", 3, "UnusedFileClean.dll"},
    };
    for (const auto& row : failures) {
        const std::wstring path = reports + L"\\failed-" + row.profile + L".json";
        const fx::RunResult failed =
            fx::RunProgram(row.exe, L"clean --profile " + std::wstring(row.profile) +
                                        L" --yes --json \"" + path + L"\"");
        EXPECT_EQ(failed.exitCode, row.exitCode) << failed.err;
        const json written = ReadReport(path);
        EXPECT_EQ(written["exitCode"], row.exitCode);
        EXPECT_EQ(written["profile"], fx::Narrow(row.profile));
        EXPECT_TRUE(Has(fx::ReadFileText(path), row.reason)) << fx::ReadFileText(path);
    }

    ASSERT_EQ(Ufclean(L"profile delete temp-keep").exitCode, 0u);
    EXPECT_FALSE(Has(Ufclean(L"profile list").out, "temp-keep"));
    // A name is refused for its first character and for any other one.
    for (const wchar_t* name : {L"../escape", L"ok\\..\\..\\escape"})
        EXPECT_EQ(Ufclean(L"profile save " + std::wstring(name) + L" 9").exitCode, 1u);
}

}  // namespace
