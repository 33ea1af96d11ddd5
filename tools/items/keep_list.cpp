#include "items/keep_list.h"

#include "UnusedFileClean.h"

namespace host {

const std::vector<KeepRule>& DefaultKeepRules() {
    using P = KeepPlace;
    constexpr P kChromium = P::ChromiumProfile, kGecko = P::GeckoProfile;
    const std::wstring passwords = L"saved passwords", key = L"the key to the saved passwords";
    const std::wstring certificates = L"certificates and security devices";
    const std::wstring extensions = L"extensions and their data", settings = L"browser settings";
    const std::wstring mail = L"mail and news", addresses = L"address books";
    // A profile is known by what it holds, wherever it lies: Opera keeps
    // its in "Opera Stable", an Electron application in its own folder, a
    // portable browser anywhere. The browser scans list every file at the
    // top of a profile, and applications keep their settings beside their
    // caches: these files hold the user's own data, not traces.
    static const std::vector<KeepRule> rules = {
        {L"Login Data*", passwords, kChromium},
        {L"Local State", key, P::ChromiumUserData},
        {L"Web Data*", L"autofill entries and saved cards", kChromium},
        {L"Account Web Data*", L"autofill entries of the account", kChromium},
        {L"Bookmarks*", L"bookmarks", kChromium},
        {L"Preferences", settings, kChromium},
        {L"Secure Preferences", settings, kChromium},
        {L"Extensions\\*", extensions, kChromium},
        {L"Extension State\\*", extensions, kChromium},
        {L"Extension Rules\\*", extensions, kChromium},
        {L"Extension Scripts\\*", extensions, kChromium},
        {L"Local Extension Settings\\*", extensions, kChromium},
        {L"Sync Extension Settings\\*", extensions, kChromium},
        {L"Managed Extension Settings\\*", extensions, kChromium},
        {L"IndexedDB\\chrome-extension_*", extensions, kChromium},
        {L"logins.json", passwords, kGecko},
        {L"logins-backup.json", passwords, kGecko},
        {L"signons.sqlite", passwords, kGecko},
        {L"key4.db", key, kGecko},
        {L"key3.db", key, kGecko},
        {L"cert9.db", certificates, kGecko},
        {L"cert8.db", certificates, kGecko},
        {L"cert_override.txt", certificates, kGecko},
        {L"pkcs11.txt", certificates, kGecko},
        {L"secmod.db", certificates, kGecko},
        {L"formhistory.sqlite*", L"form history", kGecko, L"gecko.form-history",
         kCategoryFirefoxFormHistory},
        {L"autofill-profiles.json", L"saved addresses and cards", kGecko},
        {L"places.sqlite*", L"bookmarks and history", kGecko},
        {L"bookmarkbackups\\*", L"bookmark backups", kGecko},
        {L"prefs.js", settings, kGecko},
        {L"user.js", settings, kGecko},
        {L"times.json", settings, kGecko},
        {L"xulstore.json", settings, kGecko},
        {L"handlers.json", settings, kGecko},
        {L"containers.json", settings, kGecko},
        {L"search.json.mozlz4", settings, kGecko},
        {L"permissions.sqlite", settings, kGecko},
        {L"content-prefs.sqlite", settings, kGecko},
        {L"extensions.json", extensions, kGecko},
        {L"extension-*.json", extensions, kGecko},
        {L"extensions\\*", extensions, kGecko},
        {L"browser-extension-data\\*", extensions, kGecko},
        {L"storage-sync*.sqlite*", extensions, kGecko},
        {L"storage\\default\\moz-extension*", extensions, kGecko},
        {L"Mail\\*", mail, kGecko},
        {L"ImapMail\\*", mail, kGecko},
        {L"News\\*", mail, kGecko},
        {L"*.msf", mail, kGecko},
        {L"abook*.sqlite*", addresses, kGecko},
        {L"history.sqlite*", L"collected mail addresses", kGecko},
        {L"calendar-data\\*", L"calendars", kGecko},
        {L"openpgp.sqlite", L"mail encryption keys", kGecko},
        {L"pubring.gpg", L"mail encryption keys", kGecko},
        {L"secring.gpg", L"mail encryption keys", kGecko},
        {L"encrypted-openpgp-passphrase.txt", L"mail encryption keys", kGecko},
        {L"training.dat", L"junk mail training", kGecko},
        {L"*\\profiles.ini", L"the list of a browser's or mail client's profiles"},
        {L"*\\installs.ini", L"the list of a browser's or mail client's profiles"},
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

std::wstring KeepRuleText(const KeepRule& rule) {
    static const wchar_t* const places[] = {L"", L"<Chromium profile>\\", L"<Gecko profile>\\",
                                            L"<Chromium user data>\\"};
    return places[static_cast<int>(rule.place)] + rule.glob;
}

bool LetsThrough(const KeepRule& rule, const ChosenByItself* chosen) {
    return chosen && ((!rule.takenBy.empty() && rule.takenBy == chosen->ruleId) ||
                      (rule.takenByCategory && rule.takenByCategory == chosen->category));
}

bool TakesKeptFiles(const ChosenByItself& choice) {
    for (const KeepRule& keep : DefaultKeepRules())
        if (LetsThrough(keep, &choice)) return true;
    return false;
}

}  // namespace host
