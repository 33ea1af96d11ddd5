// scan, clean and drive-scan: one scan loop, then the reports.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "app.h"
#include "categories.h"
#include "chunked_removal.h"
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
// Each category's list goes into the store as soon as its scan ends.
bool ScanCategories(Function::IUnusedFileClean* cleaner, const std::vector<std::uint32_t>& numbers,
                    host::ItemStore* store, std::vector<CategoryRun>* runs) {
    ProgressLine progress;
    for (std::uint32_t number : numbers) {
        if (StopWasRequested()) return true;
        CategoryRun run;
        run.number = number;
        run.action = host::FindCategory(number)->kind == host::CategoryKind::Action;
        ResultList items;
        if (!run.action) {
            PrepareStopFlag(cleaner);
            run.scanResult =
                cleaner->GetUnusedFile(static_cast<int>(number), &items, &run.totals, &progress);
        }
        AddItems(store, &items, &run);
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
// within olderThanDays. A built-in rule named by its id may take what a keep
// rule made for it keeps. The recycle bin is emptied whole, so a kept item
// there takes the whole bin out of the clean.
void ApplyKeepRules(const Options& options, std::vector<KeepUse>* rules,
                    std::vector<CategoryRun>* runs) {
    std::vector<host::KeepRule> plain;
    for (const KeepUse& use : *rules) plain.push_back(use.rule);
    std::vector<std::uint64_t> counts;
    for (CategoryRun& run : *runs) {
        const bool named = run.isRule && std::find(options.ruleIds.begin(), options.ruleIds.end(),
                                                   run.target.rule->id) != options.ruleIds.end();
        run.kept += host::ApplyKeepRules(plain, run.store, run.first, run.end, &counts,
                                         named ? run.target.rule : nullptr);
        run.keptForAge += host::ApplyAgeLimit(options.olderThanDays, run.store, run.first, run.end);
        if (run.number != kCategoryRecycleBin || !run.skipReason.empty()) continue;
        for (std::uint32_t i = run.first; i < run.end && run.skipReason.empty(); ++i) {
            const int keep = run.store->Keep(i);
            if (keep == -1) continue;
            run.skipReason = host::WholeBinReason(
                (keep == host::ItemStore::kKeptForAge
                     ? std::wstring(L"--older-than keeps ")
                     : L"a keep rule (" + host::KeepRuleText(plain[static_cast<size_t>(keep)]) +
                           L") matches ") +
                run.store->Path(i));
        }
    }
    for (size_t i = 0; i < counts.size(); ++i) (*rules)[i].kept += counts[i];
}

void DeselectRepeats(host::ItemStore* store, const std::vector<CategoryRun>& runs) {
    for (const auto& repeat : RepeatedListings(runs, true)) store->SetSelected(repeat.first, false);
}

// What the clean would take: the selected items and their bytes.
ScanTotals SelectedTotals(const std::vector<CategoryRun>& runs) {
    ScanTotals selected;
    for (const CategoryRun& run : runs)
        if (run.skipReason.empty())
            for (std::uint32_t i = run.first; i < run.end; ++i)
                if (run.store->Selected(i)) ++selected.count, selected.bytes += run.store->Bytes(i);
    return selected;
}

// Asks on the console with the count and size of what goes; without a
// console, refuses (kExitUsage). kExitDeclined for any answer but yes.
int Confirm(const Options& options, const ScanTotals& selected) {
    if (options.yes) return kExitOk;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (!host::IsConsole(in)) return kExitUsage;
    host::Out(L"Remove " + std::to_wstring(selected.count) +
              (selected.count == 1 ? L" item, " : L" items, ") + host::HumanSize(selected.bytes) +
              L"? [y/N] ");
    wchar_t answer[16] = {};
    DWORD read = 0;
    const bool yes = ReadConsoleW(in, answer, 15, &read, nullptr) && read > 0 &&
                     (answer[0] == L'y' || answer[0] == L'Y');
    return yes ? kExitOk : kExitDeclined;
}

// The scan of a scan or clean, with what a clean would take selected: a
// scan's report says what the clean would do. True when stopped.
bool ScanAndSelect(Function::IUnusedFileClean* cleaner, const Options& options,
                   host::ItemStore* store, std::vector<KeepUse>* rules,
                   std::vector<CategoryRun>* runs) {
    bool stopped = ScanCategories(cleaner, options.categories, store, runs);
    stopped = stopped || ScanRules(options, store, runs);
    ApplyKeepRules(options, rules, runs);
    DeselectRepeats(store, *runs);
    ShowScan(options, *runs);
    if (!(options.haveJson && options.jsonPath == L"-"))
        PrintKeepUse(*rules, *runs, options.olderThanDays);
    return stopped;
}

}  // namespace

int RunScan(Function::IUnusedFileClean* cleaner, const Options& options) {
    host::ItemStore store;
    std::vector<CategoryRun> runs;
    std::vector<KeepUse> rules = KeepRules(options);
    const bool stopped = ScanAndSelect(cleaner, options, &store, &rules, &runs);
    return Finish(options, runs, rules, stopped);
}

int RunClean(Function::IUnusedFileClean* cleaner, const Options& options) {
    host::ItemStore store;
    std::vector<CategoryRun> runs;
    std::vector<KeepUse> rules = KeepRules(options);
    bool stopped = ScanAndSelect(cleaner, options, &store, &rules, &runs);
    if (stopped) return Finish(options, runs, rules, true);
    if (int status = Confirm(options, SelectedTotals(runs)))
        return FailRun(options, status,
                       status == kExitDeclined
                           ? L"declined: nothing removed"
                           : L"refusing to clean: there is no console to confirm on; pass --yes "
                             L"to clean without asking");

    ProgressLine progress;
    for (CategoryRun& run : runs) {
        if (StopWasRequested()) {
            stopped = true;
            break;
        }
        if (!run.skipReason.empty()) continue;
        bool anySelected = false;
        for (std::uint32_t i = run.first; i < run.end && !anySelected; ++i)
            anySelected = store.Selected(i);
        if (!run.action && !anySelected) continue;
        if (run.isRule) {
            CleanRuleRun(&run);
        } else if (run.action) {
            PrepareStopFlag(cleaner);
            run.cleanResult = cleaner->CleanUnusedFile(static_cast<int>(run.number), ResultList(),
                                                       &run.cleanTotals, &progress);
            run.cleaned = true;
        } else {
            // The module takes a list per call: chunks rebuilt from the store.
            PrepareStopFlag(cleaner);
            host::RemovalResult done;
            host::RemoveInChunks(store, host::PassFor(run.number, run.first, run.end),
                                 host::ModuleRemover(cleaner, run.number), &progress, &done,
                                 nullptr);
            run.cleanTotals = done.totals;
            run.changed = done.changed;
            run.cleanResult = done.result;
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
    ResultList all;
    ScanTotals allTotals;
    {
        ProgressLine progress;
        PrepareStopFlag(cleaner);
        cleaner->ScanDrive(options.arguments[0].c_str(), &all, &allTotals, &progress);
    }
    // One row per category of the found items, in the order first seen.
    std::vector<CategoryRun> runs;
    std::vector<ResultList> lists;
    for (auto item = all.begin(); item != all.end();) {
        const auto next = std::next(item);
        size_t row = 0;
        while (row < runs.size() && runs[row].number != item->category) ++row;
        if (row == runs.size()) {
            runs.emplace_back().number = item->category;
            lists.emplace_back();
        }
        ++runs[row].totals.count;
        runs[row].totals.bytes += item->size;
        lists[row].splice(lists[row].end(), all, item);
        item = next;
    }
    host::ItemStore store;
    for (size_t row = 0; row < runs.size(); ++row) AddItems(&store, &lists[row], &runs[row]);
    ShowScan(options, runs);
    if (!(options.haveJson && options.jsonPath == L"-"))
        host::Out(L"drive totals: " + std::to_wstring(allTotals.count) + L" item(s), " +
                  host::HumanSize(allTotals.bytes) + L"\n");
    return Finish(options, runs, {}, StopWasRequested());
}

}  // namespace ufclean
