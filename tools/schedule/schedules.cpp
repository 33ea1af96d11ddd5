// The pure part of scheduled runs (the task's XML, its command line) and
// the record of the schedules.
#include "schedule/schedules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "text/json_lines.h"
#include "text/format.h"
#include "platform/user_files.h"
#include "fs/fold.h"
#include "schedule/names.h"

namespace host {

namespace {

using nlohmann::json;

const wchar_t* const kWeekDays[] = {L"sunday",   L"monday", L"tuesday", L"wednesday",
                                    L"thursday", L"friday", L"saturday"};
// The element names Task Scheduler uses for the days of a week.
const wchar_t* const kWeekDayElements[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                           L"Thursday", L"Friday", L"Saturday"};

std::wstring TwoDigits(int value) {
    return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

// Text as XML element or attribute text. A control character cannot be
// written in XML at all (the values are checked before they come here):
// it becomes U+FFFD rather than a task file that is not well-formed.
std::wstring XmlText(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        const wchar_t* entity = c == L'&'    ? L"&amp;"
                                : c == L'<'  ? L"&lt;"
                                : c == L'>'  ? L"&gt;"
                                : c == L'"'  ? L"&quot;"
                                : c == L'\'' ? L"&apos;"
                                : c < 0x20   ? L"\uFFFD"
                                             : nullptr;
        if (entity)
            out += entity;
        else
            out += c;
    }
    return out;
}

const char* TriggerWord(TriggerKind kind) {
    return kind == TriggerKind::Daily ? "daily" : kind == TriggerKind::Weekly ? "weekly" : "logon";
}

std::wstring ScheduleFile() {
    const std::wstring folder = UserDataFolder();
    return folder.empty() ? folder : folder + L"\\schedules.json";
}

// Reads one schedule, its values checked as the command line checks them;
// false with the reason and the line of the faulty field.
bool ReadSchedule(const json& entry, const JsonElementLines& lines, Schedule* schedule,
                  std::size_t* line, std::wstring* reason) {
    auto fail = [&](const std::string& field, const std::wstring& why) {
        *line = lines.Of(field);
        *reason = why;
        return false;
    };
    if (!entry.is_object()) return fail("", L"a schedule is one JSON object");
    static const char* const fields[] = {"name", "profile", "trigger", "day", "time", "report"};
    for (const auto& field : entry.items())
        if (std::none_of(std::begin(fields), std::end(fields),
                         [&](const char* known) { return field.key() == known; }))
            return fail(field.key(), L"unknown field \"" + Widen(field.key()) + L"\"");
    std::wstring text[6], why;
    for (size_t i = 0; i < 6; ++i) {
        if (!entry.contains(fields[i]) || !entry[fields[i]].is_string())
            return fail(fields[i], L"\"" + Widen(fields[i]) + L"\" must be a text");
        text[i] = Widen(entry[fields[i]].get<std::string>());
    }
    schedule->name = text[0];
    schedule->profile = text[1];
    schedule->reportFolder = text[5];
    if (!CheckName(schedule->name, &why)) return fail("name", why);
    if (!CheckName(schedule->profile, &why)) return fail("profile", why);
    bool known = false;
    for (TriggerKind kind : {TriggerKind::Daily, TriggerKind::Weekly, TriggerKind::Logon})
        if (text[2] == Widen(TriggerWord(kind))) {
            schedule->trigger = kind;
            known = true;
        }
    if (!known) return fail("trigger", L"\"trigger\" must be daily, weekly or logon");
    if (!ParseWeekDay(text[3], &schedule->weekDay))
        return fail("day", L"\"day\" must be a day of the week such as monday");
    if (!ParseClockTime(text[4], &schedule->hour, &schedule->minute))
        return fail("time", L"\"time\" must be a time of day from 00:00 to 23:59");
    if (!CheckReportFolder(schedule->reportFolder, &why)) return fail("report", why);
    return true;
}

}  // namespace

bool ParseWeekDay(const std::wstring& text, int* day) {
    for (int i = 0; i < 7; ++i)
        if (ufc::SameFolded(text, kWeekDays[i]) ||
            (text.size() == 3 && ufc::SameFolded(text, std::wstring_view(kWeekDays[i], 3)))) {
            *day = i;
            return true;
        }
    return false;
}

const wchar_t* WeekDayName(int day) {
    return kWeekDays[day >= 0 && day < 7 ? day : 0];
}

bool ParseClockTime(const std::wstring& text, int* hour, int* minute) {
    if (text.size() != 5 || text[2] != L':') return false;
    for (size_t i : {0, 1, 3, 4})
        if (text[i] < L'0' || text[i] > L'9') return false;
    const int h = (text[0] - L'0') * 10 + (text[1] - L'0');
    const int m = (text[3] - L'0') * 10 + (text[4] - L'0');
    if (h > 23 || m > 59) return false;
    *hour = h;
    *minute = m;
    return true;
}

std::wstring DescribeTrigger(const Schedule& schedule) {
    const std::wstring at = L" at " + TwoDigits(schedule.hour) + L":" + TwoDigits(schedule.minute);
    switch (schedule.trigger) {
        case TriggerKind::Daily:
            return L"daily" + at;
        case TriggerKind::Weekly:
            return std::wstring(L"weekly on ") + WeekDayName(schedule.weekDay) + at;
        default:
            return L"at logon";
    }
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    // Before the closing quote every backslash is doubled.
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

bool CheckReportFolder(const std::wstring& folder, std::wstring* reason) {
    if (folder.find(L'%') == std::wstring::npos)
        return CheckFullPath(folder, L"the report folder", reason);
    *reason =
        L"the report folder is taken as written: give the folder itself, without "
        L"%VARIABLES% (Task Scheduler would expand them when the task runs): " +
        folder;
    return false;
}

TaskAction ScheduledRun(const Schedule& schedule, const std::wstring& programFolder) {
    std::wstring folder = schedule.reportFolder;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    const std::wstring report = folder + L"{computer}-" + schedule.profile + L"-{time}.json";
    TaskAction action;
    action.command = programFolder + L"ufclean.exe";
    action.arguments = L"clean --profile " + QuoteArgument(schedule.profile) + L" --schedule " +
                       QuoteArgument(schedule.name) + L" --yes --json " + QuoteArgument(report);
    action.workingDirectory = programFolder;
    if (action.workingDirectory.size() > 3 && action.workingDirectory.back() == L'\\')
        action.workingDirectory.pop_back();
    return action;
}

std::wstring BuildTaskXml(const Schedule& schedule, const TaskAction& action,
                          const std::wstring& userId, const SYSTEMTIME& today) {
    const std::wstring start = std::to_wstring(today.wYear) + L"-" + TwoDigits(today.wMonth) +
                               L"-" + TwoDigits(today.wDay) + L"T" + TwoDigits(schedule.hour) +
                               L":" + TwoDigits(schedule.minute) + L":00";
    std::wstring trigger;
    switch (schedule.trigger) {
        case TriggerKind::Daily:
            trigger = L"    <CalendarTrigger>\n      <StartBoundary>" + start +
                      L"</StartBoundary>\n      <Enabled>true</Enabled>\n"
                      L"      <ScheduleByDay>\n        <DaysInterval>1</DaysInterval>\n"
                      L"      </ScheduleByDay>\n    </CalendarTrigger>\n";
            break;
        case TriggerKind::Weekly:
            trigger =
                L"    <CalendarTrigger>\n      <StartBoundary>" + start +
                L"</StartBoundary>\n      <Enabled>true</Enabled>\n"
                L"      <ScheduleByWeek>\n        <DaysOfWeek>\n          <" +
                kWeekDayElements[schedule.weekDay >= 0 && schedule.weekDay < 7 ? schedule.weekDay
                                                                               : 0] +
                L" />\n        </DaysOfWeek>\n        <WeeksInterval>1</WeeksInterval>\n"
                L"      </ScheduleByWeek>\n    </CalendarTrigger>\n";
            break;
        case TriggerKind::Logon:
            // A few minutes after logon, so that the clean does not slow it.
            trigger = L"    <LogonTrigger>\n      <Enabled>true</Enabled>\n      <UserId>" +
                      XmlText(userId) +
                      L"</UserId>\n      <Delay>PT5M</Delay>\n    </LogonTrigger>\n";
            break;
    }
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           L"<Task version=\"1.2\" "
           L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           L"  <RegistrationInfo>\n    <Author>UnusedFileClean</Author>\n"
           L"    <Description>Cleans with the saved profile &quot;" +
           XmlText(schedule.profile) + L"&quot;, " + XmlText(DescribeTrigger(schedule)) +
           L"; the reports go to " + XmlText(schedule.reportFolder) + L"</Description>\n    <URI>" +
           XmlText(TaskPath(schedule.name)) + L"</URI>\n  </RegistrationInfo>\n  <Triggers>\n" +
           trigger +
           L"  </Triggers>\n  <Principals>\n    <Principal id=\"Author\">\n      <UserId>" +
           XmlText(userId) +
           L"</UserId>\n      <LogonType>InteractiveToken</LogonType>\n"
           L"      <RunLevel>LeastPrivilege</RunLevel>\n    </Principal>\n  </Principals>\n"
           L"  <Settings>\n"
           L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           L"    <DisallowStartIfOnBatteries>true</DisallowStartIfOnBatteries>\n"
           L"    <StopIfGoingOnBatteries>true</StopIfGoingOnBatteries>\n"
           L"    <StartWhenAvailable>true</StartWhenAvailable>\n"
           L"    <Enabled>true</Enabled>\n"
           L"    <ExecutionTimeLimit>PT2H</ExecutionTimeLimit>\n"
           L"    <Priority>7</Priority>\n"
           L"  </Settings>\n"
           L"  <Actions Context=\"Author\">\n    <Exec>\n      <Command>" +
           XmlText(QuoteArgument(action.command)) + L"</Command>\n      <Arguments>" +
           XmlText(action.arguments) + L"</Arguments>\n      <WorkingDirectory>" +
           XmlText(action.workingDirectory) +
           L"</WorkingDirectory>\n    </Exec>\n  </Actions>\n</Task>\n";
}

std::wstring TaskPath(const std::wstring& name) {
    return L"\\UnusedFileClean\\" + name;
}

bool LoadSchedules(std::vector<Schedule>* schedules, std::wstring* error,
                   std::vector<std::wstring>* dropped) {
    const std::wstring path = ScheduleFile();
    std::string text;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    if (!ReadTextFile(path, &text)) {
        *error = L"cannot read " + path;
        return false;
    }
    // Refused, or left out of a salvaged record.
    auto fault = [&](std::size_t line, const std::wstring& reason) {
        const std::wstring said = path + L" line " + std::to_wstring(line) + L": " + reason;
        if (dropped) dropped->push_back(said);
        if (!dropped) *error = said;
        return dropped != nullptr;
    };
    json root;
    JsonLines lines;
    std::size_t line = 1;
    std::wstring reason;
    if (!ParseJsonLines(text, &root, &lines, &line, &reason))
        return fault(line, L"not valid JSON (" + reason + L")");
    if (!root.is_object() || root.size() != 1 || !root.contains("schedules") ||
        !root["schedules"].is_array())
        return fault(1, L"the record is one object with \"schedules\", a list of schedules");
    const json& list = root["schedules"];
    for (size_t i = 0; i < list.size(); ++i) {
        Schedule schedule;
        bool good = ReadSchedule(list[i], lines.elements.at(i), &schedule, &line, &reason);
        for (const Schedule& earlier : *schedules)
            if (good && ufc::SameFolded(earlier.name, schedule.name)) {
                good = false;
                line = lines.elements.at(i).Of("name");
                reason = L"a second schedule named \"" + earlier.name + L"\" (letter case aside)";
            }
        if (good)
            schedules->push_back(schedule);
        else if (!fault(line, reason))
            return false;
    }
    return true;
}

std::wstring KeepDamagedRecord() {
    const std::wstring path = ScheduleFile(), copy = path + L".damaged";
    CopyFileW(path.c_str(), copy.c_str(), FALSE);
    return copy;
}

bool SaveSchedules(const std::vector<Schedule>& schedules, std::wstring* error) {
    json list = json::array();
    for (const Schedule& schedule : schedules)
        list.push_back(
            {{"name", Utf8(schedule.name)},
             {"profile", Utf8(schedule.profile)},
             {"trigger", TriggerWord(schedule.trigger)},
             {"day", Utf8(WeekDayName(schedule.weekDay))},
             {"time", Utf8(TwoDigits(schedule.hour) + L":" + TwoDigits(schedule.minute))},
             {"report", Utf8(schedule.reportFolder)}});
    const json root = {{"schedules", list}};
    return MakeFolder(UserDataFolder(), error) &&
           WriteTextFile(ScheduleFile(), root.dump(2) + "\n", error);
}

}  // namespace host
