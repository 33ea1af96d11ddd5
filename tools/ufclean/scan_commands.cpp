// scan, clean and drive-scan: one scan loop, then the reports.
#include <cstdio>

#include "app.h"
#include "categories.h"
#include "console_output.h"
#include "progress_line.h"
#include "report.h"
#include "rule_runs.h"
#include "selection.h"
#include "text_format.h"

namespace ufclean {

namespace {

// Stores 0 before a new operation, unless Ctrl+C came in the meantime.
void PrepareStopFlag(Function::IUnusedFileClean* cleaner) {
    cleaner->SetStopFlag(0);
    if (StopWasRequested()) cleaner->SetStopFlag(1);
}

// Scans every category with its own zeroed totals. Actions are only
// recorded. Returns true when a stop request ended the loop.
bool ScanCategories(Function::IUnusedFileClean* cleaner, const std::vector<std::uint32_t>& numbers,
                    std::vector<CategoryRun>* runs) {
    ProgressLine progress;
    for (std::uint32_t number : numbers) {
        if (StopWasRequested()) return true;
        CategoryRun run;
        run.number = number;
        run.action = host::FindCategory(number)->kind == host::CategoryKind::Action;
        if (!run.action) {
            PrepareStopFlag(cleaner);
            run.scanResult = cleaner->GetUnusedFile(static_cast<int>(number), &run.items,
                                                    &run.totals, &progress);
        }
        runs->push_back(std::move(run));
        if (StopWasRequested() || runs->back().scanResult == 2) return true;
    }
    return false;
}

int Finish(const Options& options, const std::vector<CategoryRun>& runs,
           const std::vector<KeepUse>& rules, bool stopped) {
    if (options.haveJson &&
        !WriteJsonReport(options.jsonPath, options.command, runs, rules, stopped))
        return kExitUsage;
    if (stopped) {
        host::Err(L"ufclean: stopped\n");
        return kExitStopped;
    }
    return kExitOk;
}

void ShowScan(const Options& options, const std::vector<CategoryRun>& runs) {
    // With --json - the report owns stdout.
    if (options.haveJson && options.jsonPath == L"-") return;
    if (options.details) PrintDetails(runs);
    PrintScanSummary(runs);
}

std::vector<KeepUse> KeepRules(const Options& options) {
    std::vector<KeepUse> rules;
    if (!options.noDefaultKeep)
        for (const host::KeepRule& rule : host::DefaultKeepRules()) rules.push_back({rule, 0});
    for (const std::wstring& glob : options.keeps) rules.push_back({{glob, L"--keep"}, 0});
    return rules;
}

// Deselects the kept items: those a keep rule matches, then those written
// within olderThanDays. The recycle bin is emptied whole, so a kept item
// there takes the whole bin out of the clean.
void ApplyKeepRules(std::vector<KeepUse>* rules, std::uint32_t olderThanDays,
                    std::vector<CategoryRun>* runs) {
    std::vector<host::KeepRule> plain;
    for (const KeepUse& use : *rules) plain.push_back(use.rule);
    const FILETIME youngAfter = host::AgeLimit(olderThanDays);
    for (CategoryRun& run : *runs) {
        for (FoundItem& item : run.items) {
            std::wstring cause;
            const int rule = host::DeselectKept(plain, &item);
            if (rule >= 0) {
                ++(*rules)[static_cast<size_t>(rule)].kept;
                ++run.kept;
                cause = L"a keep rule (" + plain[static_cast<size_t>(rule)].glob + L") matches ";
            } else if (olderThanDays && host::DeselectYoungerThan(youngAfter, &item)) {
                ++run.keptForAge;
                cause = L"--older-than keeps ";
            } else {
                continue;
            }
            if (run.number == kCategoryRecycleBin && run.skipReason.empty())
                run.skipReason = host::WholeBinReason(cause + host::ItemPath(item));
        }
    }
}

void DeselectRepeats(std::vector<CategoryRun>* runs) {
    std::vector<ResultList*> lists;
    for (CategoryRun& run : *runs)
        if (run.number != kCategoryRecycleBin) lists.push_back(&run.items);
    host::DeselectRepeats(lists);
}

std::uint64_t SelectedCount(const std::vector<CategoryRun>& runs) {
    std::uint64_t count = 0;
    for (const CategoryRun& run : runs)
        if (run.skipReason.empty())
            for (const FoundItem& item : run.items) count += item.selected ? 1 : 0;
    return count;
}

// Asks on the console; without one, refuses.
bool Confirm(const Options& options, std::uint64_t count) {
    if (options.yes) return true;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (!host::IsConsole(in)) {
        host::Err(
            L"ufclean: refusing to clean: there is no console to confirm on; pass --yes to clean "
            L"without asking\n");
        return false;
    }
    host::Out(L"Remove " + std::to_wstring(count) + L" item(s)? [y/N] ");
    wchar_t answer[16] = {};
    DWORD read = 0;
    if (!ReadConsoleW(in, answer, 15, &read, nullptr) || read == 0) return false;
    return answer[0] == L'y' || answer[0] == L'Y';
}

// The scan of a scan or clean, with what a clean would take selected: a
// scan's report says what the clean would do. True when stopped.
bool ScanAndSelect(Function::IUnusedFileClean* cleaner, const Options& options,
                   std::vector<KeepUse>* rules, std::vector<CategoryRun>* runs) {
    bool stopped = ScanCategories(cleaner, options.categories, runs);
    stopped = stopped || ScanRules(options, runs);
    ApplyKeepRules(rules, options.olderThanDays, runs);
    DeselectRepeats(runs);
    ShowScan(options, *runs);
    if (!(options.haveJson && options.jsonPath == L"-"))
        PrintKeepUse(*rules, *runs, options.olderThanDays);
    return stopped;
}

}  // namespace

int RunScan(Function::IUnusedFileClean* cleaner, const Options& options) {
    std::vector<CategoryRun> runs;
    std::vector<KeepUse> rules = KeepRules(options);
    const bool stopped = ScanAndSelect(cleaner, options, &rules, &runs);
    return Finish(options, runs, rules, stopped);
}

int RunClean(Function::IUnusedFileClean* cleaner, const Options& options) {
    std::vector<CategoryRun> runs;
    std::vector<KeepUse> rules = KeepRules(options);
    bool stopped = ScanAndSelect(cleaner, options, &rules, &runs);
    if (stopped) return Finish(options, runs, rules, true);
    if (!Confirm(options, SelectedCount(runs))) {
        host::Out(L"nothing removed\n");
        return kExitUsage;
    }

    ProgressLine progress;
    for (CategoryRun& run : runs) {
        if (StopWasRequested()) {
            stopped = true;
            break;
        }
        if (!run.skipReason.empty()) continue;
        bool anySelected = false;
        for (const FoundItem& item : run.items) anySelected = anySelected || item.selected;
        if (!run.action && !anySelected) continue;
        if (run.isRule) {
            CleanRuleRun(&run);
        } else {
            PrepareStopFlag(cleaner);
            run.cleanResult = cleaner->CleanUnusedFile(static_cast<int>(run.number), run.items,
                                                       &run.cleanTotals, &progress);
            run.cleaned = true;
        }
        if (run.cleanResult == 2 || StopWasRequested()) {
            stopped = true;
            break;
        }
    }
    progress.Clear();
    if (!(options.haveJson && options.jsonPath == L"-")) PrintCleanSummary(runs);
    return Finish(options, runs, rules, stopped);
}

int RunDriveScan(Function::IUnusedFileClean* cleaner, const Options& options) {
    CategoryRun all;
    {
        ProgressLine progress;
        PrepareStopFlag(cleaner);
        cleaner->ScanDrive(options.arguments[0].c_str(), &all.items, &all.totals, &progress);
    }
    // One row per category of the found items, in the order first seen.
    std::vector<CategoryRun> runs;
    for (const FoundItem& item : all.items) {
        CategoryRun* row = nullptr;
        for (CategoryRun& run : runs) row = run.number == item.category ? &run : row;
        if (!row) {
            runs.emplace_back();
            row = &runs.back();
            row->number = item.category;
        }
        row->items.push_back(item);
        ++row->totals.count;
        row->totals.bytes += item.size;
    }
    ShowScan(options, runs);
    if (!(options.haveJson && options.jsonPath == L"-"))
        host::Out(L"drive totals: " + std::to_wstring(all.totals.count) + L" item(s), " +
                  host::HumanSize(all.totals.bytes) + L"\n");
    return Finish(options, runs, {}, StopWasRequested());
}

}  // namespace ufclean
