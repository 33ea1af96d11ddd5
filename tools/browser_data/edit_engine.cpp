#include "browser_data/edit_engine.h"

#include <algorithm>

namespace browser_data {

std::int64_t Outcome::Rows(std::string_view kind) const {
    for (const RowCount& count : removed) {
        if (count.kind == kind) return count.rows;
    }
    return 0;
}

namespace {

std::string Quoted(const char* name) {
    return std::string("\"") + name + "\"";
}

bool HasTable(sqlite3* db, const char* schema, const char* table) {
    std::wstring error;
    Statement statement = Prepare(
        db, "SELECT 1 FROM " + Quoted(schema) + ".sqlite_master WHERE type = 'table' AND name = ?",
        &error);
    if (!statement) return false;
    sqlite3_bind_text(statement.get(), 1, table, -1, SQLITE_STATIC);
    return sqlite3_step(statement.get()) == SQLITE_ROW;
}

bool HasColumn(sqlite3* db, const char* schema, const char* table, const char* column) {
    Statement statement =
        Prepare(db, "SELECT 1 FROM pragma_table_info(?, ?) WHERE name = ?", nullptr);
    if (!statement) return false;
    sqlite3_bind_text(statement.get(), 1, table, -1, SQLITE_STATIC);
    sqlite3_bind_text(statement.get(), 2, schema, -1, SQLITE_STATIC);
    sqlite3_bind_text(statement.get(), 3, column, -1, SQLITE_STATIC);
    return sqlite3_step(statement.get()) == SQLITE_ROW;
}

// Why the database attached as schema is not what the edit expects; empty
// when it is. Runs inside the edit's transaction, so the checked state is
// the edited one.
std::wstring Check(sqlite3* db, const char* schema, const Expectation& expect) {
    const std::wstring name = Widen(expect.name) + L": ";
    std::string result;
    if (!QueryText(db, "PRAGMA " + Quoted(schema) + ".quick_check(1)", &result)) {
        return name + L"damaged (" + ErrorOf(db) + L")";
    }
    if (result != "ok") return name + L"damaged (" + Widen(result) + L")";
    std::int64_t version = 0;
    bool known = expect.metaVersion
                     ? QueryInt(db,
                                "SELECT CAST(value AS INTEGER) FROM " + Quoted(schema) +
                                    ".meta WHERE key = 'version'",
                                &version)
                     : QueryInt(db, "PRAGMA " + Quoted(schema) + ".user_version", &version);
    if (!known) return name + L"no schema version";
    if (version < expect.minVersion || version > expect.maxVersion) {
        return name + L"schema version " + std::to_wstring(version) + L" is unknown (known: " +
               std::to_wstring(expect.minVersion) + L" to " + std::to_wstring(expect.maxVersion) +
               L")";
    }
    for (const TableColumns& table : expect.tables) {
        if (!HasTable(db, schema, table.table)) return name + L"no table " + Widen(table.table);
        for (const char* column : table.columns) {
            if (!HasColumn(db, schema, table.table, column)) {
                return name + L"no column " + Widen(column) + L" in " + Widen(table.table);
            }
        }
    }
    return {};
}

std::wstring LockRefusal(sqlite3* db, const Expectation& expect) {
    int code = sqlite3_errcode(db);
    std::wstring name = Widen(expect.name) + L": ";
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        return name + L"in use by another program (" + ErrorOf(db) + L")";
    }
    return name + L"cannot be opened (" + ErrorOf(db) + L")";
}

void Count(std::vector<RowCount>* removed, const char* kind, std::int64_t rows) {
    auto it = std::find_if(removed->begin(), removed->end(),
                           [&](const RowCount& count) { return count.kind == kind; });
    if (it == removed->end()) {
        removed->push_back({kind, rows});
    } else {
        it->rows += rows;
    }
}

// The bytes of the pages a database uses (its free pages aside).
std::uint64_t UsedBytes(sqlite3* db, const char* schema) {
    std::int64_t pages = 0, free = 0, size = 0;
    const std::string pragma = "PRAGMA " + Quoted(schema) + ".";
    if (!QueryInt(db, pragma + "page_count", &pages) ||
        !QueryInt(db, pragma + "freelist_count", &free) ||
        !QueryInt(db, pragma + "page_size", &size) || free > pages)
        return 0;
    return static_cast<std::uint64_t>((pages - free) * size);
}

}  // namespace

Outcome RunEdit(const std::vector<Part>& parts, const std::vector<Step>& steps, Mode mode,
                Trace* trace, const BeforeSteps& prepare) {
    Outcome outcome;
    std::vector<const Part*> present;
    for (const Part& part : parts) {
        if (FileExists(part.path)) {
            present.push_back(&part);
        } else if (!part.optional) {
            outcome.refused = Widen(part.expect->name) + L": no such file";
            return outcome;
        }
        outcome.bytesBefore += DatabaseBytes(part.path);
    }
    outcome.bytesAfter = outcome.bytesBefore;

    Database db;
    std::wstring reason = OpenExisting(present.front()->path, &db);
    if (!reason.empty()) {
        outcome.refused = Widen(present.front()->expect->name) + L": " + reason;
        return outcome;
    }
    Run(db.get(), "PRAGMA temp_store = MEMORY", trace);
    // A preview keeps every change in memory, so nothing of it reaches a file.
    if (mode == Mode::Preview) Run(db.get(), "PRAGMA cache_spill = OFF", trace);
    for (const Part* part : present) {
        if (part == present.front()) continue;
        Statement attach =
            Prepare(db.get(), "ATTACH DATABASE ? AS " + Quoted(part->schema), &reason);
        if (attach)
            sqlite3_bind_text(attach.get(), 1, Utf8(part->path).c_str(), -1, SQLITE_TRANSIENT);
        if (!attach || !Run(db.get(), attach.get(), trace)) {
            outcome.refused = LockRefusal(db.get(), *part->expect);
            return outcome;
        }
    }
    for (const Part* part : present) {
        Run(db.get(), "PRAGMA " + Quoted(part->schema) + ".cache_size = -65536", trace);
    }
    // The write lock on every database, taken at once or not at all.
    if (!Run(db.get(), "BEGIN IMMEDIATE", trace)) {
        outcome.refused = LockRefusal(db.get(), *present.front()->expect);
        return outcome;
    }
    for (const Part* part : present) {
        reason = Check(db.get(), part->schema, *part->expect);
        if (!reason.empty()) {
            outcome.refused = reason;
            return outcome;  // the owner's close rolls the transaction back
        }
    }
    if (prepare) {
        reason = prepare(db.get(), trace);
        if (!reason.empty()) {
            outcome.refused = reason;
            return outcome;
        }
    }
    for (const Step& step : steps) {
        auto part = std::find_if(present.begin(), present.end(), [&](const Part* p) {
            return std::string_view(p->schema) == step.schema;
        });
        if (part == present.end()) continue;
        if (step.optionalTable && !HasTable(db.get(), step.schema, step.optionalTable)) continue;
        std::int64_t changes = 0;
        if (!Run(db.get(), step.sql, trace, &changes)) {
            outcome.refused = Widen((*part)->expect->name) + L": " + ErrorOf(db.get());
            outcome.removed.clear();
            return outcome;
        }
        if (step.kind) Count(&outcome.removed, step.kind, changes);
    }
    if (mode == Mode::Preview) {
        // What the vacuum would leave: the pages still in use, read inside
        // the transaction, so they are the edited state's.
        outcome.bytesAfter = 0;
        for (const Part* part : present) outcome.bytesAfter += UsedBytes(db.get(), part->schema);
        Run(db.get(), "ROLLBACK", trace);
        return outcome;
    }
    if (!Run(db.get(), "COMMIT", trace)) {
        outcome.refused = Widen(present.front()->expect->name) + L": " + ErrorOf(db.get());
        outcome.removed.clear();
        return outcome;
    }
    // The freed pages leave the disk: each file is rewritten, then its
    // write-ahead log emptied. A browser that starts meanwhile only keeps the
    // edit's file at its old size.
    for (const Part* part : present) {
        Run(db.get(), "VACUUM " + Quoted(part->schema), trace);
        Run(db.get(), "PRAGMA " + Quoted(part->schema) + ".wal_checkpoint(TRUNCATE)", trace);
    }
    db.reset();
    outcome.bytesAfter = 0;
    for (const Part* part : present) outcome.bytesAfter += DatabaseBytes(part->path);
    return outcome;
}

std::wstring OpenChecked(const std::wstring& path, const Expectation& expect, Database* db) {
    std::wstring reason = OpenExisting(path, db);
    if (!reason.empty()) return Widen(expect.name) + L": " + reason;
    if (!Run(db->get(), "BEGIN", nullptr)) return LockRefusal(db->get(), expect);
    // A deferred transaction takes its read lock at the first read.
    std::int64_t pages = 0;
    if (!QueryInt(db->get(), "PRAGMA page_count", &pages)) return LockRefusal(db->get(), expect);
    return Check(db->get(), "main", expect);
}

}  // namespace browser_data
