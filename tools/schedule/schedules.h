// Scheduled runs: a saved profile cleaned by Task Scheduler, daily, weekly or
// at logon, each run leaving a timestamped JSON report in a folder. The
// task is built as Task Scheduler XML by a pure function and registered
// through the scheduler's COM interface; the list of schedules is this
// program's own record beside the profiles.
#pragma once

#include <windows.h>

#include <string>
#include <vector>
#include "schedule/task_scheduler.h"

namespace host {

enum class TriggerKind { Daily, Weekly, Logon };

struct Schedule {
    std::wstring name;
    std::wstring profile;
    TriggerKind trigger = TriggerKind::Daily;
    int weekDay = 1;  // 0 Sunday to 6 Saturday, for Weekly
    int hour = 12, minute = 0;
    std::wstring reportFolder;  // absolute
};

// "monday" or "mon" (any case) to 1; false for anything else.
bool ParseWeekDay(const std::wstring& text, int* day);
const wchar_t* WeekDayName(int day);
// "HH:MM", 00:00 to 23:59.
bool ParseClockTime(const std::wstring& text, int* hour, int* minute);
// "daily at 12:00", "weekly on monday at 03:30", "at logon".
std::wstring DescribeTrigger(const Schedule& schedule);

// One argument as the C runtime splits a command line back into argv:
// quoted when it holds a space, a tab or a quote, backslashes doubled
// before a quote.
std::wstring QuoteArgument(const std::wstring& argument);

// A report folder as --report gives it and the record keeps it: a full
// path (CheckFullPath) without '%': Task Scheduler would expand a
// %VARIABLE% in the task's arguments, so the folder is taken as written or
// refused, never changed at run time. False with the reason.
bool CheckReportFolder(const std::wstring& folder, std::wstring* reason);

// What the task runs: ufclean.exe in programFolder (with its trailing
// backslash), "clean --profile P --schedule NAME --yes --json
// FOLDER\{computer}-P-{time}.json".
struct TaskAction {
    std::wstring command;
    std::wstring arguments;
    std::wstring workingDirectory;
};
TaskAction ScheduledRun(const Schedule& schedule, const std::wstring& programFolder);

// The task as Task Scheduler XML: the trigger (first run on `today` at the
// schedule's time), the action, and a principal that runs it as userId (a
// SID) when that user is logged on, without elevation.
std::wstring BuildTaskXml(const Schedule& schedule, const TaskAction& action,
                          const std::wstring& userId, const SYSTEMTIME& today);

// "\UnusedFileClean\<name>".
std::wstring TaskPath(const std::wstring& name);

// The record of the schedules made by this user: schedules.json in the
// user's data folder. A missing record is an empty list. Every value is
// checked as the command line checks it; a record with a fault (bad JSON, an
// unknown field, a bad value, a second schedule of one name) is refused
// whole with "<file> line <n>: <reason>". Given dropped, the record is
// salvaged instead: the faulty schedules (all, for bad JSON) are left out
// and their faults listed there.
bool LoadSchedules(std::vector<Schedule>* schedules, std::wstring* error,
                   std::vector<std::wstring>* dropped = nullptr);
// Before a salvaged record is written back: a copy of it as it was, in
// schedules.json.damaged; its path.
std::wstring KeepDamagedRecord();
// Writes the record; the caller holds the RecordsLock from its load on.
bool SaveSchedules(const std::vector<Schedule>& schedules, std::wstring* error);

}  // namespace host
