// Owners of SQLite's connections and statements, and the few calls the edits
// are made of. Errors come back as text, never as exceptions.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/format.h"

namespace browser_data {

using host::Utf8;
using host::Widen;

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// The connection's last error as text ("database is locked").
std::wstring ErrorOf(sqlite3* db);

// Opens an existing database for reading and writing (never creates one),
// with no wait on a lock. Empty reason on success.
std::wstring OpenExisting(const std::wstring& path, Database* db);

// Prepares one statement; a null owner and *error set on failure.
Statement Prepare(sqlite3* db, const std::string& sql, std::wstring* error);

// Runs a statement to its end; appends its text with bound values to trace.
// The count of rows it changed goes to *changes when given.
bool Run(sqlite3* db, sqlite3_stmt* statement, std::vector<std::string>* trace,
         std::int64_t* changes = nullptr);
bool Run(sqlite3* db, const std::string& sql, std::vector<std::string>* trace,
         std::int64_t* changes = nullptr);

// The first column of the first row as a number or text; false when the
// statement fails or yields no row.
bool QueryInt(sqlite3* db, const std::string& sql, std::int64_t* value);
bool QueryText(sqlite3* db, const std::string& sql, std::string* value);

// The bytes a database takes on disk with its -wal and -journal files.
std::uint64_t DatabaseBytes(const std::wstring& path);

bool FileExists(const std::wstring& path);

}  // namespace browser_data
