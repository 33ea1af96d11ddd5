#include "browser_data/sqlite_db.h"

#include <windows.h>

namespace browser_data {

std::wstring ErrorOf(sqlite3* db) {
    return db ? Widen(sqlite3_errmsg(db)) : L"out of memory";
}

std::wstring OpenExisting(const std::wstring& path, Database* db) {
    // SQLite would make an empty database where none is.
    if (!FileExists(path)) return L"no such file";
    sqlite3* raw = nullptr;
    int status = sqlite3_open_v2(Utf8(path).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db->reset(raw);
    if (status != SQLITE_OK) return ErrorOf(raw);
    // A database a running browser holds is refused at once, not waited on.
    sqlite3_busy_timeout(raw, 0);
    sqlite3_extended_result_codes(raw, 1);
    return {};
}

Statement Prepare(sqlite3* db, const std::string& sql, std::wstring* error) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) !=
        SQLITE_OK) {
        if (error) *error = ErrorOf(db);
        sqlite3_finalize(raw);
        return Statement();
    }
    return Statement(raw);
}

bool Run(sqlite3* db, sqlite3_stmt* statement, std::vector<std::string>* trace,
         std::int64_t* changes) {
    if (trace) {
        char* text = sqlite3_expanded_sql(statement);
        if (text) trace->push_back(text);
        sqlite3_free(text);
    }
    int status;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_reset(statement);
    if (changes) *changes = sqlite3_changes64(db);
    return status == SQLITE_DONE;
}

bool Run(sqlite3* db, const std::string& sql, std::vector<std::string>* trace,
         std::int64_t* changes) {
    Statement statement = Prepare(db, sql, nullptr);
    return statement && Run(db, statement.get(), trace, changes);
}

bool QueryInt(sqlite3* db, const std::string& sql, std::int64_t* value) {
    Statement statement = Prepare(db, sql, nullptr);
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) return false;
    *value = sqlite3_column_int64(statement.get(), 0);
    return true;
}

bool QueryText(sqlite3* db, const std::string& sql, std::string* value) {
    Statement statement = Prepare(db, sql, nullptr);
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) return false;
    const unsigned char* text = sqlite3_column_text(statement.get(), 0);
    *value = text ? reinterpret_cast<const char*>(text) : "";
    return true;
}

static std::uint64_t FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::uint64_t DatabaseBytes(const std::wstring& path) {
    return FileBytes(path) + FileBytes(path + L"-wal") + FileBytes(path + L"-journal");
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace browser_data
