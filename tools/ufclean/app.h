// The commands of ufclean and what they share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pipeline/choice.h"
#include "pipeline/held_clean.h"
#include "pipeline/stop_signal.h"
#include "platform/module_loader.h"
#include "rules/model.h"

namespace ufclean {

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,
    kExitStopped = 2,
    kExitModule = 3,
    kExitProfile = 4,   // the profile named by --profile is missing or broken
    kExitDeclined = 5,  // the confirmation was answered no: nothing removed
    kExitNoRun = 6,     // undo or history --purge: no such run of the undo store
    kExitNotUndone = 7  // undo: a run that cannot be read, or files that stayed held
};

// schedule add: when the task runs and where its reports go.
struct ScheduleOptions {
    std::wstring trigger;  // "daily", "weekly" or "logon"; empty: none given
    std::wstring weekDay;
    std::wstring clockTime;  // "HH:MM"
    std::wstring reportFolder;
    bool repair = false;  // --repair: a damaged record is salvaged, not refused
};

struct Options {
    std::wstring command;
    bool help = false;  // --help or -h after the command: its usage only
    // What scan, clean and profile save take: categories in the order
    // given (no repeats), rule ids, opt-in groups of rules (--with), 'all'.
    host::Choice choice;
    std::vector<std::wstring> arguments;  // words that are not options
    bool details = false;
    bool yes = false;
    bool noDefaultKeep = false;
    bool haveJson = false;
    std::wstring jsonPath;  // "-" for stdout
    std::vector<std::wstring> keeps;
    std::vector<std::wstring> keptSites;    // a profile's sites whose cookies stay
    std::wstring rulesFile;                 // empty: the one beside the program
    std::vector<host::CleaningRule> rules;  // loaded before a command runs
    std::wstring importFile;                // rules --import FILE: what it gives
    bool reasons = false;                   // ... and every reason it left a key out
    // --older-than DAYS: items written more recently stay (0: no limit).
    std::uint32_t olderThanDays = 0;
    std::wstring profile;          // --profile NAME
    std::size_t givenRuleIds = 0;  // ruleIds named here; the profile's follow
    bool replace = false;          // profile save --replace: over one of that name
    // --schedule NAME: the run is that schedule's task; its report says so,
    // and goes to the default folder when it cannot be written where asked.
    std::wstring scheduleName;
    ScheduleOptions schedule;
    // --undo: what a clean holds for undo (saved with a profile); --keep-days:
    // how long held runs stay; undo --only GLOB; history --purge.
    bool haveUndo = false;
    host::UndoMode undo = host::UndoMode::Default;
    std::uint32_t keepDays = host::kDefaultKeepDays;
    std::wstring only;
    bool purge = false;
};

// One line on stderr: the reason and where to read the usage (the
// command's own, once the command is known); exit 1.
int UsageError(const std::wstring& reason);
// A run that cannot go on: the reason on stderr and, with --json, in its
// report; returns status.
int FailRun(const Options& options, int status, const std::wstring& reason);

// What Ctrl+C stops: the running command, and the cleaner's call.
host::StopSignal& Stop();

// A command of ufclean: its lines of the usage (the full usage is every
// command's in turn), the lines it shares with the commands beside it
// (printed once there), and whether it runs on the module.
struct CommandInfo {
    const wchar_t* name;
    const wchar_t* usage;
    const wchar_t* shared;
    bool module;
};
// Null for a word that names no command.
const CommandInfo* FindCommand(const std::wstring& name);
std::vector<std::wstring> CommandNames();
// The full usage, or one command's (help COMMAND, COMMAND --help).
void PrintUsage(HANDLE to);
int PrintCommandUsage(const CommandInfo& command);
// help [COMMAND]; --version: ufclean's version and its module's.
int RunHelp(const Options& options);
int RunVersion();
// "; did you mean X?" when word is near one of the candidates (edit
// distance, letter case aside), else empty. shown, when given, holds what
// to suggest for each candidate ("16 (Recycle bin)" for "Recycle bin").
std::wstring DidYouMean(const std::wstring& word, const std::vector<std::wstring>& candidates,
                        const std::vector<std::wstring>& shown = {});
// The options that a command's usage names, "--details" and the like.
std::vector<std::wstring> OptionsOf(const CommandInfo& command);

int RunScan(Function::IUnusedFileClean* cleaner, const Options& options);
int RunClean(Function::IUnusedFileClean* cleaner, const Options& options);
int RunDriveScan(Function::IUnusedFileClean* cleaner, const Options& options);
int RunCheck(Function::IUnusedFileClean* cleaner);
int RunDrives(Function::IUnusedFileClean* cleaner);
int RunDownloadDir(Function::IUnusedFileClean* cleaner, const Options& options);
int RunSaveDir(Function::IUnusedFileClean* cleaner, const Options& options);
// What a clean-only step did, as the clean's table and clear-clipboard say
// it: "emptied" (the clipboard), "cleared" (browser tracks), "not done".
std::wstring ActionOutcome(std::uint32_t number, bool done);
int RunCategories();
int RunKeepList();
int RunRules(const Options& options);
int RunProfile(const Options& options);
int RunSchedule(const Options& options);
int RunRemoveUserData();
int RunHistory(const Options& options);
int RunUndo(const Options& options);
int RunCookies(const Options& options);

// The options of saved profiles and schedules (--profile, --older-than,
// --daily, --weekly, --at-logon, --time, --report, --schedule, --repair,
// --replace).
// True when word was one of them; status is then kExitUsage when its value
// was missing or bad.
bool ParseProfileOption(const std::wstring& word, const std::function<bool(std::wstring*)>& next,
                        Options* options, int* status);
// True for "profile save NAME" once its name is read: the words after it
// name categories and rules as scan and clean take them.
bool TakesSelection(const Options& options);
// Adds the --profile's choice to the options, its rules file with it;
// kExitProfile when it is missing or broken (its rules file gone),
// kExitUsage when --rules names another file; the reason in reason.
int ApplyProfile(Options* options, std::wstring* reason);

}  // namespace ufclean
