// Saved profiles in ufclean: their options, the profile command, and a
// profile's choice added to a scan or clean.
#include <windows.h>

#include <algorithm>

#include "app.h"
#include "platform/console.h"
#include "pipeline/kept_sites.h"
#include "schedule/profiles.h"
#include "schedule/schedules.h"
#include "text/format.h"
#include "fs/fold.h"
#include "rules/model.h"
#include "schedule/names.h"
#include "schedule/records_lock.h"

namespace ufclean {

namespace {

template <typename T>
void AddMissing(std::vector<T>* to, const std::vector<T>& from) {
    for (const T& value : from)
        if (std::find(to->begin(), to->end(), value) == to->end()) to->push_back(value);
}

std::wstring Joined(const std::vector<std::wstring>& words) {
    std::wstring text;
    for (const std::wstring& word : words) text += (text.empty() ? L"" : L", ") + word;
    return text;
}

// "categories 9, 16; rules chromium.cookies; keep *x*; older than 30 days".
std::wstring Summary(const host::Profile& profile) {
    std::vector<std::wstring> parts, words;
    if (profile.all) parts.push_back(L"every scan category and the default rules");
    for (std::uint32_t number : profile.categories) words.push_back(std::to_wstring(number));
    if (!words.empty()) parts.push_back(L"categories " + Joined(words));
    if (!profile.ruleIds.empty()) parts.push_back(L"rules " + Joined(profile.ruleIds));
    words.clear();
    for (host::RuleGroup group : profile.withGroups) words.push_back(host::GroupName(group));
    if (!words.empty()) parts.push_back(L"with " + Joined(words));
    if (!profile.keeps.empty()) parts.push_back(L"keep " + Joined(profile.keeps));
    if (!profile.keptSites.empty())
        parts.push_back(L"cookies of " + Joined(profile.keptSites) + L" kept");
    if (profile.noDefaultKeep) parts.push_back(L"without the built-in keep list");
    if (profile.olderThanDays)
        parts.push_back(L"older than " + std::to_wstring(profile.olderThanDays) + L" days");
    if (!profile.rulesFile.empty()) parts.push_back(L"rules from " + profile.rulesFile);
    if (profile.undo != host::UndoMode::Default)
        parts.push_back(L"undo " + std::wstring(host::UndoModeName(profile.undo)));
    std::wstring text;
    for (const std::wstring& part : parts) text += (text.empty() ? L"" : L"; ") + part;
    return text;
}

// The schedules that run the profile (their record read as it is).
std::vector<std::wstring> SchedulesRunning(const std::wstring& profile) {
    std::vector<host::Schedule> schedules;
    std::wstring error;
    host::LoadSchedules(&schedules, &error);
    std::vector<std::wstring> names;
    for (const host::Schedule& schedule : schedules)
        if (ufc::SameFolded(schedule.profile, profile)) names.push_back(schedule.name);
    return names;
}

int Refuse(const std::wstring& reason, int status) {
    host::Err(L"ufclean: " + reason + L"\n");
    return status;
}

int SaveFromOptions(const Options& options) {
    host::Profile profile;
    profile.name = options.arguments[1];
    const host::Choice& choice = options.choice;
    profile.categories = choice.categories;
    // Nothing named is what a plain "ufclean clean" does: everything.
    profile.all = choice.Defaults();
    profile.ruleIds = choice.ruleIds;
    profile.withGroups = choice.withGroups;
    profile.keeps = options.keeps;
    profile.keptSites = host::KeptSiteNames();
    profile.noDefaultKeep = options.noDefaultKeep;
    profile.olderThanDays = options.olderThanDays;
    profile.undo = options.undo;
    std::wstring error;
    host::RecordsLock lock;
    if (!host::KeepRulesFile(&profile, options.rulesFile, options.rules, &error) ||
        !lock.Acquire(&error))
        return Refuse(error, kExitUsage);
    // A schedule runs a profile by its name: a save over one changes what
    // the schedule cleans, so it is never done unasked.
    host::Profile old;
    const bool exists =
        host::LoadProfile(profile.name, &old, &error) != host::ProfileStatus::Missing;
    const std::wstring runBy = Joined(SchedulesRunning(profile.name));
    if (exists && !options.replace)
        return Refuse(L"profile \"" + profile.name + L"\" exists" +
                          (runBy.empty() ? L"" : L" (run by schedule " + runBy + L")") +
                          L": give --replace to save over it",
                      kExitUsage);
    if (!host::SaveProfile(profile, &error)) return Refuse(error, kExitUsage);
    host::Out((exists ? L"replaced profile " : L"saved profile ") + profile.name + L": " +
              Summary(profile) + L"\n  " + host::ProfileFile(profile.name) + L"\n" +
              (exists && !runBy.empty() ? L"  now run by schedule " + runBy + L"\n" : L""));
    return kExitOk;
}

}  // namespace

bool ParseProfileOption(const std::wstring& word, const std::function<bool(std::wstring*)>& next,
                        Options* options, int* status) {
    std::wstring value;
    ScheduleOptions& schedule = options->schedule;
    auto setTrigger = [&](const wchar_t* trigger) {
        if (!schedule.trigger.empty())
            *status = UsageError(L"give one of --daily, --weekly DAY and --at-logon");
        schedule.trigger = trigger;
    };
    if (word == L"--profile") {
        std::wstring reason = L"none given";
        if (!next(&options->profile) || !host::CheckName(options->profile, &reason))
            *status = UsageError(L"--profile needs a profile name: " + reason);
    } else if (word == L"--older-than") {
        if (!next(&value) || !host::ParseCount(value, 36500, &options->olderThanDays))
            *status = UsageError(L"--older-than needs a number of days from 0 to 36500");
    } else if (word == L"--undo") {
        options->haveUndo = true;
        if (!next(&value) || !host::ParseUndoMode(value, &options->undo))
            *status = UsageError(L"--undo needs default, all or none");
    } else if (word == L"--keep-days") {
        if (!next(&value) || !host::ParseCount(value, 3650, &options->keepDays))
            *status = UsageError(L"--keep-days needs a number of days from 0 to 3650");
    } else if (word == L"--daily" || word == L"--at-logon") {
        setTrigger(word == L"--daily" ? L"daily" : L"logon");
    } else if (word == L"--weekly") {
        setTrigger(L"weekly");
        int day = 0;
        if (!next(&schedule.weekDay) || !host::ParseWeekDay(schedule.weekDay, &day))
            *status = UsageError(L"--weekly needs a day such as monday");
    } else if (word == L"--time") {
        int hour = 0, minute = 0;
        if (!next(&schedule.clockTime) || !host::ParseClockTime(schedule.clockTime, &hour, &minute))
            *status = UsageError(L"--time needs a time of day such as 03:30");
    } else if (word == L"--report") {
        if (!next(&schedule.reportFolder) || schedule.reportFolder.empty())
            *status = UsageError(L"--report needs a folder");
    } else if (word == L"--schedule") {
        std::wstring reason = L"none given";
        if (!next(&options->scheduleName) || !host::CheckName(options->scheduleName, &reason))
            *status = UsageError(L"--schedule needs a schedule name: " + reason);
    } else if (word == L"--repair") {
        schedule.repair = true;
    } else if (word == L"--replace") {
        options->replace = true;
    } else {
        return false;
    }
    return true;
}

bool TakesSelection(const Options& options) {
    return options.command == L"profile" && options.arguments.size() >= 2 &&
           options.arguments[0] == L"save";
}

int ApplyProfile(Options* options, std::wstring* reason) {
    if (options->profile.empty()) return kExitOk;
    host::Profile profile;
    if (host::LoadProfile(options->profile, &profile, reason) != host::ProfileStatus::Ok)
        return kExitProfile;
    // The profile's rules come from the file it was saved with.
    if (!profile.rulesFile.empty()) {
        wchar_t full[MAX_PATH] = {};
        if (options->rulesFile.empty()) {
            options->rulesFile = profile.rulesFile;
        } else if (GetFullPathNameW(options->rulesFile.c_str(), MAX_PATH, full, nullptr) >=
                       MAX_PATH ||
                   !ufc::SameFolded(full, profile.rulesFile)) {
            *reason = L"--rules " + options->rulesFile + L" is not the rules file of profile \"" +
                      profile.name + L"\" (" + profile.rulesFile + L")";
            return kExitUsage;
        }
    }
    host::Choice& choice = options->choice;
    AddMissing(&choice.categories, profile.categories);
    choice.all = choice.all || profile.all;
    AddMissing(&choice.ruleIds, profile.ruleIds);
    AddMissing(&choice.withGroups, profile.withGroups);
    AddMissing(&options->keeps, profile.keeps);
    AddMissing(&options->keptSites, profile.keptSites);
    options->noDefaultKeep = options->noDefaultKeep || profile.noDefaultKeep;
    // An age given on the command line wins over the profile's.
    if (options->olderThanDays == 0) options->olderThanDays = profile.olderThanDays;
    if (!options->haveUndo) options->undo = profile.undo;
    return kExitOk;
}

int RunProfile(const Options& options) {
    const std::vector<std::wstring>& words = options.arguments;
    const std::wstring verb = words.empty() ? std::wstring() : words[0];
    if (verb == L"save" && words.size() >= 2) return SaveFromOptions(options);
    if (verb == L"list" && words.size() == 1) {
        const std::vector<std::wstring> names = host::ProfileNames();
        if (names.empty()) host::Out(L"no saved profiles\n");
        for (const std::wstring& name : names) {
            host::Profile profile;
            std::wstring error;
            const bool read = host::LoadProfile(name, &profile, &error) == host::ProfileStatus::Ok;
            host::Out(name + L"  " + (read ? Summary(profile) : L"(broken: " + error + L")") +
                      L"\n");
        }
        return kExitOk;
    }
    if ((verb == L"show" || verb == L"delete") && words.size() == 2) {
        host::Profile profile;
        std::wstring error;
        if (verb == L"delete") {
            host::RecordsLock lock;
            if (!lock.Acquire(&error)) return Refuse(error, kExitUsage);
            if (!host::DeleteProfile(words[1], &error)) return Refuse(error, kExitProfile);
            host::Out(L"deleted profile " + words[1] + L"\n");
            // Its schedules stay: their runs will say that the profile is gone.
            for (const std::wstring& schedule : SchedulesRunning(words[1]))
                host::Out(L"note: schedule " + schedule +
                          L" still runs it (ufclean schedule remove " + schedule + L")\n");
            return kExitOk;
        }
        if (host::LoadProfile(words[1], &profile, &error) != host::ProfileStatus::Ok)
            return Refuse(error, kExitProfile);
        host::Out(profile.name + L": " + Summary(profile) + L"\n  " +
                  host::ProfileFile(profile.name) + L"\n");
        return kExitOk;
    }
    return UsageError(L"profile takes: save NAME [choice], list, show NAME or delete NAME");
}

}  // namespace ufclean
