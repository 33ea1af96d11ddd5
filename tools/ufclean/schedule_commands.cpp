// Scheduled runs in ufclean: schedule add, list, show and remove, and the
// removal of a user's data that an uninstall does when asked.
#include <windows.h>

#include <algorithm>

#include "app.h"
#include "platform/console.h"
#include "platform/module_loader.h"
#include "schedule/profiles.h"
#include "schedule/schedules.h"
#include "text/format.h"
#include "fs/fold.h"
#include "platform/program_folder.h"
#include "platform/user_files.h"
#include "schedule/names.h"
#include "schedule/records_lock.h"
#include "schedule/task_scheduler.h"

namespace ufclean {

namespace {

int Refuse(const std::wstring& reason, int status) {
    host::Err(L"ufclean: " + reason + L"\n");
    return status;
}

std::wstring TaskXmlOf(const host::Schedule& schedule) {
    SYSTEMTIME today = {};
    GetLocalTime(&today);
    return host::BuildTaskXml(schedule, host::ScheduledRun(schedule, host::ProgramFolder()),
                              host::CurrentUserSid(), today);
}

int Add(const Options& options, std::vector<host::Schedule> schedules) {
    const ScheduleOptions& given = options.schedule;
    host::Schedule schedule;
    schedule.name = options.arguments[1];
    schedule.profile = options.profile;
    std::wstring error;
    if (!host::CheckName(schedule.name, &error)) return UsageError(error);
    if (schedule.profile.empty()) return UsageError(L"schedule add needs --profile NAME");
    if (given.trigger.empty())
        return UsageError(L"schedule add needs --daily, --weekly DAY or --at-logon");
    // The profile must be there now; a run that finds it gone later says so.
    host::Profile profile;
    if (host::LoadProfile(schedule.profile, &profile, &error) != host::ProfileStatus::Ok)
        return Refuse(error, kExitProfile);
    schedule.trigger = given.trigger == L"daily"    ? host::TriggerKind::Daily
                       : given.trigger == L"weekly" ? host::TriggerKind::Weekly
                                                    : host::TriggerKind::Logon;
    if (!given.weekDay.empty()) host::ParseWeekDay(given.weekDay, &schedule.weekDay);
    if (!given.clockTime.empty())
        host::ParseClockTime(given.clockTime, &schedule.hour, &schedule.minute);
    const std::wstring folder =
        given.reportFolder.empty() ? host::DefaultReportFolder() : given.reportFolder;
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return UsageError(L"--report: not a folder path: " + folder);
    schedule.reportFolder = full;
    if (!host::CheckReportFolder(schedule.reportFolder, &error))
        return UsageError(L"--report: " + error);
    if (!host::MakeFolder(schedule.reportFolder, &error)) return Refuse(error, kExitUsage);

    if (!host::RegisterTask(schedule.name, TaskXmlOf(schedule), &error))
        return Refuse(error, kExitUsage);
    // One name, one task: Task Scheduler takes "OK1" for the task of "ok1".
    bool replaced = false;
    for (host::Schedule& old : schedules)
        if (ufc::SameFolded(old.name, schedule.name)) old = schedule, replaced = true;
    if (!replaced) schedules.push_back(schedule);
    if (!host::SaveSchedules(schedules, &error)) return Refuse(error, kExitUsage);
    const host::TaskAction action = host::ScheduledRun(schedule, host::ProgramFolder());
    host::Out((replaced ? L"rescheduled " : L"scheduled ") + schedule.name +
              L": clean with profile " + schedule.profile + L" " + host::DescribeTrigger(schedule) +
              L"\n  task " + host::TaskPath(schedule.name) + L" runs: " +
              host::QuoteArgument(action.command) + L" " + action.arguments + L"\n  reports in " +
              schedule.reportFolder + L"\n");
    return kExitOk;
}

const host::Schedule* Find(const std::vector<host::Schedule>& schedules, const std::wstring& name) {
    for (const host::Schedule& schedule : schedules)
        if (ufc::SameFolded(schedule.name, name)) return &schedule;
    return nullptr;
}

int Remove(const std::wstring& given, std::vector<host::Schedule> schedules) {
    const host::Schedule* found = Find(schedules, given);
    if (!found) return Refuse(L"no schedule " + given, kExitUsage);
    const std::wstring name = found->name;
    std::wstring error;
    // A task deleted by hand already is no reason to keep its record.
    if (host::TaskExists(name) && !host::DeleteTask(name, &error)) return Refuse(error, kExitUsage);
    schedules.erase(std::remove_if(schedules.begin(), schedules.end(),
                                   [&](const host::Schedule& s) { return s.name == name; }),
                    schedules.end());
    if (!host::SaveSchedules(schedules, &error)) return Refuse(error, kExitUsage);
    host::Out(L"removed schedule " + name + L"\n");
    return kExitOk;
}

}  // namespace

int RunSchedule(const Options& options) {
    const std::vector<std::wstring>& words = options.arguments;
    const std::wstring verb = words.empty() ? std::wstring() : words[0];
    // add and remove read, change and write the record (and the tasks) as
    // one step, under the lock.
    const bool writes = (verb == L"add" || verb == L"remove") && words.size() == 2;
    host::RecordsLock lock;
    std::vector<host::Schedule> schedules;
    std::vector<std::wstring> dropped;
    std::wstring error;
    if (writes && !lock.Acquire(&error)) return Refuse(error, kExitUsage);
    if (!host::LoadSchedules(&schedules, &error,
                             writes && options.schedule.repair ? &dropped : nullptr))
        return Refuse(error +
                          L"\n  fix it by hand, or give a schedule add or remove --repair: the "
                          L"schedules at fault are left out, the file kept as "
                          L"schedules.json.damaged",
                      kExitUsage);
    if (!dropped.empty()) {
        for (const std::wstring& fault : dropped) host::Out(L"left out: " + fault + L"\n");
        host::Out(L"the damaged record is kept as " + host::KeepDamagedRecord() + L"\n");
    }
    if (verb == L"add" && words.size() == 2) return Add(options, schedules);
    if (verb == L"remove" && words.size() == 2) return Remove(words[1], schedules);
    if (verb == L"show" && words.size() == 2) {
        const host::Schedule* schedule = Find(schedules, words[1]);
        if (!schedule) return Refuse(L"no schedule " + words[1], kExitUsage);
        host::Out(TaskXmlOf(*schedule));
        return kExitOk;
    }
    if (verb == L"list" && words.size() == 1) {
        if (schedules.empty()) host::Out(L"no schedules\n");
        for (const host::Schedule& schedule : schedules)
            host::Out(schedule.name + L"  profile " + schedule.profile + L", " +
                      host::DescribeTrigger(schedule) + L", reports in " + schedule.reportFolder +
                      (host::TaskExists(schedule.name) ? L"" : L"  (task missing)") + L"\n");
        return kExitOk;
    }
    return UsageError(
        L"schedule takes: add NAME --profile P --daily|--weekly DAY|--at-logon, "
        L"list, show NAME or remove NAME");
}

int RunRemoveUserData() {
    const std::wstring roaming = host::UserDataFolder(), local = host::LocalDataFolder();
    int tasks = 0, files = 0;
    {
        host::RecordsLock lock;
        std::wstring error;
        if (!lock.Acquire(&error)) return Refuse(error, kExitUsage);
        // A damaged record still gives the tasks of its good schedules.
        std::vector<host::Schedule> schedules;
        std::vector<std::wstring> dropped;
        host::LoadSchedules(&schedules, &error, &dropped);
        for (const host::Schedule& schedule : schedules)
            if (host::DeleteTask(schedule.name, &error)) ++tasks;
        host::DeleteTaskFolderIfEmpty();  // also one left by a record deleted by hand
        if (!roaming.empty()) {
            files += host::DeleteFilesIn(roaming + L"\\profiles", L"*.json");
            files += host::DeleteFilesIn(roaming, L"schedules.json*");
        }
    }
    // The lock file went with the lock: now the folder may go too.
    if (!roaming.empty()) host::DeleteFilesIn(roaming, L"records.lock");
    if (!local.empty()) {
        files += host::DeleteFilesIn(local + L"\\logs", L"*");
        files += host::DeleteFilesIn(local + L"\\reports", L"*.json");
        files += host::DeleteFilesIn(local, L"*.json");
    }
    std::wstring program = host::ProgramFolder();
    program.pop_back();  // its trailing backslash
    files += host::DeleteFilesIn(program, L"ufclean-rules.json");
    host::Out(L"removed " + std::to_wstring(tasks) + L" scheduled task(s) and " +
              std::to_wstring(files) + L" file(s) of this user's data\n");
    return kExitOk;
}

}  // namespace ufclean
