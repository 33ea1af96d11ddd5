// What ufclean says about itself: its commands and their usage, its
// version, and the "did you mean" of a one-line error.
#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "app.h"
#include "platform/console.h"

namespace ufclean {

namespace {

// What scan and clean both take: printed once in the full usage.
const wchar_t kChoice[] =
    L"       scan and clean also take RULE ids, [--keep GLOB]... [--no-default-keep]\n"
    L"       (without the built-in keep list), [--with GROUP,...] (rules that are off\n"
    L"       by default: cookies, history, session, developer, ...), [--rules FILE]\n"
    L"       (JSON, or the community format for FILE.ini), [--profile NAME] (a saved\n"
    L"       choice) and [--older-than DAYS] (items written in the last DAYS days\n"
    L"       stay); --json FILE may hold {time} and {computer}.\n"
    L"       'all' (or no category) is the default set: the scan categories and rules\n"
    L"       that are on; cookies (2, 18) and history (3, 21, 22) need --with cookies\n"
    L"       or --with history, or their number; 5 and 17 run only when named.\n"
    L"       ufclean-rules.json beside ufclean adds rules.\n";

const CommandInfo kCommands[] = {
    {L"categories", L"  categories                      list the categories\n", nullptr, false},
    {L"rules",
     L"  rules [--rules FILE]            list the cleaning rules, on or off\n"
     L"  rules --import FILE.ini         read a community rule file: what it gives\n"
     L"       [--reasons] [--json FILE|-]  (each key and section left out, and why)\n",
     nullptr, false},
    {L"scan",
     L"  scan [CATEGORY...|RULE...|all]  scan and show what a clean would take\n"
     L"       [--details] [--json FILE|-]\n",
     kChoice, true},
    {L"clean",
     L"  clean [CATEGORY...|RULE...|all] scan, confirm (count and size), remove\n"
     L"       [--yes] [--details] [--json FILE|-] [--undo default|all|none]\n"
     L"       [--keep-days N]: what a clean removes is held for undo N days (7).\n"
     L"       default holds all but what fills again by itself (1, 6, 20, the cache\n"
     L"       group, update downloads); all holds those too; the recycle bin (16),\n"
     L"       registry entries (4, 8) and one-step cleaners (5, 17) are never held\n",
     kChoice, true},
    {L"cookies",
     L"  cookies keep SITE... | unkeep SITE...   the sites whose cookies a clean keeps\n"
     L"       (mail.example.org keeps example.org and every name below it); with one\n"
     L"       kept, the cookie rules delete the other sites' cookies, not the files\n"
     L"  cookies list [--rules FILE]     the sites holding cookies, counts, kept or not\n",
     nullptr, false},
    {L"history",
     L"  history [--json FILE|-]         the cleans held for undo, until when\n"
     L"       [--keep-days N]\n"
     L"  history --purge [RUN]           let held cleans go now (all, or RUN)\n",
     nullptr, false},
    {L"undo",
     L"  undo [RUN] [--only GLOB]        put back what a held clean removed (RUN:\n"
     L"       the latest; GLOB: matched against the original full paths)\n",
     nullptr, false},
    {L"profile",
     L"  profile save NAME [CATEGORY...|all] [RULE...] [--with ...] [--keep ...]\n"
     L"       [--no-default-keep] [--older-than DAYS] [--rules FILE] [--replace]\n"
     L"       [--undo default|all|none]\n"
     L"       save a choice under a name (--replace: over a profile of that name)\n"
     L"  profile list | show NAME | delete NAME\n",
     nullptr, false},
    {L"schedule",
     L"  schedule add NAME --profile P --daily|--weekly DAY|--at-logon\n"
     L"       [--time HH:MM] [--report FOLDER]   clean with P from Task Scheduler\n"
     L"  schedule list | show NAME | remove NAME   (add and remove take --repair:\n"
     L"       a damaged record keeps its good schedules)\n",
     nullptr, false},
    {L"remove-user-data",
     L"  remove-user-data                delete this user's profiles, schedules, logs\n", nullptr,
     false},
    {L"keep-list", L"  keep-list                       the built-in keep rules and their reasons\n",
     nullptr, false},
    {L"check", L"  check                           whether a clean is needed\n", nullptr, true},
    {L"drives", L"  drives                          the fixed drives\n", nullptr, true},
    {L"drive-scan",
     L"  drive-scan ROOT                 scan one drive (e.g. C:\\)\n"
     L"       [--details] [--json FILE|-]\n",
     nullptr, true},
    {L"download-dir",
     L"  download-dir [PATH]             show the browser's download folder, or set it\n", nullptr,
     true},
    {L"save-dir", L"  save-dir [PATH]                 show the browser's save folder, or set it\n",
     nullptr, true},
    {L"clear-clipboard", L"  clear-clipboard                 empty the clipboard\n", nullptr, true},
    {L"clear-search-history",
     L"  clear-search-history            delete the search autocomplete list\n", nullptr, true},
    {L"help",
     L"  help [COMMAND], COMMAND --help  this text, or the command's own\n"
     L"  --version                       the versions of ufclean and its module\n",
     nullptr, false},
};

const wchar_t kExitCodes[] =
    L"Exit status: 0 done, 1 usage error or refused, 2 stopped, 3 module missing,\n"
    L"4 profile missing or broken, 5 declined at the confirmation, 6 no such undo\n"
    L"run, 7 not undone (a damaged run, or files that stay held).\n";

wchar_t Folded(wchar_t c) {
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

// Edits from a to b, letter case aside; two neighbours swapped count as one
// edit ("scna" is one from "scan").
size_t Distance(const std::wstring& a, const std::wstring& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = Folded(a[i - 1]) == Folded(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && Folded(a[i - 1]) == Folded(b[j - 2]) &&
                Folded(a[i - 2]) == Folded(b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The file version of a loaded module, "1.0.0.0"; empty when it has none.
std::wstring FileVersion(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = length && length < MAX_PATH ? GetFileVersionInfoSizeW(path, &ignored) : 0;
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!size || !GetFileVersionInfoW(path, 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        infoSize < sizeof *info)
        return std::wstring();
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

}  // namespace

const CommandInfo* FindCommand(const std::wstring& name) {
    for (const CommandInfo& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

std::vector<std::wstring> CommandNames() {
    std::vector<std::wstring> names;
    for (const CommandInfo& command : kCommands) names.push_back(command.name);
    return names;
}

void PrintUsage(HANDLE to) {
    std::wstring text = L"usage: ufclean COMMAND [ARGS]\n";
    const size_t count = sizeof kCommands / sizeof kCommands[0];
    for (size_t i = 0; i < count; ++i) {
        text += kCommands[i].usage;
        // Shared lines follow the last of the commands that share them.
        if (kCommands[i].shared &&
            (i + 1 == count || kCommands[i + 1].shared != kCommands[i].shared))
            text += kCommands[i].shared;
    }
    host::Write(to, text + kExitCodes);
}

int PrintCommandUsage(const CommandInfo& command) {
    host::Out(L"usage of ufclean " + std::wstring(command.name) + L":\n" + command.usage +
              (command.shared ? command.shared : L""));
    return kExitOk;
}

int RunHelp(const Options& options) {
    if (options.arguments.empty()) {
        PrintUsage(GetStdHandle(STD_OUTPUT_HANDLE));
        return kExitOk;
    }
    const std::wstring& name = options.arguments[0];
    if (const CommandInfo* command = FindCommand(name)) return PrintCommandUsage(*command);
    return UsageError(L"no command " + name + DidYouMean(name, CommandNames()));
}

int RunVersion() {
    const std::wstring ufclean = L"ufclean " UFC_VERSION;
    host::LoadedCleaner cleaner;
    std::wstring error;
    if (!cleaner.Load(&error)) {
        host::Out(ufclean + L"; " + error + L"\n");
        return kExitModule;
    }
    const std::wstring module = FileVersion(GetModuleHandleW(L"UnusedFileClean.dll"));
    host::Out(ufclean + L" (UnusedFileClean.dll " +
              (module.empty() ? L"without a version" : module) + L")\n");
    return kExitOk;
}

std::wstring DidYouMean(const std::wstring& word, const std::vector<std::wstring>& candidates,
                        const std::vector<std::wstring>& shown) {
    // A word of a page's length is no slip of the keyboard.
    if (word.size() > 64) return std::wstring();
    size_t best = 0, bestDistance = word.size() + 1;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const size_t distance = Distance(word, candidates[i]);
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    // One edit in a short word, one in four in a longer one.
    if (bestDistance > std::max<size_t>(1, word.size() / 4)) return std::wstring();
    return L"; did you mean " + (best < shown.size() ? shown[best] : candidates[best]) + L"?";
}

std::vector<std::wstring> OptionsOf(const CommandInfo& command) {
    std::vector<std::wstring> options;
    const std::wstring text = std::wstring(command.usage) + (command.shared ? command.shared : L"");
    for (size_t at = text.find(L"--"); at != std::wstring::npos; at = text.find(L"--", at + 2)) {
        size_t end = at + 2;
        while (end < text.size() &&
               (std::iswlower(static_cast<wint_t>(text[end])) || text[end] == L'-'))
            ++end;
        const std::wstring option = text.substr(at, end - at);
        if (std::find(options.begin(), options.end(), option) == options.end())
            options.push_back(option);
        at = end - 2;
    }
    return options;
}

}  // namespace ufclean
