#include "options.h"

#include "pipeline/categories.h"
#include "choice_groups.h"
#include "text/format.h"

namespace gui {

namespace {

// "all" (the default set, as in the console: no opt-in category), or
// numbers of the table separated by commas.
bool ParseCategories(const std::wstring& text, std::set<std::uint32_t>* out) {
    if (text == L"all") {
        for (const host::CategoryInfo& info : host::Categories())
            if (info.kind == host::CategoryKind::Scan && !CategoryStartsOff(info.number))
                out->insert(info.number);
        return true;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos) comma = text.size();
        const std::wstring word = text.substr(start, comma - start);
        std::uint32_t number = 0;
        if (!host::ParseCount(word, 999, &number)) return false;
        const host::CategoryInfo* info = host::FindCategory(number);
        if (!info || info->kind == host::CategoryKind::None) return false;
        out->insert(number);
        start = comma + 1;
    }
    return true;
}

}  // namespace

bool ParseOptions(int argc, wchar_t** argv, Options* options, std::wstring* error) {
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring word = argv[i];
        const bool hasValue = i + 1 < argc && argv[i + 1][0] != L'-';
        if (word == L"--scan" || word == L"--categories") {
            if (word == L"--scan") options->scanAtStart = true;
            if (!hasValue) {
                if (word == L"--scan") continue;
                *error = L"--categories needs a list such as 9,16 or all";
                return false;
            }
            // A list of numbers names the module's categories only; "all"
            // keeps the rules that are on by default.
            if (!named) options->rules = false;
            if (std::wstring(argv[i + 1]) == L"all") options->rules = true;
            if (!ParseCategories(argv[++i], &options->checked)) {
                *error = L"unknown categories: " + std::wstring(argv[i]);
                return false;
            }
            named = true;
        } else if (word == L"--screenshot" && i + 1 < argc) {
            options->screenshot = argv[++i];
        } else if (word == L"--layout-report" && i + 1 < argc) {
            options->layoutReport = argv[++i];
        } else if (word == L"--older-than") {
            if (!hasValue || !host::ParseCount(argv[++i], 36500, &options->olderThanDays)) {
                *error = L"--older-than needs a number of days from 0 to 36500";
                return false;
            }
        } else if (word == L"--undo") {
            if (!hasValue || !host::ParseUndoMode(argv[++i], &options->undo)) {
                *error = L"--undo needs default, all or none";
                return false;
            }
        } else if (word == L"--rules" && hasValue) {
            options->rulesFile = argv[++i];
        } else if (word == L"--report" && i + 1 < argc) {
            options->report = argv[++i];
        } else if (word == L"--save-profile" && i + 1 < argc) {
            options->saveProfile = argv[++i];
        } else if (word == L"--page" && i + 1 < argc &&
                   (std::wstring(argv[i + 1]) == L"drives" ||
                    std::wstring(argv[i + 1]) == L"history")) {
            options->page = std::wstring(argv[++i]) == L"drives" ? 1 : 2;
        } else if (word == L"--bench-items" && hasValue) {
            std::uint32_t count = 0;
            if (!host::ParseCount(argv[++i], 999999999, &count) ||
                (options->benchItems = count) == 0) {
                *error = L"--bench-items needs a number of items from 1 to 999999999";
                return false;
            }
        } else {
            *error = L"unknown option: " + word +
                     L"\nusage: ufclean-gui [--categories LIST|all] [--scan [LIST|all]] "
                     L"[--older-than DAYS] [--undo default|all|none] [--rules FILE] "
                     L"[--report FILE.json] [--page drives|history] "
                     L"[--save-profile NAME] "
                     L"[--screenshot FILE.png [--layout-report FILE]] [--bench-items N]";
            return false;
        }
    }
    // Without a list: the default set.
    if (!named) ParseCategories(L"all", &options->checked);
    return true;
}

}  // namespace gui
