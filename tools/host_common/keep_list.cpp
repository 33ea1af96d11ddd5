#include "keep_list.h"

#include "text_format.h"

namespace host {

const std::vector<KeepRule>& DefaultKeepRules() {
    // The browser scans list every file at the top of a profile folder, and
    // the user's temporary folder and the applications' folders hold their
    // settings beside their caches: these files hold the user's own data,
    // not traces.
    static const std::vector<KeepRule> rules = {
        {L"*\\User Data\\*\\Login Data", L"saved passwords"},
        {L"*\\User Data\\*\\Login Data-journal", L"saved passwords (journal)"},
        {L"*\\User Data\\*\\Login Data For Account*", L"saved passwords of the account"},
        {L"*\\User Data\\*\\Web Data", L"autofill entries and saved cards"},
        {L"*\\User Data\\*\\Web Data-journal", L"autofill entries (journal)"},
        {L"*\\User Data\\*\\Bookmarks", L"bookmarks"},
        {L"*\\User Data\\*\\Bookmarks.bak", L"bookmarks (backup)"},
        {L"*\\User Data\\*\\Preferences", L"browser settings"},
        {L"*\\User Data\\*\\Secure Preferences", L"browser settings (protected)"},
        {L"*\\User Data\\*\\Extension State\\*", L"extensions' state"},
        {L"*\\User Data\\*\\Local Extension Settings\\*", L"extensions' settings"},
        {L"*\\User Data\\*\\Extensions\\*", L"installed extensions"},
        {L"*\\Firefox\\Profiles\\*\\logins.json", L"Firefox saved passwords"},
        {L"*\\Firefox\\Profiles\\*\\key4.db", L"Firefox password key"},
        {L"*\\Firefox\\Profiles\\*\\places.sqlite", L"Firefox bookmarks and history"},
        {L"*\\settings.json", L"application settings"},
        {L"*\\keybindings.json", L"application key bindings"},
        {L"*\\storage.json", L"application state"},
        {L"*\\desktop-config.json", L"Teams settings"},
        {L"*\\prefs", L"Spotify settings"},
        {L"*\\Local Storage\\*", L"sign-ins kept by sites and applications"},
        {L"*\\Session Storage\\*", L"sign-ins kept by sites and applications"},
    };
    return rules;
}

int MatchKeepRule(const std::vector<KeepRule>& rules, const FoundItem& item) {
    return MatchKeepRule(rules, ItemPath(item));
}

int MatchKeepRule(const std::vector<KeepRule>& rules, const std::wstring& path) {
    for (size_t i = 0; i < rules.size(); ++i)
        if (GlobMatch(rules[i].glob, path)) return static_cast<int>(i);
    return -1;
}

}  // namespace host
