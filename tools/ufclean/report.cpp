#include "report.h"

#include <cstdio>
#include <set>

#include "app.h"
#include "categories.h"
#include "console_output.h"
#include "json_writer.h"
#include "module_loader.h"
#include "run_record.h"
#include "text_format.h"

namespace ufclean {

namespace {

std::wstring Pad(std::wstring text, size_t width, bool right = false) {
    if (text.size() >= width) return text;
    const std::wstring fill(width - text.size(), L' ');
    return right ? fill + text : text + fill;
}

std::wstring Row(const std::wstring& number, const std::wstring& name,
                 const std::vector<std::wstring>& columns) {
    std::wstring line = Pad(number, 4, true) + L"  " + Pad(name, 42);
    for (const std::wstring& column : columns) line += L" " + Pad(column, 11, true);
    return line + L"\n";
}

// A rule row has no number: its id stands in the details and the JSON.
std::wstring RunNumber(const CategoryRun& run) {
    return run.isRule ? L"-" : std::to_wstring(run.number);
}

std::wstring RunName(const CategoryRun& run) {
    return run.isRule ? run.target.Title() : std::wstring(host::CategoryName(run.number));
}

// What the rule rows have to say: "Chrome: cache: 2 file(s) in use: close
// Chrome to clean its cache", or before a clean "Chrome is running", and
// what the guard kept out, row by row and in all.
void PrintRuleNotes(const std::vector<CategoryRun>& runs) {
    std::uint64_t guarded = 0;
    for (const CategoryRun& run : runs) {
        if (!run.isRule) continue;
        const std::wstring title = run.target.Title() + L": ";
        if (!run.skipReason.empty()) host::Out(title + run.skipReason + L"\n");
        if (run.stoppedByGuard.total)
            host::Out(title + L"stopped by the guard: " + run.stoppedByGuard.Text() + L"\n");
        guarded += run.stoppedByGuard.total;
        if (run.inUse)
            host::Out(title + std::to_wstring(run.inUse) + L" file(s) in use: " +
                      run.target.InUseAdvice() + L"\n");
        else if (run.running && !run.cleaned)
            host::Out(title + run.target.ApplicationName() +
                      L" is running and may hold some files: " + run.target.InUseAdvice() + L"\n");
    }
    if (guarded)
        host::Out(L"Total: stopped by the guard: " + std::to_wstring(guarded) +
                  L" (see \"What no rule can reach\" in the README)\n");
}

void WriteDate(host::JsonWriter* json, const char* key, const SYSTEMTIME& date) {
    const std::wstring text = host::FormatDate(date);
    if (text.empty()) return;
    json->Key(key);
    json->String(text);
}

void WriteItem(host::JsonWriter* json, const CategoryRun& run, const FoundItem& item) {
    json->BeginObject();
    if (run.isRule) {
        json->Key("rule");
        json->String(run.target.rule->id);
    } else {
        json->Key("category");
        json->Number(item.category);
    }
    json->Key("name");
    json->String(std::wstring(item.name, wcsnlen(item.name, kTextUnits)));
    json->Key("folder");
    json->String(std::wstring(item.folder, wcsnlen(item.folder, kTextUnits)));
    json->Key("path");
    json->String(host::ItemPath(item));
    json->Key("size");
    json->Number(item.size);
    json->Key("type");
    json->String(std::wstring(item.typeText, wcsnlen(item.typeText, kTextUnits)));
    json->Key("selected");
    json->Bool(item.selected != 0);
    WriteDate(json, "created", item.created);
    WriteDate(json, "accessed", item.accessed);
    WriteDate(json, "written", item.written);
    json->EndObject();
}

// What the total leaves out: the repeated listings, and the files they
// repeat.
struct Repeats {
    ScanTotals listings;
    std::uint64_t files = 0;
};

Repeats RepeatsOf(const std::vector<CategoryRun>& runs) {
    Repeats repeats;
    std::set<std::uint32_t> files;
    for (const auto& [repeat, first] : RepeatedListings(runs, false)) {
        repeats.listings.count += 1;
        repeats.listings.bytes += runs.front().store->Bytes(repeat);
        files.insert(first);
    }
    repeats.files = files.size();
    return repeats;
}

}  // namespace

std::vector<std::pair<std::uint32_t, std::uint32_t>> RepeatedListings(
    const std::vector<CategoryRun>& runs, bool selectedOnly) {
    std::vector<host::ItemRange> ranges;
    for (const CategoryRun& run : runs)
        if (run.number != kCategoryRecycleBin) ranges.push_back({run.first, run.end});
    if (runs.empty() || !runs.front().store) return {};
    return host::FindRepeats(*runs.front().store, ranges, selectedOnly);
}

void AddItems(host::ItemStore* store, ResultList* items, CategoryRun* run) {
    run->store = store;
    run->first = store->Count();
    store->Append(items, 0);
    run->end = store->Count();
}

void PrintScanSummary(const std::vector<CategoryRun>& runs) {
    host::Out(Row(L"No.", L"Category", {L"Items", L"Size"}));
    ScanTotals sum;
    for (const CategoryRun& run : runs) {
        if (run.action) {
            host::Out(Row(RunNumber(run), RunName(run), {L"-", L"action"}));
            continue;
        }
        host::Out(Row(RunNumber(run), RunName(run),
                      {std::to_wstring(run.totals.count), host::HumanSize(run.totals.bytes)}));
        sum.count += run.totals.count;
        sum.bytes += run.totals.bytes;
    }
    const Repeats repeats = RepeatsOf(runs);
    host::Out(Row(L"", L"Total",
                  {std::to_wstring(sum.count - repeats.listings.count),
                   host::HumanSize(sum.bytes - repeats.listings.bytes)}));
    if (repeats.files)
        host::Out(L"      " + std::to_wstring(repeats.files) +
                  L" file(s) listed by more than one row are counted once in the total\n");
    PrintRuleNotes(runs);
}

void PrintDetails(const std::vector<CategoryRun>& runs) {
    for (const CategoryRun& run : runs) {
        run.ForEachItem([&](const FoundItem& item) {
            const std::wstring number =
                run.isRule ? run.target.rule->id : std::to_wstring(item.category);
            std::wstring line = Pad(number, 4, true) + L"  " +
                                Pad(host::HumanSize(item.size), 10, true) + L"  " +
                                Pad(host::FormatDate(item.written), 16) + L"  " +
                                (item.selected ? L"" : L"(kept) ") + host::ItemPath(item);
            host::Out(line + L"\n");
        });
    }
}

void PrintKeepUse(const std::vector<KeepUse>& rules, const std::vector<CategoryRun>& runs,
                  std::uint32_t olderThanDays) {
    for (const KeepUse& use : rules) {
        if (use.kept == 0) continue;
        host::Out(L"kept " + std::to_wstring(use.kept) + L" item(s): " + use.rule.reason + L" (" +
                  host::KeepRuleText(use.rule) + L")\n");
    }
    std::uint64_t young = 0;
    for (const CategoryRun& run : runs) young += run.keptForAge;
    if (young)
        host::Out(L"kept " + std::to_wstring(young) + L" item(s) written in the last " +
                  std::to_wstring(olderThanDays) + L" day(s) (--older-than)\n");
}

void PrintCleanSummary(const std::vector<CategoryRun>& runs) {
    host::Out(Row(L"No.", L"Category", {L"Removed", L"Failed", L"Changed", L"Freed"}));
    CleanTotals sum;
    std::uint64_t changed = 0;
    for (const CategoryRun& run : runs) {
        if (!run.skipReason.empty()) {
            host::Out(Row(RunNumber(run), RunName(run), {L"skipped"}));
            continue;
        }
        if (!run.cleaned) continue;
        if (run.action) {  // a step, no files: what it did
            host::Out(
                Row(RunNumber(run), RunName(run), {ActionOutcome(run.number, run.cleanResult)}));
            continue;
        }
        host::Out(
            Row(RunNumber(run), RunName(run),
                {std::to_wstring(run.cleanTotals.removed), std::to_wstring(run.cleanTotals.failed),
                 std::to_wstring(run.changed), host::HumanSize(run.cleanTotals.bytesFreed)}));
        changed += run.changed;
        sum.removed += run.cleanTotals.removed;
        sum.failed += run.cleanTotals.failed;
        sum.bytesFreed += run.cleanTotals.bytesFreed;
    }
    host::Out(Row(L"", L"Total",
                  {std::to_wstring(sum.removed), std::to_wstring(sum.failed),
                   std::to_wstring(changed), host::HumanSize(sum.bytesFreed)}));
    if (changed)
        host::Out(std::to_wstring(changed) +
                  L" file(s) changed since the scan were left: scan again to see them\n");
    for (const CategoryRun& run : runs)
        if (!run.skipReason.empty() && !run.isRule)
            host::Out(L"category " + std::to_wstring(run.number) + L" skipped: " + run.skipReason +
                      L"\n");
    PrintRuleNotes(runs);
}

bool WriteJsonReport(const std::wstring& path, const std::wstring& command,
                     const std::vector<CategoryRun>& runs, const std::vector<KeepUse>& rules,
                     bool stopped) {
    host::JsonWriter json;
    ScanTotals sum;
    CleanTotals cleanSum;
    std::uint64_t kept = 0, keptForAge = 0, guarded = 0, changed = 0;
    json.BeginObject();
    json.Key("command");
    json.String(command);
    json.Key("stopped");
    json.Bool(stopped);
    WriteRunFields(&json, stopped ? kExitStopped : kExitOk);
    json.Key("categories");
    json.BeginArray();
    for (const CategoryRun& run : runs) {
        json.BeginObject();
        if (run.isRule) {
            json.Key("rule");
            json.String(run.target.rule->id);
            json.Key("application");
            json.String(run.target.ApplicationName());
            json.Key("group");
            json.String(host::GroupName(run.target.rule->group));
            json.Key("running");
            json.Bool(run.running);
            json.Key("inUse");
            json.Number(run.inUse);
            json.Key("stoppedByGuard");
            json.Number(run.stoppedByGuard.total);
            json.Key("guardReasons");
            json.BeginObject();
            for (const auto& [reason, count] : run.stoppedByGuard.byReason) {
                json.Key(host::Utf8(reason).c_str());
                json.Number(count);
            }
            json.EndObject();
            if (run.inUse || run.running) {
                json.Key("advice");
                json.String(run.target.InUseAdvice());
            }
        } else {
            json.Key("number");
            json.Number(run.number);
        }
        json.Key("name");
        json.String(RunName(run));
        json.Key("action");
        json.Bool(run.action);
        json.Key("count");
        json.Number(run.totals.count);
        json.Key("bytes");
        json.Number(run.totals.bytes);
        json.Key("kept");
        json.Number(run.kept);
        json.Key("keptForAge");
        json.Number(run.keptForAge);
        if (run.cleaned) {
            json.Key("removed");
            json.Number(run.cleanTotals.removed);
            json.Key("failed");
            json.Number(run.cleanTotals.failed);
            json.Key("changedSinceScan");
            json.Number(run.changed);
            json.Key("bytesFreed");
            json.Number(run.cleanTotals.bytesFreed);
            if (run.isRule) {
                json.Key("foldersRemoved");
                json.Number(run.foldersRemoved);
            }
        }
        if (!run.skipReason.empty()) {
            json.Key("skipped");
            json.String(run.skipReason);
        }
        json.Key("items");
        json.BeginArray();
        run.ForEachItem([&](const FoundItem& item) { WriteItem(&json, run, item); });
        json.EndArray();
        json.EndObject();
        sum.count += run.totals.count;
        sum.bytes += run.totals.bytes;
        kept += run.kept;
        keptForAge += run.keptForAge;
        guarded += run.stoppedByGuard.total;
        cleanSum.removed += run.cleanTotals.removed;
        cleanSum.failed += run.cleanTotals.failed;
        cleanSum.bytesFreed += run.cleanTotals.bytesFreed;
        changed += run.changed;
    }
    json.EndArray();
    json.Key("keepRules");
    json.BeginArray();
    for (const KeepUse& use : rules) {
        json.BeginObject();
        json.Key("glob");
        json.String(host::KeepRuleText(use.rule));
        json.Key("reason");
        json.String(use.rule.reason);
        json.Key("kept");
        json.Number(use.kept);
        json.EndObject();
    }
    json.EndArray();
    // A file that two rows list counts once.
    const Repeats repeats = RepeatsOf(runs);
    json.Key("total");
    json.BeginObject();
    json.Key("count");
    json.Number(sum.count - repeats.listings.count);
    json.Key("bytes");
    json.Number(sum.bytes - repeats.listings.bytes);
    json.Key("repeatedFiles");
    json.Number(repeats.files);
    json.Key("kept");
    json.Number(kept);
    json.Key("keptForAge");
    json.Number(keptForAge);
    json.Key("stoppedByGuard");
    json.Number(guarded);
    json.Key("removed");
    json.Number(cleanSum.removed);
    json.Key("failed");
    json.Number(cleanSum.failed);
    json.Key("changedSinceScan");
    json.Number(changed);
    json.Key("bytesFreed");
    json.Number(cleanSum.bytesFreed);
    json.EndObject();
    json.EndObject();
    return WriteReportText(path, json.Text() + "\n");
}

}  // namespace ufclean
