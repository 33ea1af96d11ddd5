// ufclean: the console host of UnusedFileClean.dll.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwchar>

#include "app.h"
#include "pipeline/categories.h"
#include "platform/console.h"
#include "run_record.h"
#include "rules/json_reader.h"
#include "rules/model.h"

namespace ufclean {

namespace {

// The command being parsed or run: a usage error points at its usage.
const CommandInfo* g_command = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    Stop().Request();
    return TRUE;  // the command finishes its report and exits with 2
}

// Parses a category word: a number of the table. Returns 0 when it is none.
std::uint32_t ParseCategory(const std::wstring& word) {
    if (word.empty() || word.size() > 3) return 0;
    for (wchar_t c : word)
        if (c < L'0' || c > L'9') return 0;
    const auto number = static_cast<std::uint32_t>(std::wcstoul(word.c_str(), nullptr, 10));
    return host::FindCategory(number) ? number : 0;
}

bool CommandTakesCategories(const std::wstring& command) {
    return command == L"scan" || command == L"clean";
}

// "cookies,history" into groups; false for an unknown group.
bool ParseGroups(const std::wstring& list, std::vector<host::RuleGroup>* groups) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L',', start);
        if (end == std::wstring::npos) end = list.size();
        host::RuleGroup group;
        if (!host::ParseGroup(list.substr(start, end - start), &group)) return false;
        groups->push_back(group);
        start = end + 1;
    }
    return true;
}

bool IsNumber(const std::wstring& word) {
    for (wchar_t c : word)
        if (c < L'0' || c > L'9') return false;
    return !word.empty();
}

// The command, or --help and --version; one line for a word that is none.
int ParseCommand(const std::wstring& word, Options* options) {
    options->command = word == L"--help" || word == L"-h" ? L"help" : word;
    g_command = FindCommand(options->command);
    if (g_command || word == L"--version") return kExitOk;
    std::vector<std::wstring> names = CommandNames();
    names.insert(names.end(), {L"--help", L"--version"});
    return UsageError(
        (word.size() > 1 && word[0] == L'-' ? L"unknown option: " : L"unknown command: ") + word +
        DidYouMean(word, names));
}

int Parse(int argc, wchar_t** argv, Options* options) {
    if (argc < 2) {
        PrintUsage(GetStdHandle(STD_ERROR_HANDLE));
        return kExitUsage;
    }
    if (int status = ParseCommand(argv[1], options)) return status;
    if (!g_command) return kExitOk;  // --version: nothing follows
    // Asked for its usage, a command reads no further.
    for (int i = 2; i < argc; ++i)
        if (std::wstring(argv[i]) == L"--help" || std::wstring(argv[i]) == L"-h")
            options->help = true;
    if (options->help) return kExitOk;
    host::Choice& choice = options->choice;
    std::vector<std::wstring> seen;
    for (int i = 2; i < argc; ++i) {
        const std::wstring word = argv[i];
        auto next = [&](std::wstring* value) {
            if (i + 1 >= argc) return false;
            *value = argv[++i];
            return true;
        };
        // Every option but --keep is given once: a second value would win
        // or add up unseen.
        if (word.size() > 1 && word[0] == L'-' && word != L"--keep") {
            const std::wstring name = word == L"-y" ? L"--yes" : word;
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                return UsageError(L"repeated option: " + word);
            seen.push_back(name);
        }
        if (word == L"--details") {
            options->details = true;
        } else if (word == L"--purge") {
            options->purge = true;
        } else if (word == L"--only") {
            if (!next(&options->only) || options->only.empty())
                return UsageError(L"--only needs a pattern");
        } else if (word == L"--reasons") {
            options->reasons = true;
        } else if (word == L"--yes" || word == L"-y") {
            options->yes = true;
        } else if (word == L"--no-default-keep") {
            options->noDefaultKeep = true;
        } else if (word == L"--json") {
            if (!next(&options->jsonPath)) return UsageError(L"--json needs a file name or -");
            options->haveJson = true;
        } else if (word == L"--keep") {
            std::wstring glob;
            if (!next(&glob) || glob.empty()) return UsageError(L"--keep needs a pattern");
            options->keeps.push_back(glob);
        } else if (word == L"--with") {
            std::wstring groups;
            if (!next(&groups) || !ParseGroups(groups, &choice.withGroups))
                return UsageError(L"--with needs groups such as cookies,history,session,developer");
            for (host::RuleGroup group : choice.withGroups)
                if (group == host::RuleGroup::Credentials)
                    return UsageError(
                        L"--with credentials: rules that take passwords, keys, bookmarks or sync "
                        L"data run only when named by their id (see ufclean rules)");
        } else if (word == L"--rules") {
            if (!next(&options->rulesFile) || options->rulesFile.empty())
                return UsageError(L"--rules needs a file name");
        } else if (word == L"--import") {
            if (!next(&options->importFile) || options->importFile.empty())
                return UsageError(L"--import needs a file name");
        } else if (int status = kExitOk; ParseProfileOption(word, next, options, &status)) {
            if (status) return status;
        } else if (word.size() > 1 && word[0] == L'-' && word != L"-") {
            return UsageError(L"unknown option: " + word + DidYouMean(word, OptionsOf(*g_command)));
        } else if (CommandTakesCategories(options->command) || TakesSelection(*options)) {
            if (word == L"all") {
                choice.all = true;
                continue;
            }
            if (!IsNumber(word)) {
                // A rule id, checked once the rules are loaded.
                choice.ruleIds.push_back(word);
                continue;
            }
            const std::uint32_t number = ParseCategory(word);
            if (!number)
                return UsageError(L"unknown category: " + word + L" (see ufclean categories)");
            bool seen = false;
            for (std::uint32_t c : choice.categories) seen = seen || c == number;
            if (!seen) choice.categories.push_back(number);
        } else {
            options->arguments.push_back(word);
        }
    }
    options->givenRuleIds = choice.ruleIds.size();
    return kExitOk;
}

// "; did you mean ...?" for a word that names no rule: a rule id, a
// category by its name, or a group of --with near it.
std::wstring NearestChoice(const std::wstring& word, const std::vector<host::CleaningRule>& rules) {
    std::vector<std::wstring> names, shown;
    for (const host::CleaningRule& rule : rules) {
        names.push_back(rule.id);
        shown.push_back(rule.id);
    }
    for (const host::CategoryInfo& info : host::Categories()) {
        if (info.kind == host::CategoryKind::None) continue;
        names.push_back(info.name);
        shown.push_back(std::to_wstring(info.number) + L" (" + info.name + L")");
    }
    for (host::RuleGroup group : host::AllGroups()) {
        if (group != host::RuleGroup::Credentials) {  // never taken by --with
            names.push_back(host::GroupName(group));
            shown.push_back(L"--with " + names.back());
        }
    }
    return DidYouMean(word, names, shown);
}

// Loads the built-in and the user's rules; a bad or missing rules file
// stops the command before anything runs.
int LoadRulesFor(Options* options) {
    std::wstring error;
    if (!host::LoadRules(options->rulesFile, &options->rules, &error))
        return FailRun(*options, kExitUsage, error);
    for (size_t i = 0; i < options->choice.ruleIds.size(); ++i) {
        const std::wstring& id = options->choice.ruleIds[i];
        bool known = false;
        for (const host::CleaningRule& rule : options->rules) known = known || rule.id == id;
        if (known) continue;
        if (i >= options->givenRuleIds)
            return FailRun(*options, kExitProfile,
                           L"profile \"" + options->profile + L"\" names the rule " + id +
                               L", which its rules file no longer has");
        return FailRun(*options, kExitUsage,
                       L"unknown category or rule: " + id + NearestChoice(id, options->rules) +
                           L" (see ufclean rules)");
    }
    return kExitOk;
}

// scan or clean with --rules FILE and no choice at all would run none of
// the file's rules (unless some are on by default): refused, saying how to
// choose them, rather than running the default scan as if the file were not
// given.
int RefuseUnchosenRules(const Options& options) {
    const host::Choice& choice = options.choice;
    const bool alone = choice.Defaults() && !choice.all && choice.withGroups.empty();
    if (options.rulesFile.empty() || !alone) return kExitOk;
    for (const host::CleaningRule* rule : host::ChosenRules(choice, options.rules))
        if (rule->source != host::RuleSource::BuiltIn) return kExitOk;
    std::size_t given = 0;
    for (const host::CleaningRule& rule : options.rules)
        given += rule.source == host::RuleSource::BuiltIn ? 0 : 1;
    if (given == 0) return kExitOk;
    return FailRun(options, kExitUsage,
                   options.rulesFile + L" gives " + std::to_wstring(given) +
                       L" rule(s), all off until chosen: name their ids (ufclean rules --rules "
                       L"FILE lists them) or use --with GROUP");
}

int Dispatch(Options& options) {
    const std::wstring& command = options.command;
    if (command == L"--version") return RunVersion();
    if (options.help) return PrintCommandUsage(*g_command);
    if (command == L"help") return RunHelp(options);
    if (command == L"categories") return RunCategories();
    if (command == L"keep-list") return RunKeepList();
    if (command == L"schedule") return RunSchedule(options);
    if (command == L"remove-user-data") return RunRemoveUserData();
    if (command == L"history") return RunHistory(options);
    if (command == L"undo") return RunUndo(options);
    if (command == L"drive-scan" && options.arguments.size() != 1)
        return UsageError(L"drive-scan needs one drive root, such as C:\\");
    if (options.haveJson) {
        options.jsonPath =
            ExpandReportPath(options.jsonPath, options.profile, options.scheduleName);
        // Nothing runs before its report can be written.
        if (CommandTakesCategories(command) || command == L"drive-scan")
            if (int status = ClaimReport(options.jsonPath, command, !options.scheduleName.empty()))
                return status;
    }
    if (CommandTakesCategories(command)) {
        std::wstring reason;
        if (int status = ApplyProfile(&options, &reason)) return FailRun(options, status, reason);
    }
    if (command == L"rules" || command == L"cookies" || CommandTakesCategories(command) ||
        TakesSelection(options)) {
        if (int status = LoadRulesFor(&options)) return status;
        if (int status = CommandTakesCategories(command) ? RefuseUnchosenRules(options) : 0)
            return status;
    }
    if (command == L"rules") return RunRules(options);
    if (command == L"cookies") return RunCookies(options);
    if (command == L"profile") return RunProfile(options);
    if (!g_command->module) return UsageError(L"unknown command: " + command);

    host::LoadedCleaner cleaner;
    std::wstring error;
    if (!cleaner.Load(&error)) return FailRun(options, kExitModule, error);
    Stop().Attach(cleaner.get());
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    int status = kExitOk;
    if (command == L"scan")
        status = RunScan(cleaner.get(), options);
    else if (command == L"clean")
        status = RunClean(cleaner.get(), options);
    else if (command == L"check")
        status = RunCheck(cleaner.get());
    else if (command == L"drives")
        status = RunDrives(cleaner.get());
    else if (command == L"drive-scan")
        status = RunDriveScan(cleaner.get(), options);
    else if (command == L"download-dir")
        status = RunDownloadDir(cleaner.get(), options);
    else if (command == L"save-dir")
        status = RunSaveDir(cleaner.get(), options);
    else if (command == L"clear-clipboard") {
        host::Out(L"clipboard " + ActionOutcome(kCategoryClipboard, cleaner->ClearClipboard()) +
                  L"\n");
    } else {
        host::Out(cleaner->CleanSearchAssistantMru() ? L"search history deleted\n"
                                                     : L"search history not deleted\n");
    }
    Stop().Attach(nullptr);  // the handler must not reach a released cleaner
    return status;
}

}  // namespace

int UsageError(const std::wstring& reason) {
    // A reason that names where to look already needs no pointer.
    const bool pointed = reason.find(L"(see ufclean") != std::wstring::npos;
    const std::wstring usage = g_command && g_command->name != std::wstring(L"help")
                                   ? L"ufclean " + std::wstring(g_command->name) + L" --help"
                                   : L"ufclean --help";
    host::Err(L"ufclean: " + reason + (pointed ? L"" : L" (see " + usage + L")") + L"\n");
    return kExitUsage;
}

int FailRun(const Options& options, int status, const std::wstring& reason) {
    host::Err(L"ufclean: " + reason + L"\n");
    if (options.haveJson) WriteFailureReport(options.jsonPath, options.command, status, reason);
    return status;
}

host::StopSignal& Stop() {
    static host::StopSignal signal;
    return signal;
}

}  // namespace ufclean

int wmain(int argc, wchar_t** argv) {
    ufclean::Options options;
    if (int status = ufclean::Parse(argc, argv, &options)) return status;
    return ufclean::Dispatch(options);
}
