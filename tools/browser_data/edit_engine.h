// The one way an edit touches browser databases: the profile's databases are
// opened on one connection (the first as main, the others attached), each is
// checked against what the edit expects of it, then the edit's statements run
// in one transaction that holds SQLite's write lock on all of them, and the
// databases are vacuumed. The edits themselves are tables of statements.
#pragma once

#include "browser_data/browser_data.h"
#include "browser_data/sqlite_db.h"

#include <functional>
#include <string>
#include <vector>

namespace browser_data {

struct TableColumns {
    const char* table;
    std::vector<const char*> columns;
};

// What a database must be before an edit touches it.
struct Expectation {
    const char* name;  // the file's usual name, for reasons: "places.sqlite"
    bool metaVersion;  // the version is the meta table's (Chromium), else user_version
    int minVersion;    // the schema versions whose tables the edit was written from
    int maxVersion;
    std::vector<TableColumns> tables;  // the tables and columns the edit uses
};

// One database of an edit, attached under schema (the first one is "main").
struct Part {
    const char* schema;
    std::wstring path;
    const Expectation* expect;
    bool optional;  // a missing file is skipped, not refused
};

// One statement of an edit. It runs only when its database is part of the
// edit and, if it names one, the optional table exists in it; the rows it
// changes count under kind unless kind is null.
struct Step {
    const char* schema;
    const char* kind;
    const char* sql;
    const char* optionalTable = nullptr;
};

// Runs before the steps, inside the transaction (fills temporary tables the
// steps read); a non-empty result refuses the edit with that reason.
using BeforeSteps = std::function<std::wstring(sqlite3* db, Trace* trace)>;

Outcome RunEdit(const std::vector<Part>& parts, const std::vector<Step>& steps, Mode mode,
                Trace* trace, const BeforeSteps& prepare = {});

// Opens one database on its own and checks it as RunEdit does, inside a
// read transaction; for reading only. Empty reason on success.
std::wstring OpenChecked(const std::wstring& path, const Expectation& expect, Database* db);

}  // namespace browser_data
