// The commands of ufclean and what they share.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "module_loader.h"
#include "rules.h"

namespace ufclean {

enum ExitCode { kExitOk = 0, kExitUsage = 1, kExitStopped = 2, kExitModule = 3 };

struct Options {
    std::wstring command;
    std::vector<std::uint32_t> categories;  // in the order given, no repeats
    std::vector<std::wstring> arguments;    // words that are not options
    bool details = false;
    bool yes = false;
    bool noDefaultKeep = false;
    bool haveJson = false;
    std::wstring jsonPath;  // "-" for stdout
    std::vector<std::wstring> keeps;
    // Cleaning rules: those named, the groups of --with, and the rules that
    // are on by default when no category or 'all' was given.
    std::vector<std::wstring> ruleIds;
    std::vector<host::RuleGroup> withGroups;
    bool defaultRules = false;
    std::wstring rulesFile;                 // empty: the one beside the program
    std::vector<host::CleaningRule> rules;  // loaded before a command runs
    std::wstring importFile;                // rules --import FILE: what it gives
    // --older-than DAYS: items written more recently stay (0: no limit).
    std::uint32_t olderThanDays = 0;
};

// A reason printed before the usage; exit 1.
int UsageError(const std::wstring& reason);

// Ctrl+C: the handler stores the stop flag in the running cleaner.
void WatchCtrlC(Function::IUnusedFileClean* cleaner);
bool StopWasRequested();
const std::atomic<bool>* StopSignal();

int RunScan(Function::IUnusedFileClean* cleaner, const Options& options);
int RunClean(Function::IUnusedFileClean* cleaner, const Options& options);
int RunDriveScan(Function::IUnusedFileClean* cleaner, const Options& options);
int RunCheck(Function::IUnusedFileClean* cleaner);
int RunDrives(Function::IUnusedFileClean* cleaner);
int RunDownloadDir(Function::IUnusedFileClean* cleaner, const Options& options);
int RunSaveDir(Function::IUnusedFileClean* cleaner, const Options& options);
int RunCategories();
int RunKeepList();
int RunRules(const Options& options);

// The rules that the options select, in table order (no repeats).
std::vector<const host::CleaningRule*> SelectedRules(const Options& options);

}  // namespace ufclean
