#include "rules/rule_edit.h"

#include <windows.h>

#include "fs/rooted_delete.h"
#include "platform/system_error.h"
#include "rules/places.h"
#include "text/format.h"

namespace host {

namespace {

using browser_data::Family;
using browser_data::Mode;

bool IsPlainFile(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA* data) {
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, data) &&
           !(data->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

Family FamilyOf(RuleFamily family) {
    return family == RuleFamily::Gecko ? Family::Gecko : Family::Chromium;
}

browser_data::Outcome RunAsIs(const RowEdit& edit, Mode mode) {
    if (edit.edit == DatabaseEdit::Cookies)
        return browser_data::KeepCookiesOf(edit.database, FamilyOf(edit.family), edit.keptSites,
                                           mode);
    if (edit.family == RuleFamily::Gecko)
        return browser_data::ClearGeckoHistory(edit.profile, mode);
    return browser_data::ClearChromiumHistory(edit.profile, mode);
}

// SQLite opens a database by its path. The database's folder is reached
// first as a delete reaches it (every folder through its parent's handle,
// no link on the way) and held without delete sharing while the edit, or
// its rolled-back preview, runs: a folder swapped for a link since the scan
// is refused, and none can be swapped meanwhile.
browser_data::Outcome Run(const RowEdit& edit, Mode mode) {
    browser_data::Outcome outcome;
    ufc::RootedDeleter folders(KnownRuleRoots());
    const std::wstring folder = edit.database.substr(0, edit.database.rfind(L'\\'));
    const DWORD reached = folders.AtFolder(folder.c_str(), false, [&](HANDLE) {
        outcome = RunAsIs(edit, mode);
        return DWORD{ERROR_SUCCESS};
    });
    if (reached != ERROR_SUCCESS)
        outcome.refused = L"its folder cannot be reached safely: " + SystemErrorText(reached);
    return outcome;
}

void Take(const browser_data::Outcome& outcome, RowEdit* edit) {
    edit->refused = outcome.refused;
    edit->inUse = outcome.refused.find(L"in use by another program") != std::wstring::npos;
    edit->removed = outcome.removed;
    edit->bytesBefore = outcome.bytesBefore;
    edit->bytesAfter = outcome.bytesAfter;
}

// The names of the databases an edit touches beside its main one.
std::vector<std::wstring> OtherDatabases(const RowEdit& edit) {
    if (edit.edit != DatabaseEdit::History) return {};
    if (edit.family == RuleFamily::Gecko) return {L"favicons.sqlite"};
    return {L"Top Sites", L"Shortcuts", L"Favicons"};
}

}  // namespace

std::uint64_t Freed(const RowEdit& edit) {
    return edit.bytesBefore > edit.bytesAfter ? edit.bytesBefore - edit.bytesAfter : 0;
}

bool EditsDatabases(const CleaningRule& rule, const std::vector<std::string>& keptSites) {
    return rule.edit == DatabaseEdit::History ||
           (rule.edit == DatabaseEdit::Cookies && !keptSites.empty());
}

std::wstring EditedDatabase(const CleaningRule& rule, const std::wstring& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    for (const RuleKey& key : rule.keys)
        for (const std::wstring& name : key.patterns)
            if (IsPlainFile(folder + name, &data)) return folder + name;
    return {};
}

void PreviewEdits(const RuleTarget& target, const std::vector<std::wstring>& folders,
                  const std::vector<std::string>& keptSites, bool running, ItemStore* store,
                  std::vector<RowEdit>* edits, ScanTotals* totals) {
    const CleaningRule& rule = *target.rule;
    for (const std::wstring& folder : folders) {
        RowEdit edit;
        edit.database = EditedDatabase(rule, folder);
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        const std::size_t slash = edit.database.find_last_of(L'\\');
        if (edit.database.empty() || !IsPlainFile(edit.database, &data) ||
            edit.database.size() - slash > MAX_PATH)
            continue;
        edit.profile = folder;
        edit.family = rule.family;
        edit.edit = rule.edit;
        if (rule.edit == DatabaseEdit::Cookies) edit.keptSites = keptSites;
        // A running browser's databases are not opened, not even to look.
        if (running) {
            edit.refused = target.InUseAdvice();
            edit.inUse = true;
        } else {
            Take(Run(edit, Mode::Preview), &edit);
        }
        // An edit that would remove nothing is no item: nothing to do.
        std::int64_t rows = 0;
        for (const browser_data::RowCount& count : edit.removed) rows += count.rows;
        if (edit.refused.empty() && rows == 0) {
            edits->push_back(std::move(edit));
            continue;
        }

        // Its item: the database's name and dates, the bytes the edit frees.
        WIN32_FIND_DATAW entry = {};
        entry.dwFileAttributes = data.dwFileAttributes;
        entry.ftCreationTime = data.ftCreationTime;
        entry.ftLastAccessTime = data.ftLastAccessTime;
        entry.ftLastWriteTime = data.ftLastWriteTime;
        const std::uint64_t freed = Freed(edit);
        entry.nFileSizeHigh = static_cast<DWORD>(freed >> 32);
        entry.nFileSizeLow = static_cast<DWORD>(freed);
        edit.database.copy(entry.cFileName, edit.database.size() - slash - 1, slash + 1);
        store->AddFile(std::wstring_view(edit.database).substr(0, slash + 1), entry,
                       static_cast<std::uint8_t>(kCategoryUnset));
        store->SetTypeText(store->Count() - 1,
                           std::wstring(kDatabaseEditType) + L": " + EditSummary(edit));
        totals->count += 1;
        totals->bytes += freed;
        edits->push_back(std::move(edit));
    }
}

std::vector<std::wstring> EditFiles(const RowEdit& edit) {
    std::vector<std::wstring> databases = {edit.database};
    for (const std::wstring& name : OtherDatabases(edit)) databases.push_back(edit.profile + name);
    std::vector<std::wstring> files;
    WIN32_FILE_ATTRIBUTE_DATA data;
    for (const std::wstring& database : databases)
        for (const wchar_t* suffix : {L"", L"-wal", L"-journal"})
            if (IsPlainFile(database + suffix, &data)) files.push_back(database + suffix);
    if (edit.edit == DatabaseEdit::History && edit.family == RuleFamily::Chromium &&
        IsPlainFile(edit.profile + L"Visited Links", &data))
        files.push_back(edit.profile + L"Visited Links");
    return files;
}

bool MakeEdit(RowEdit* edit) {
    Take(Run(*edit, Mode::Edit), edit);
    edit->made = edit->refused.empty();
    return edit->made;
}

std::wstring EditSummary(const RowEdit& edit) {
    if (!edit.refused.empty()) return L"refused: " + edit.refused;
    std::wstring text;
    for (const browser_data::RowCount& count : edit.removed) {
        if (!text.empty()) text += L", ";
        text += std::to_wstring(count.rows) + L" " + Widen(count.kind);
    }
    return text.empty() ? L"nothing to remove" : text;
}

}  // namespace host
