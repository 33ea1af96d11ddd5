// scan, clean and drive-scan: the pipeline's run, then the reports.
#include <iterator>

#include "app.h"
#include "json_report.h"
#include "pipeline/kept_sites.h"
#include "pipeline/pipeline.h"
#include "platform/console.h"
#include "progress_line.h"
#include "report.h"
#include "text/format.h"

namespace ufclean {

namespace {

bool ReportOwnsStdout(const Options& options) {
    return options.haveJson && options.jsonPath == L"-";
}

int Finish(const Options& options, const host::Pipeline& run, bool stopped) {
    if (options.haveJson && !WriteJsonReport(options.jsonPath, options.command, run, stopped))
        return kExitUsage;
    if (stopped) {
        host::Err(L"ufclean: stopped\n");
        return kExitStopped;
    }
    return kExitOk;
}

void ShowScan(const Options& options, const host::Pipeline& run) {
    if (ReportOwnsStdout(options)) return;
    if (options.details) PrintDetails(run);
    PrintScanSummary(run, options.details);
}

// Asks on the console with the count and size of what goes; without a
// console, refuses (kExitUsage). kExitDeclined for any answer but yes.
int Confirm(const Options& options, const host::Totals& totals) {
    if (options.yes) return kExitOk;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (!host::IsConsole(in)) return kExitUsage;
    host::Out(L"Remove " + std::to_wstring(totals.wouldRemove) +
              (totals.wouldRemove == 1 ? L" item, " : L" items, ") +
              host::HumanSize(totals.wouldFree) + L"? [y/N] ");
    wchar_t answer[16] = {};
    DWORD read = 0;
    const bool yes = ReadConsoleW(in, answer, 15, &read, nullptr) && read > 0 &&
                     (answer[0] == L'y' || answer[0] == L'Y');
    return yes ? kExitOk : kExitDeclined;
}

// What a clean took, as its history shows it: "profile weekly", "clean 9
// windows.user-temp", "clean (the default set)".
std::wstring WhatOf(const Options& options) {
    if (!options.profile.empty()) return L"profile " + options.profile;
    const host::Choice& choice = options.choice;
    std::wstring what = L"clean";
    if (choice.all) what += L" all";
    for (std::uint32_t number : choice.categories) what += L" " + std::to_wstring(number);
    for (const std::wstring& id : choice.ruleIds) what += L" " + id;
    for (host::RuleGroup group : choice.withGroups)
        what += L" --with " + std::wstring(host::GroupName(group));
    return what == L"clean" ? L"clean (the default set)" : what;
}

// The scan of a scan or clean, with what a clean would take selected and
// planned: a scan's report says what the clean would do. True when stopped.
bool ScanAndSelect(const Options& options, host::Pipeline* run) {
    // Held cleans that expired, or that the disk needs the room of, go
    // first: every run (a scheduled one too) keeps the store in bounds.
    host::PurgeUndoStores(options.keepDays);
    run->SetRows(host::RowsOf(options.choice, options.rules));
    host::SelectOptions select;
    select.defaultKeep = !options.noDefaultKeep;
    select.keeps = options.keeps;
    select.keptSites = host::LoadKeptSites();
    for (const std::wstring& name : options.keptSites) {
        std::string site;
        if (host::SiteOf(name, &site)) host::AddSites(&select.keptSites, {site});
    }
    select.olderThanDays = options.olderThanDays;
    bool stopped;
    {
        ProgressLine progress;
        stopped = run->Scan(select, &progress);
    }
    run->Plan();
    ShowScan(options, *run);
    if (!ReportOwnsStdout(options)) PrintKeepUse(*run);
    return stopped;
}

}  // namespace

int RunScan(Function::IUnusedFileClean* cleaner, const Options& options) {
    host::Pipeline run(cleaner, &Stop());
    const bool stopped = ScanAndSelect(options, &run);
    return Finish(options, run, stopped);
}

int RunClean(Function::IUnusedFileClean* cleaner, const Options& options) {
    host::Pipeline run(cleaner, &Stop());
    if (ScanAndSelect(options, &run)) return Finish(options, run, true);
    if (int status = Confirm(options, run.Sum()))
        return FailRun(options, status,
                       status == kExitDeclined
                           ? L"declined: nothing removed"
                           : L"refusing to clean: there is no console to confirm on; pass --yes "
                             L"to clean without asking");
    bool stopped;
    {
        ProgressLine progress;
        stopped = run.Clean(&progress, {options.undo, WhatOf(options), options.keepDays});
    }
    if (!ReportOwnsStdout(options)) PrintCleanSummary(run);
    return Finish(options, run, stopped);
}

int RunDriveScan(Function::IUnusedFileClean* cleaner, const Options& options) {
    ResultList all;
    ScanTotals allTotals;
    {
        ProgressLine progress;
        Stop().PrepareModule();
        cleaner->ScanDrive(options.arguments[0].c_str(), &all, &allTotals, &progress);
    }
    // One row per category of the found items, in the order first seen.
    std::vector<host::Row> rows;
    std::vector<ResultList> lists;
    std::vector<ScanTotals> totals;
    for (auto item = all.begin(); item != all.end();) {
        const auto next = std::next(item);
        size_t row = 0;
        while (row < rows.size() && rows[row].category != item->category) ++row;
        if (row == rows.size()) {
            rows.push_back(host::CategoryRow(item->category, false));
            lists.emplace_back();
            totals.emplace_back();
        }
        ++totals[row].count;
        totals[row].bytes += item->size;
        lists[row].splice(lists[row].end(), all, item);
        item = next;
    }
    host::Pipeline run(cleaner, &Stop());
    run.SetRows(std::move(rows));
    for (size_t row = 0; row < lists.size(); ++row) run.TakeItems(row, &lists[row], totals[row]);
    ShowScan(options, run);
    if (!ReportOwnsStdout(options))
        host::Out(L"drive totals: " + std::to_wstring(allTotals.count) + L" item(s), " +
                  host::HumanSize(allTotals.bytes) + L"\n");
    return Finish(options, run, Stop().Requested());
}

}  // namespace ufclean
