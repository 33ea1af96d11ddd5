#include "pipeline/run_report.h"

#include "text/format.h"

namespace host {

namespace {

void WriteDate(JsonWriter* json, const char* key, const SYSTEMTIME& date) {
    const std::wstring text = FormatDate(date);
    if (text.empty()) return;
    json->Key(key);
    json->String(text);
}

void Field(JsonWriter* json, const char* key, std::uint64_t value) {
    json->Key(key);
    json->Number(value);
}

void Field(JsonWriter* json, const char* key, const std::wstring& value) {
    json->Key(key);
    json->String(value);
}

void WriteItem(JsonWriter* json, const Row& row, const ItemStore& store, std::uint32_t i) {
    json->BeginObject();
    if (row.IsRule())
        Field(json, "rule", row.target.rule->id);
    else
        Field(json, "category", store.Category(i));
    Field(json, "name", std::wstring(store.Name(i)));
    Field(json, "folder", std::wstring(store.Folder(i)));
    Field(json, "path", store.Path(i));
    Field(json, "size", store.Bytes(i));
    Field(json, "type", std::wstring(store.TypeText(i)));
    json->Key("selected");
    json->Bool(store.Selected(i));
    WriteDate(json, "created", store.Date(i, ItemTime::Created));
    WriteDate(json, "accessed", store.Date(i, ItemTime::Accessed));
    WriteDate(json, "written", store.Date(i, ItemTime::Written));
    json->EndObject();
}

// Rows per kind per database, as the scan's preview or the clean's edit
// counted them; a refused edit says why.
void WriteEdits(JsonWriter* json, const Row& row) {
    json->Key("edits");
    json->BeginArray();
    for (const RowEdit& edit : row.edits) {
        for (const auto& count : edit.removed) {
            json->BeginObject();
            Field(json, "database", edit.database);
            Field(json, "kind", Widen(count.kind));
            Field(json, "rows", static_cast<std::uint64_t>(count.rows));
            json->EndObject();
        }
        if (edit.refused.empty()) continue;
        json->BeginObject();
        Field(json, "database", edit.database);
        Field(json, "refused", edit.refused);
        json->EndObject();
    }
    json->EndArray();
}

void WriteRuleFields(JsonWriter* json, const Row& row) {
    Field(json, "rule", row.target.rule->id);
    Field(json, "application", row.target.ApplicationName());
    Field(json, "group", GroupName(row.target.rule->group));
    json->Key("running");
    json->Bool(row.running);
    Field(json, "inUse", row.inUse);
    Field(json, "stoppedByGuard", row.stoppedByGuard.total);
    json->Key("guardReasons");
    json->BeginObject();
    for (const auto& [reason, count] : row.stoppedByGuard.byReason)
        Field(json, Utf8(reason).c_str(), count);
    json->EndObject();
    if (row.inUse || row.running) Field(json, "advice", row.target.InUseAdvice());
}

void WriteRow(JsonWriter* json, const Row& row, const RowFigures& figures, const ItemStore& store) {
    json->BeginObject();
    if (row.IsRule())
        WriteRuleFields(json, row);
    else
        Field(json, "number", row.category);
    Field(json, "name", row.Name());
    json->Key("action");
    json->Bool(row.IsAction());
    Field(json, "count", row.totals.count);
    Field(json, "bytes", row.totals.bytes);
    Field(json, "kept", row.kept);
    Field(json, "keptForAge", row.keptForAge);
    if (!row.IsRule()) Field(json, "inUseAtScan", row.heldAtScan);
    // Its share of the total: a file an earlier row lists counts there.
    Field(json, "found", figures.found);
    Field(json, "foundBytes", figures.foundBytes);
    Field(json, "wouldRemove", figures.wouldRemove);
    Field(json, "wouldFree", figures.wouldFree);
    if (row.cleaned) {
        Field(json, "removed", row.cleanTotals.removed);
        Field(json, "failed", row.cleanTotals.failed);
        Field(json, "changedSinceScan", row.changed);
        Field(json, "bytesFreed", row.cleanTotals.bytesFreed);
        Field(json, "held", row.held);
        Field(json, "bytesHeld", row.heldBytes);
        Field(json, "foldersRemoved", row.foldersRemoved);
    }
    if (!row.skipReason.empty()) Field(json, "skipped", row.skipReason);
    if (row.Edits()) WriteEdits(json, row);
    json->Key("items");
    json->BeginArray();
    for (std::uint32_t i = row.first; i < row.end; ++i) WriteItem(json, row, store, i);
    json->EndArray();
    json->EndObject();
}

void WriteTotals(JsonWriter* json, const Totals& sum, const UndoSummary& held) {
    // A file that two rows list counts once.
    json->Key("total");
    json->BeginObject();
    Field(json, "count", sum.found);
    Field(json, "bytes", sum.foundBytes);
    Field(json, "repeatedFiles", sum.repeatedFiles);
    Field(json, "kept", sum.kept);
    Field(json, "keptForAge", sum.keptForAge);
    Field(json, "stoppedByGuard", sum.stopped);
    Field(json, "inUseAtScan", sum.heldAtScan);
    Field(json, "wouldRemove", sum.wouldRemove);
    Field(json, "wouldFree", sum.wouldFree);
    Field(json, "removed", sum.removed);
    Field(json, "failed", sum.failed);
    Field(json, "inUse", sum.inUse);
    Field(json, "changedSinceScan", sum.changed);
    // Freed now; held files take their room until the undo store lets them go.
    Field(json, "bytesFreed", sum.freed);
    Field(json, "held", sum.held);
    Field(json, "bytesHeld", sum.heldBytes);
    Field(json, "bytesLeft", sum.leftBytes);
    if (!held.runs.empty()) {
        Field(json, "heldUntil", FormatTicks(held.until));
        json->Key("undoRuns");
        json->BeginArray();
        for (const std::wstring& id : held.runs) json->String(id);
        json->EndArray();
    }
    Field(json, "notUndoable", held.notUndoable);
    if (!held.trouble.empty()) Field(json, "notUndoableWhy", held.trouble);
    json->EndObject();
}

}  // namespace

void WriteRunReport(JsonWriter* json, const std::wstring& command, bool stopped,
                    const Pipeline& run) {
    Field(json, "command", command);
    json->Key("stopped");
    json->Bool(stopped);
    json->Key("categories");
    json->BeginArray();
    const std::vector<RowFigures> figures = run.Figures();
    for (std::size_t r = 0; r < run.Rows().size(); ++r)
        if (run.Rows()[r].Shown()) WriteRow(json, run.Rows()[r], figures[r], run.Store());
    json->EndArray();
    json->Key("keepRules");
    json->BeginArray();
    const std::vector<KeepRule>& rules = run.KeepRules();
    for (size_t r = 0; r < rules.size(); ++r) {
        json->BeginObject();
        Field(json, "glob", KeepRuleText(rules[r]));
        Field(json, "reason", rules[r].reason);
        Field(json, "kept", r < run.KeepCounts().size() ? run.KeepCounts()[r] : 0);
        json->EndObject();
    }
    json->EndArray();
    WriteTotals(json, run.Sum(), run.UndoHeld());
}

}  // namespace host
