// The rules that edit a profile's databases instead of deleting files
// (CleaningRule::edit): the scan previews each profile's edit and lists it
// as one item of its row, sized by the bytes the edit would free; the clean
// makes it. Whether an edit is made at all is the browser data layer's
// call: an unknown schema, a damaged file or a database held open refuses
// it with a reason, and nothing changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "browser_data/browser_data.h"
#include "items/item_store.h"
#include "rules/model.h"

namespace host {

// The type text of an edit's item starts so.
constexpr wchar_t kDatabaseEditType[] = L"database edit";

// One profile's edit: what the scan's preview would remove, and once the
// clean ran, what the edit removed or why it was refused.
struct RowEdit {
    std::wstring database;  // the main database: the item's path
    std::wstring profile;   // the profile folder, with its trailing backslash
    RuleFamily family = RuleFamily::None;
    DatabaseEdit edit = DatabaseEdit::None;
    std::vector<std::string> keptSites;  // a cookie edit's
    std::wstring refused;                // why it is not (or was not) made
    bool inUse = false;                  // refused for the browser runs or holds a database
    std::vector<browser_data::RowCount> removed;
    std::uint64_t bytesBefore = 0, bytesAfter = 0;
    bool made = false;  // the clean made it
};

// The bytes the edit frees (or would free).
std::uint64_t Freed(const RowEdit& edit);

// Whether a rule edits databases in a run with this cookie keep list: a
// history edit always, a cookie edit when some site is kept (else its rule
// deletes the whole files).
bool EditsDatabases(const CleaningRule& rule, const std::vector<std::string>& keptSites);

// The database a rule edits in a profile folder (ending in a backslash):
// the first of its keys' names that is a plain file there; empty when none.
std::wstring EditedDatabase(const CleaningRule& rule, const std::wstring& folder);

// Previews the rule's edit in each profile folder (ending in a backslash)
// whose database (the first of the key's names that is a file) is there,
// and adds it to the store as one item (unless it would remove nothing:
// then it is in edits alone), its type text saying what goes
// ("database edit: 812 visits, 90 places") or why nothing will. With
// running (the browser holds its lock file) nothing is opened: the item
// says so and the clean asks again. The edits, their items' count and
// bytes.
void PreviewEdits(const RuleTarget& target, const std::vector<std::wstring>& folders,
                  const std::vector<std::string>& keptSites, bool running, ItemStore* store,
                  std::vector<RowEdit>* edits, ScanTotals* totals);

// The files an edit may change, that are there: each database with its
// -wal and -journal (SQLite makes the -shm index again from them), the
// Visited Links file of a Chromium profile.
std::vector<std::wstring> EditFiles(const RowEdit& edit);

// Makes the edit; its refusal, rows and bytes become the edit's. True when
// it was made.
bool MakeEdit(RowEdit* edit);

// "812 visits, 90 places", or "refused: places.sqlite: in use ...".
std::wstring EditSummary(const RowEdit& edit);

}  // namespace host
