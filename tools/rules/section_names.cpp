// What a community section says it cleans: its name, and the text of its
// Section key, read for words that name a kind of data.
#include "rules/section_names.h"

#include <windows.h>

#include "fs/fold.h"
#include "rules/model.h"

namespace host {

namespace {

struct GroupWords {
    const wchar_t* words;
    RuleGroup group;
};

// Words found anywhere in the name or the Section key, as whole words. The
// first row found wins: what the user must keep comes before what is only
// traces, and "Form History" before "History". Words that end the name also
// name the rule: "Opera Saved Passwords" is Opera's "saved passwords". A
// section none of these fits is "other", chosen by its id or with
// --with other.
const GroupWords kGroupWords[] = {
    {L"Saved Usernames & Passwords", RuleGroup::Credentials},
    {L"Usernames & Passwords", RuleGroup::Credentials},
    {L"Saved Passwords", RuleGroup::Credentials},
    {L"Passwords", RuleGroup::Credentials},
    {L"Password", RuleGroup::Credentials},
    {L"Logins", RuleGroup::Credentials},
    {L"Login Data", RuleGroup::Credentials},
    {L"Certificates", RuleGroup::Credentials},
    {L"Bookmark Backups", RuleGroup::Credentials},
    {L"Bookmarks", RuleGroup::Credentials},
    {L"Sync Data", RuleGroup::Credentials},
    {L"Form History", RuleGroup::SiteData},
    {L"Form Data", RuleGroup::SiteData},
    {L"Autofill", RuleGroup::SiteData},
    {L"Auto-fill", RuleGroup::SiteData},
    {L"AutoComplete", RuleGroup::SiteData},
    {L"Web Storage", RuleGroup::SiteData},
    {L"DOM Storage", RuleGroup::SiteData},
    {L"Local Storage", RuleGroup::SiteData},
    {L"Session Storage", RuleGroup::SiteData},
    {L"IndexedDB", RuleGroup::SiteData},
    {L"Site Data", RuleGroup::SiteData},
    {L"Sessions", RuleGroup::Session},
    {L"Session", RuleGroup::Session},
    {L"Cookies", RuleGroup::Cookies},
    {L"History", RuleGroup::History},
    {L"MRUs", RuleGroup::History},
    {L"MRU", RuleGroup::History},
    {L"Recent Files", RuleGroup::History},
    {L"Crash Reports", RuleGroup::CrashReports},
    {L"Crash Dumps", RuleGroup::CrashReports},
    {L"Dumps", RuleGroup::CrashReports},
    {L"Log Files", RuleGroup::Logs},
    {L"Logs", RuleGroup::Logs},
    {L"Temp Files", RuleGroup::Cache},
    {L"Temporary Files", RuleGroup::Cache},
    {L"Temp", RuleGroup::Cache},
    {L"Caches", RuleGroup::Cache},
    {L"Cache", RuleGroup::Cache},
};

// Where words stand in text as whole words (both folded), or npos.
size_t FindWords(const std::wstring& text, const std::wstring& words) {
    for (size_t at = text.find(words); at != std::wstring::npos; at = text.find(words, at + 1)) {
        const size_t end = at + words.size();
        if ((at == 0 || !IsCharAlphaNumericW(text[at - 1])) &&
            (end == text.size() || !IsCharAlphaNumericW(text[end])))
            return at;
    }
    return std::wstring::npos;
}

}  // namespace

void NameRule(const std::wstring& section, const std::wstring& sectionKey, CleaningRule* rule) {
    static const std::vector<std::wstring> folded = [] {
        std::vector<std::wstring> all;
        for (const GroupWords& entry : kGroupWords) all.push_back(ufc::Folded(entry.words));
        return all;
    }();
    std::wstring title = section;
    if (title.size() > 2 && title.compare(title.size() - 2, 2, L" *") == 0)
        title.erase(title.find_last_not_of(L' ', title.size() - 2) + 1);
    rule->application = title;
    rule->name = L"files";
    rule->group = RuleGroup::Other;
    const std::wstring name = ufc::Folded(title), said = ufc::Folded(sectionKey);
    for (size_t row = 0; row < folded.size(); ++row) {
        const size_t at = FindWords(name, folded[row]);
        if (at == std::wstring::npos && FindWords(said, folded[row]) == std::wstring::npos)
            continue;
        rule->group = kGroupWords[row].group;
        // Words that end the name, after the application's, name the rule.
        if (at != std::wstring::npos && at + folded[row].size() == name.size() && at > 1 &&
            title[at - 1] == L' ') {
            rule->application = title.substr(0, title.find_last_not_of(L' ', at - 1) + 1);
            rule->name = title.substr(at);
            CharLowerBuffW(&rule->name[0], static_cast<DWORD>(rule->name.size()));
        }
        return;
    }
}

}  // namespace host
