// Saved profiles and scheduled runs: the profile text read back and refused
// when broken, the task XML and its command line, and ufclean started as a
// user (or Task Scheduler) would: profile, clean --profile, schedule add,
// show, list and remove, and the reports of runs that could not start.
#include <gtest/gtest.h>
#include <windows.h>
#include <nlohmann/json.hpp>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <thread>
#include <tuple>
#include <utility>

#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "schedule/profiles.h"
#include "schedule/schedules.h"
#include "text/format.h"
#include "platform/user_files.h"
#include "rules/model.h"

namespace {

using nlohmann::json;
const auto Ufclean = fx::RunUfclean;

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
    saved.undo = host::UndoMode::All;
    host::Profile read;
    read.name = L"round";
    std::wstring error;
    ASSERT_TRUE(host::ParseProfile(host::ProfileJson(saved), &read, &error)) << fx::Narrow(error);
    // ProfileRuns reads back categories, groups, keeps and age from the file.
    EXPECT_EQ(host::ProfileJson(read), host::ProfileJson(saved));
    EXPECT_EQ(read.ruleIds, saved.ruleIds);
    EXPECT_TRUE(read.noDefaultKeep && !read.all && read.undo == host::UndoMode::All);

    const std::pair<const char*, const char*> broken[] = {
        {"{\"categories\": [9],\n \"all\": tru}", "line 2: not valid JSON"},
        {"[9, 16]", "one JSON object"},
        {"{\"all\": true,\n \"categorys\": [9]}", "line 2: unknown field \"categorys\""},
        {"{\"categories\": [99]}", "99 is not a category"},
        {"{\"categories\": [\"9\"]}", "is not a category"},
        {"{\"categories\": [-1]}", "-1 is not a category"},
        {"{\"categories\": 9}", "list of category numbers"},
        {"{\"with\": [\"passwords\"]}", "unknown group \"passwords\""},
        {"{\"keep\": [\"\"]}", "non-empty texts"},
        {"{\"all\": 1}", "\"all\" must be true or false"},
        {"{\"olderThanDays\": -3}", "from 0 to 36500"},
        {"{\"olderThanDays\": 40000}", "from 0 to 36500"},
        {"{\"undo\": \"some\"}", "\"undo\" must be \"default\", \"all\" or \"none\""},
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

// A schedule's task run as Task Scheduler would run it (Wine's never does):
// its command line from the XML that "schedule show" prints.
fx::RunResult RunTask(const std::wstring& name) {
    const fx::RunResult show = Ufclean(L"schedule show " + name);
    std::wstring command = ElementText(show.out, "Command");
    if (command.size() > 2 && command.front() == L'"')
        command = command.substr(1, command.size() - 2);
    return fx::RunProgram(command, ElementText(show.out, "Arguments"));
}

// The files the pattern finds.
std::vector<std::wstring> Files(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW(pattern.c_str(), &entry));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &entry))
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    return names;
}

// The report the pattern finds ("<folder>\\*-P-2*.json"); null when none.
json ReportIn(const std::wstring& pattern) {
    const std::vector<std::wstring> found = Files(pattern);
    const std::wstring folder = pattern.substr(0, pattern.rfind(L'\\') + 1);
    return found.empty() ? json() : json::parse(fx::ReadFileText(folder + found[0]));
}

// The tasks of the program whose names the pattern matches.
size_t Tasks(const std::wstring& pattern) {
    return Files(fx::Special(CSIDL_SYSTEM) + L"\\Tasks\\UnusedFileClean\\" + pattern).size();
}

// A saved choice, run as the task scheduled for it would run it, cleans
// with its keep list and age limit and writes its report; refused
// schedules, and a profile gone, broken, without its rules file or its
// module, or a report that cannot be written, stop the run with a report
// where one can be written.
TEST(ProfileRuns, ASavedChoiceRunsAsItsTaskAndAGoneOrBrokenProfileStopsTheRunWithItsReport) {
    // Profiles of a run that stopped half-way would refuse the saves below.
    ASSERT_EQ(Ufclean(L"remove-user-data").exitCode, 0u);
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

    // What the task runs, on files older than the profile's 30 days.
    std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    for (const fx::SeededFile& file : seeded) fx::SetWriteAge(file.path, 31 * 24);
    const fx::RunResult run = RunTask(L"nightly");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_TRUE(Has(run.out, "kept 1 item(s)")) << run.out;
    for (const fx::SeededFile& file : seeded)
        EXPECT_EQ(fx::Exists(file.path), file.path.find(L"keep") != std::wstring::npos)
            << fx::Narrow(file.path);
    const json report = ReportIn(reports + L"\\*-temp-keep-2*.json");
    EXPECT_EQ(report["profile"], "temp-keep");
    EXPECT_EQ(report["schedule"], "nightly");
    EXPECT_EQ(report["command"], "clean");
    EXPECT_EQ(report["exitCode"], 0);
    EXPECT_EQ(report["categories"][0]["number"], 9);

    const std::pair<const wchar_t*, DWORD> refused[] = {
        {L"schedule add other --profile never-saved --daily", 4},
        {L"profile save other 9 --rules C:\\never\\rules.json", 1},
        {L"schedule add other --profile temp-keep", 1},
        {L"schedule add other --profile temp-keep --daily --at-logon", 1},
        {L"schedule add other --profile temp-keep --weekly someday", 1},
        {L"schedule add other --profile temp-keep --daily --time 24:00", 1},
        {L"schedule remove never-added", 1},
    };
    for (const auto& [arguments, exitCode] : refused)
        EXPECT_EQ(Ufclean(arguments).exitCode, exitCode) << fx::Narrow(arguments);
    ASSERT_EQ(Ufclean(L"schedule remove nightly").exitCode, 0u);

    // Runs that stop before they clean, each with its report: the tasks of
    // a schedule whose report folder a file took the place of (the report
    // goes to the default folder) and of one whose profile has gone; a
    // profile broken, or whose rules file has gone, or without its module.
    const std::wstring blocked = fx::Scratch(L"sched blocked"),
                       defaults = host::DefaultReportFolder(),
                       rules = fx::Scratch(L"profile-rules") + L"\\mine.json";
    fx::MakeFileWithText(rules,
                         "{\"rules\": [{\"id\": \"mine.logs\", \"name\": \"logs\", \"group\": "
                         "\"logs\", \"application\": \"Mine\", \"path\": "
                         "\"%LocalAppData%\\\\Mine\\\\Logs\"}]}");
    const std::wstring setUp[] = {
        L"profile save gone-soon 9", L"profile save ruled mine.logs --rules \"" + rules + L"\"",
        L"schedule add blocked --profile temp-keep --daily --report \"" + blocked + L"\"",
        L"schedule add orphan --profile gone-soon --daily --report \"" + reports + L"\"",
        L"profile delete gone-soon"};
    for (const std::wstring& arguments : setUp)
        ASSERT_EQ(Ufclean(arguments).exitCode, 0u) << fx::Narrow(arguments);
    DeleteFileW(rules.c_str());
    fx::RemoveTree(blocked);
    fx::MakeFileWithText(blocked, "a file where the report folder was");
    fx::MakeFileWithText(host::ProfileFile(L"spoilt"), "{\"categories\": [9],\n \"keep\": 5}");
    const std::wstring program = fx::BinFolder() + L"\\ufclean.exe";
    const std::wstring lonely = fx::Scratch(L"profile-lonely") + L"\\ufclean.exe";
    ASSERT_TRUE(CopyFileW(program.c_str(), lonely.c_str(), FALSE));
    auto byHand = [&](const wchar_t* profile) {
        return L"clean --profile " + std::wstring(profile) + L" --yes --json \"" + reports +
               L"\\failed-" + profile + L".json\"";
    };
    const struct {
        const std::wstring* exe;  // null: arguments name the schedule whose task runs
        std::wstring arguments, report;
        DWORD exitCode;
        const char* error;
    } stopped[] = {
        {nullptr, L"blocked", defaults + L"\\*-temp-keep-2*.json", 1, "cannot be written"},
        {nullptr, L"orphan", reports + L"\\*-gone-soon-2*.json", 4, "no profile \"gone-soon\""},
        {&program, byHand(L"spoilt"), reports + L"\\failed-spoilt.json", 4, "is broken"},
        {&program, byHand(L"ruled"), reports + L"\\failed-ruled.json", 4,
         "mine.json, which is gone"},
        {&lonely, byHand(L"temp-keep"), reports + L"\\failed-temp-keep.json", 3,
         "UnusedFileClean.dll"},
    };
    seeded = fx::SeedWindowsTemp();
    fx::EmptyFolder(defaults);
    for (const auto& row : stopped) {
        const fx::RunResult ended =
            row.exe ? fx::RunProgram(*row.exe, row.arguments) : RunTask(row.arguments);
        EXPECT_EQ(ended.exitCode, row.exitCode) << fx::Narrow(row.arguments) << ended.err;
        json written = ReportIn(row.report);
        EXPECT_EQ(written["exitCode"], row.exitCode) << fx::Narrow(row.arguments);
        EXPECT_TRUE(row.exe || written["schedule"] == fx::Narrow(row.arguments)) << written;
        EXPECT_TRUE(Has(written.value("error", std::string()), row.error)) << written.dump();
    }
    for (const fx::SeededFile& file : seeded)
        EXPECT_TRUE(fx::Exists(file.path)) << fx::Narrow(file.path);

    ASSERT_EQ(Ufclean(L"profile delete temp-keep").exitCode, 0u);
    EXPECT_FALSE(Has(Ufclean(L"profile list").out, "temp-keep"));
}

// Names as Windows compares file and task names: refused for a path, a
// device name (also with an extension) or a trailing dot; one profile and
// one schedule (with one task) whatever the letter case. Repeated options
// and a report folder with a variable are refused.
TEST(ProfileRuns, NamesAreFileAndTaskNames) {
    ASSERT_EQ(Ufclean(L"remove-user-data").exitCode, 0u);
    ASSERT_EQ(Ufclean(L"profile save named 9").exitCode, 0u);
    const std::pair<std::wstring, const char*> refused[] = {
        {L"profile save ../escape 9", "1 to 64 of"},
        {L"profile save ok\\..\\..\\escape 9", "1 to 64 of"},
        {L"profile save CON 9", "device name"},
        {L"profile save con.txt 9", "device name"},
        {L"profile save Lpt9 9", "device name"},
        {L"profile save COM\u00b9 9", "device name"},
        {L"profile save trail. 9", "end with a dot"},
        {L"schedule add NUL --profile named --daily", "device name"},
        {L"schedule add aux.log --profile named --daily", "device name"},
        {L"schedule add a. --profile named --daily", "end with a dot"},
        {L"schedule add x --profile named --daily --report %TEMP%\\x", "%VARIABLES%"},
        {L"schedule add x --profile named --daily --daily", "repeated option: --daily"},
        {L"profile save Named 16", "profile \"Named\" exists: give --replace"},
    };
    for (const auto& [arguments, reason] : refused) {
        const fx::RunResult run = Ufclean(arguments);
        EXPECT_EQ(run.exitCode, 1u) << fx::Narrow(arguments);
        EXPECT_TRUE(Has(run.err, reason)) << fx::Narrow(arguments) << ": " << run.err;
    }
    const struct {
        const wchar_t *arguments, *listing;
        const char* listed;
        size_t tasks;
    } sameName[] = {
        {L"profile save NAMED 16 --replace", L"profile list", "categories 16", 0},
        {L"schedule add ok1 --profile named --daily", L"schedule list", "ok1  profile named", 1},
        {L"schedule add OK1 --profile NAMED --weekly tue", L"schedule list",
         "OK1  profile NAMED, weekly on tuesday", 1},
        {L"schedule remove Ok1", L"schedule list", "no schedules", 0},
    };
    for (const auto& row : sameName) {
        ASSERT_EQ(Ufclean(row.arguments).exitCode, 0u) << fx::Narrow(row.arguments);
        const std::string list = Ufclean(row.listing).out;
        EXPECT_TRUE(Has(list, row.listed) && std::count(list.begin(), list.end(), '\n') == 1)
            << list;
        EXPECT_EQ(Tasks(L"ok1"), row.tasks) << fx::Narrow(row.arguments);
    }
}

// Six schedule adds at once each keep their record and task; a record
// spoilt by hand is refused with its line (a control character never
// reaches the task's XML) until an add with --repair leaves the spoilt
// schedule out; remove-user-data then leaves no task and no task folder.
TEST(ProfileRuns, RecordsHoldUnderConcurrentAddsAndHandEdits) {
    ASSERT_EQ(Ufclean(L"remove-user-data").exitCode, 0u);
    ASSERT_EQ(Ufclean(L"profile save together 9").exitCode, 0u);
    std::vector<std::thread> adds;
    std::vector<fx::RunResult> added(6);
    for (size_t i = 0; i < added.size(); ++i)
        adds.emplace_back([&added, i] {
            added[i] = Ufclean(L"schedule add at-once-" + std::to_wstring(i) +
                               L" --profile together --daily");
        });
    for (std::thread& add : adds) add.join();
    const std::string list = Ufclean(L"schedule list").out;
    for (size_t i = 0; i < added.size(); ++i) {
        EXPECT_EQ(added[i].exitCode, 0u) << added[i].err;
        EXPECT_TRUE(Has(list, "at-once-" + std::to_string(i) + "  profile together")) << list;
    }
    EXPECT_EQ(Tasks(L"at-once-*"), 6u);

    const std::wstring record = host::UserDataFolder() + L"\\schedules.json";
    const std::string saved = fx::ReadFileText(record);
    auto entry = [](const std::string& name, const std::string& report) {
        return "{\"name\": \"" + name +
               "\", \"profile\": \"together\", \"trigger\": \"daily\", \"day\": \"monday\", "
               "\"time\": \"12:00\",\n \"report\": \"" +
               report + "\"}";
    };
    const std::string spoiltEntry = entry("spoilt", "C:\\\\r\\u0001<x>");
    const std::pair<std::string, const char*> spoilt[] = {
        {"{\"schedules\": [\n" + spoiltEntry + "]}", "schedules.json line 3: the report folder"},
        {"{\"schedules\": [\n{\"name\": 5}]}", "schedules.json line 2: \"name\" must be a text"},
        {"{\"schedules\": [\n" + entry("dup", "C:\\\\r") + ",\n" + entry("DUP", "C:\\\\r") + "]}",
         "line 4: a second schedule named \"dup\""},
        {"{\"schedules\": [\n{\"name\": }]}", "schedules.json line 2: not valid JSON"},
    };
    for (const auto& [text, fault] : spoilt) {
        fx::MakeFileWithText(record, text);
        const fx::RunResult add = Ufclean(L"schedule add more --profile together --daily");
        EXPECT_EQ(add.exitCode, 1u);
        EXPECT_TRUE(Has(add.err, fault) && Has(add.err, "--repair")) << text << add.err;
    }
    fx::MakeFileWithText(record, saved.substr(0, saved.rfind(']')) + ",\n" + spoiltEntry + "]}");
    const fx::RunResult repaired =
        Ufclean(L"schedule add more --profile together --daily --repair");
    EXPECT_EQ(repaired.exitCode, 0u) << repaired.err;
    EXPECT_TRUE(Has(repaired.out, "left out: ") && fx::Exists(record + L".damaged"))
        << repaired.out;
    const std::string written = fx::ReadFileText(record);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '{') + 1,
              std::count(written.begin(), written.end(), '{'))
        << written;

    // No task, record or task folder stays, nor a task folder left empty.
    const std::wstring taskFolder = fx::Special(CSIDL_SYSTEM) + L"\\Tasks\\UnusedFileClean";
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(Ufclean(L"remove-user-data").exitCode, 0u);
        EXPECT_EQ(Tasks(L"at-once-*"), 0u);
        EXPECT_FALSE(fx::Exists(record));
        EXPECT_FALSE(fx::Exists(taskFolder)) << run;
        CreateDirectoryW(taskFolder.c_str(), nullptr);
    }
    RemoveDirectoryW(taskFolder.c_str());
}

}  // namespace
