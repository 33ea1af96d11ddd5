// The rule files: the user's JSON rules (every fault refuses the whole file
// with its line) and the community format (every section that can be read
// is one rule, the others are skipped with their reason).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string_view>
#include <tuple>
#include <utility>

#include "rules/model.h"
#include "text/format.h"
#include "rules/ini_reader.h"
#include "rules/ini_report.h"
#include "rules/json_reader.h"
#include "rules/places.h"
#include "rules/table.h"

namespace {

struct Parsed {
    bool ok;
    std::vector<host::CleaningRule> rules;
    std::string error;
};

Parsed Parse(const std::string& text) {
    Parsed parsed;
    parsed.rules = host::BuiltInRules();
    std::wstring error;
    parsed.ok = host::ParseRules(text, L"my-rules.json", &parsed.rules, &error);
    parsed.error = host::Utf8(error);
    return parsed;
}

// A rule in one line, nearly as the listing of ufclean writes its keys:
// "[family] App: name (group) %Var%\path|patterns|FLAGS ... -excludes
// +detections >age off imported".
std::wstring Keys(const host::CleaningRule& rule) {
    std::wstring text;
    for (const host::RuleKey& key : rule.keys) {
        std::wstring patterns;
        for (const std::wstring& pattern : key.patterns)
            patterns += (patterns.empty() ? L"" : L";") + pattern;
        text += L" " + host::PlaceText({key.root, key.path}) + L"|" +
                (patterns.empty() ? L"*" : patterns) +
                (key.removeSelf ? L"|REMOVESELF"
                 : key.recurse  ? L"|RECURSE"
                                : L"") +
                (key.perProfile && rule.family != host::RuleFamily::None ? L"|PROFILES" : L"");
    }
    return text;
}

std::string Describe(const host::CleaningRule& rule) {
    const wchar_t* families[] = {L"", L"[chromium] ", L"[gecko] "};
    std::wstring text = families[static_cast<int>(rule.family)] + rule.application + L": " +
                        rule.name + L" (" + host::GroupName(rule.group) + L")" + Keys(rule);
    for (const std::wstring& exclude : rule.excludes) text += L" -" + exclude;
    for (const host::RulePlace& place : rule.detectPaths) text += L" +" + host::PlaceText(place);
    for (const std::wstring& key : rule.detectKeys) text += L" +" + key;
    if (rule.olderThanDays) text += L" >" + std::to_wstring(rule.olderThanDays) + L"d";
    if (!rule.onByDefault) text += L" off";
    const wchar_t* sources[] = {L"", L" from file", L" imported"};
    return host::Utf8(text + sources[static_cast<int>(rule.source)]);
}

// "<L>" in an expected description stands for this machine's local app
// data folder.
std::string OnThisMachine(std::string text) {
    const std::string local = host::Utf8(host::KnownFolderPath(host::KnownFolder::LocalAppData));
    for (std::size_t at; (at = text.find("<L>")) != std::string::npos;) text.replace(at, 3, local);
    return text;
}

TEST(RulesFile, GoodRulesAreAddedWithTheirFields) {
    const Parsed parsed = Parse(R"({
  "rules": [
    {"id": "app.cache", "name": "cache", "group": "cache", "application": "App",
     "path": "%LocalAppData%\\App*\\Cache", "files": ["*.tmp", "*.bin"], "recurse": true,
     "olderThanDays": 2, "exclude": ["%LocalAppData%\\App\\Cache\\keep*", "*\\pinned.bin"],
     "detect": ["%LocalAppData%\\App", "HKCU\\Software\\App"]},
    {"id": "chromium.media-cache", "name": "media cache", "group": "cache",
     "family": "chromium", "path": "Media Cache"},
    {"id": "gecko.storage", "name": "site storage", "group": "cookies", "family": "gecko",
     "files": ["webappsstore.sqlite"], "default": false}
  ]
})");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const size_t first = host::BuiltInRules().size();
    std::vector<std::string> added;
    for (size_t i = first; i < parsed.rules.size(); ++i) added.push_back(Describe(parsed.rules[i]));
    // A cache rule is on unless it says otherwise.
    EXPECT_EQ(
        added,
        (std::vector<std::string>{
            OnThisMachine("App: cache (cache) %LocalAppData%\\App*\\Cache|*.tmp;*.bin|"
                          "RECURSE -*\\pinned.bin -<L>\\App\\Cache\\keep* "
                          "+%LocalAppData%\\App +HKCU\\Software\\App >2d from file"),
            "[chromium] : media cache (cache) %application folder%\\Media Cache|*|RECURSE|PROFILES "
            "from file",
            "[gecko] : site storage (cookies) %application folder%|webappsstore.sqlite|PROFILES "
            "off from file"}));
}

// Each bad file, the line its fault is on, and a word of the reason.

#define OWN                                                                                   \
    "{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", \"application\": " \
    "\"A\",\n"
#define FAMILY "{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", \"family\": "

const std::tuple<const char*, int, const char*> kBadFiles[] = {
    {"{\n  \"rules\": [\n    {\"id\": \"a.b\",}\n  ]\n}\n", 3, "syntax error"},
    {"{\n  \"rules\": [\n    {\"id\": \"a.b\n", 3, "syntax error"},
    {OWN "\n \"pathh\": \"%AppData%\\\\c\"}]}", 3, "unknown field \"pathh\""},
    {"{\n\"rules\": [],\n\"rulez\": []\n}", 3, "unknown field \"rulez\""},
    {OWN " \"path\": \"%LocalAppData%\\\\App\\\\..\\\\..\\\\Documents\"}]}", 2,
     "leaves its folder"},
    {FAMILY "\"chromium\",\n \"files\": [\"..\\\\Local State\"]}]}", 2, "leaves its folder"},
    {OWN " \"path\": \"%Steam%\\\\logs\"}]}", 2, "unknown variable %Steam%"},
    {OWN " \"path\": \"%UserProfile%\\\\Documents\"}]}", 2,
     "Documents library as a whole without an age limit"},
    {OWN " \"path\": \"%WinDir%\",\n \"olderThanDays\": 7}]}", 2,
     "reaches the Windows folder as a whole"},
    {FAMILY "\"chromium\",\n \"files\": [\"C:\\\\Windows\\\\x.log\"]}]}", 2, "not relative"},
    {OWN " \"path\": \"%AppData%\\\\A\",\n \"olderThanDays\": -1}]}", 3, "olderThanDays"},
    {"{\"rules\": [\n{\"id\": \"chromium.cache\", \"name\": \"n\", \"group\": \"cache\", "
     "\"family\": \"chromium\", \"path\": \"Cache\"}]}",
     2, "taken"},
    {"{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\",\n \"group\": \"passwords\", \"family\": "
     "\"chromium\"}]}",
     2, "unknown group"},
    {"{\"rules\": [\n\n{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", "
     "\"application\": \"A\", \"files\": [\"a\"]}]}",
     3, "no \"path\""},
    {"{\"rules\": [\n  \"chromium.cache\"\n]}", 2, "object"},
    {OWN " \"path\": \"%AppData%\\\\A\", \"group\": \"credentials\",\n \"default\": true}]}", 3,
     "cannot be on by default"},
    // A good rule before a bad one is not added either.
    {R"({"rules": [
  {"id": "chromium.media-cache", "name": "media cache", "group": "cache",
   "family": "chromium", "path": "Media Cache"},
  {"id": "chromium.other", "name": "other", "group": "cache",
   "family": "chromium", "path": "..\\Other"}
]})",
     5, "leaves its folder"},
};

#undef OWN
#undef FAMILY

TEST(RulesFile, EveryFaultRefusesTheWholeFileWithItsLine) {
    for (const auto& [text, line, reason] : kBadFiles) {
        const Parsed parsed = Parse(text);
        EXPECT_FALSE(parsed.ok) << text;
        EXPECT_EQ(parsed.rules.size(), host::BuiltInRules().size()) << text;
        const std::string where = "my-rules.json line " + std::to_string(line) + ":";
        EXPECT_EQ(parsed.error.rfind(where, 0), 0u) << text << ": " << parsed.error;
        EXPECT_NE(parsed.error.find(reason), std::string::npos) << text << ": " << parsed.error;
    }
}

std::vector<host::CleaningRule> Import(const std::string& text, host::ImportReport* report,
                                       std::string* error = nullptr) {
    std::vector<host::CleaningRule> rules;
    std::wstring fault;
    EXPECT_EQ(host::ImportCommunityRules(text, L"community.ini", &rules, report, &fault),
              error == nullptr);
    if (error) *error = host::Utf8(fault);
    return rules;
}

// A section of the community format, the rule it gives (off until chosen)
// and its warning.

const std::tuple<const char*, const char*, const char*> kReadSections[] = {
    {"[Discord Cache *]\nDetectFile=%AppData%\\discord\n"
     "FileKey1=%AppData%\\Discord*\\*Cache|*.*|RECURSE\n"
     "FileKey2=%LocalAppData%\\Discord|*.log;*.tmp\n"
     "FileKey3=%LocalAppData%\\Discord\\Temp|*.*|REMOVESELF\n",
     "Discord: cache (cache) %AppData%\\Discord*\\*Cache|*|RECURSE "
     "%LocalAppData%\\Discord|*.log;*.tmp %LocalAppData%\\Discord\\Temp|*|REMOVESELF "
     "+%AppData%\\discord off imported",
     ""},
    {"[Foo Logs *]\nDetect=HKCU\\Software\\Foo\nDetect2=HKLM\\Software\\Foo\n"
     "FileKey1=%ProgramFiles%\\Foo\\logs\\|*.log\n",
     "Foo: logs (logs) %ProgramFiles%\\Foo\\logs|*.log %ProgramFiles(x86)%\\Foo\\logs|*.log "
     "+HKCU\\Software\\Foo +HKLM\\Software\\Foo off imported",
     ""},
    {"[Bar Crash Reports *]\nFileKey1=%ProgramData%\\Bar\\Dumps|*.dmp\n"
     "FileKey2=%UserProfile%\\.bar\\crash|*.*|RECURSE\nFileKey3=%WinDir%\\Logs\\Bar|*.log\n"
     "FileKey4=%SystemDrive%\\BarTemp|*.*\nFileKey5=%CommonProgramFiles%\\Bar|*.tmp\n"
     "FileKey6=%Public%\\Bar|*.tmp\nFileKey7=%LocalLowAppData%\\Bar|*.tmp\n",
     "Bar: crash reports (crash-reports) %ProgramData%\\Bar\\Dumps|*.dmp "
     "%UserProfile%\\.bar\\crash|*|RECURSE %WinDir%\\Logs\\Bar|*.log %SystemDrive%\\BarTemp|* "
     "%CommonProgramFiles%\\Bar|*.tmp %CommonProgramFiles(x86)%\\Bar|*.tmp %Public%\\Bar|*.tmp "
     "%LocalLowAppData%\\Bar|*.tmp off imported",
     ""},
    // Default=True: still off until chosen.
    {"[Baz *]\nLangSecRef=3021\nDefault=True\nWarning=Closes Baz.\n"
     "FileKey1=%LocalAppData%\\Baz|*|RECURSE\nRegKey1=HKCU\\Software\\Baz\\MRU\n"
     "ExcludeKey1=FILE|%LocalAppData%\\Baz\\|settings.json;token.dat\n"
     "ExcludeKey2=PATH|%LocalAppData%\\Baz\\Profiles\\\nExcludeKey3=REG|HKCU\\Software\\Baz\n",
     "Baz: files (other) %LocalAppData%\\Baz|*|RECURSE -<L>\\Baz\\settings.json "
     "-<L>\\Baz\\token.dat -<L>\\Baz\\Profiles\\* off imported",
     "Closes Baz."},
};

// What a section's name (anywhere in it, whole words) or its Section key
// says it cleans: the application, the rule's name and its group.
const std::pair<const char*, const char*> kNamedSections[] = {
    {"[Opera Saved Usernames & Passwords *]", "Opera: saved usernames & passwords (credentials)"},
    {"[Chrome Passwords Backup *]", "Chrome Passwords Backup: files (credentials)"},
    {"[Vivaldi Bookmarks *]", "Vivaldi: bookmarks (credentials)"},
    {"[Chrome Sync Data *]", "Chrome: sync data (credentials)"},
    {"[Firefox Form History *]", "Firefox: form history (site-data)"},
    {"[Edge Autofill Data *]", "Edge Autofill Data: files (site-data)"},
    {"[Brave Web Storage *]", "Brave: web storage (site-data)"},
    {"[Slack Local Storage *]", "Slack: local storage (site-data)"},
    {"[Teams IndexedDB *]", "Teams: indexeddb (site-data)"},
    {"[Opera Session Storage *]", "Opera: session storage (site-data)"},
    {"[Opera Session *]", "Opera: session (session)"},
    {"[Firefox Cookies *]", "Firefox: cookies (cookies)"},
    {"[Steam History *]", "Steam: history (history)"},
    {"[Historyless Temp *]", "Historyless: temp (cache)"},
    {"[Photo Viewer *]", "Photo Viewer: files (other)"},
    {"[Zoom *]\nSection=Saved Passwords", "Zoom: files (credentials)"},
};

TEST(CommunityRules, TheNameOrSectionKeySaysWhatASectionCleans) {
    for (const auto& [section, named] : kNamedSections) {
        host::ImportReport report;
        const auto rules =
            Import(section + std::string("\nFileKey1=%AppData%\\Foo|*.*\n"), &report);
        ASSERT_EQ(rules.size(), 1u) << section;
        EXPECT_EQ(host::Utf8(rules[0].application + L": " + rules[0].name + L" (" +
                             host::GroupName(rules[0].group) + L")"),
                  named);
    }
}

// A section with keys that cannot be used, the keys it keeps (none: the
// section is skipped) and a word of a reason. A bad key is dropped and the
// section keeps the others; a bad exclusion, Windows version or every
// detection skips it, as no usable FileKey does.

const std::tuple<const char*, const wchar_t*, const char*> kFaultySections[] = {
    {"FileKey1=%WinDir%|*.log", L"", "reaches the Windows folder as a whole"},
    {"FileKey1=%SystemDrive%\\*|*.tmp|RECURSE", L"", "reaches a drive root"},
    {"FileKey1=%ProgramFiles%|*|RECURSE", L"", "reaches Program Files as a whole"},
    {"FileKey1=%SystemDrive%\\Program*|*.log", L"", "reaches Program Files as a whole"},
    {"FileKey1=%UserProfile%\\Documents|*.*", L"",
     "Documents library as a whole without an age limit"},
    {"FileKey1=%Desktop%|*.lnk", L"", "the Desktop as a whole"},
    {"FileKey1=%UserProfile%\\*|*|RECURSE", L"", "the user's profile as a whole"},
    {"FileKey1=%LocalAppData%|*|REMOVESELF", L"", "the local app data folder as a whole"},
    {"RegKey1=HKCU\\Software\\Foo\nRegKey2=HKCU\\Software\\Bar", L"", "only registry keys"},
    {"Detect=HKCU\\Software\\Foo", L"", "no FileKey"},
    {"FileKey1=%Steam%\\logs|*.*", L"", "unknown variable %Steam%"},
    {"FileKey1=C:\\Foo|*.*", L"", "folder variable"},
    {"FileKey1=%AppData%\\..\\Foo|*.*", L"", "leaves its folder"},
    {"FileKey1=%AppData%\\Foo|*.*|RECURSIVE", L"", "flag \"RECURSIVE\", which is unknown"},
    {"FileKey1=%AppData%\\Foo|sub\\*.log", L"", "not a file name"},
    {"DetectOS=99.0|\nFileKey1=%AppData%\\Good|*.*", L"", "another Windows version"},
    {"FileKey1=%AppData%\\Good|*.*\nExcludeKey1=DIR|%AppData%\\Good", L"", "cannot be read"},
    {"FileKey1=%AppData%\\Good|*.*\nExcludeKey1=FILE|%Steam%\\|a.txt", L"",
     "exclusion's path uses the unknown variable"},
    {"SpecialDetect=DET_NOTHING\nFileKey1=%AppData%\\Good|*.*", L"",
     "no detection that can be read"},
    {"FileKey1=%AppData%\\Good|*.tmp\nFileKey2=%WinDir%|*.log\nFileKey3=%Steam%\\x|*.*",
     L" %AppData%\\Good|*.tmp", "reaches the Windows folder as a whole"},
    {"FileKey1=%AppData%\\Foo|*.*|RECURSIVE\nFileKey2=%AppData%\\Good|*.*|RECURSE",
     L" %AppData%\\Good|*|RECURSE", "is unknown"},
    {"FileKey1=%WinDir%|*.log\nFileKey2=%UserProfile%\\*|*|RECURSE", L"", "has no usable FileKey"},
    {"DetectFile=%Steam%\\x\nDetectFile2=%AppData%\\Good\nFileKey1=%AppData%\\Good|*.*",
     L" %AppData%\\Good|*", "DetectFile=%Steam%\\x"},
};

TEST(CommunityRules, AKeyThatCannotBeUsedIsDroppedAndASectionWithoutUsableKeysIsSkipped) {
    for (const auto& [section, kept, why] : kFaultySections) {
        host::ImportReport report;
        const std::vector<host::CleaningRule> rules =
            Import(std::string("[Risky App *]\n") + section + "\n", &report);
        std::string faults;
        for (const auto* list : {&report.droppedKeys, &report.skipped})
            for (const host::ImportFault& fault : *list)
                faults += host::Utf8(L"[" + fault.section + L"] " + fault.key + L": " +
                                     fault.reason + L"\n");
        EXPECT_NE(faults.find(why), std::string::npos) << section << ": " << faults;
        EXPECT_EQ(faults.rfind("[Risky App *]", 0), 0u) << faults;
        EXPECT_EQ(report.skipped.size(), *kept ? 0u : 1u) << section << ": " << faults;
        ASSERT_EQ(rules.size(), *kept ? 1u : 0u) << section << ": " << faults;
        if (!rules.empty()) {
            EXPECT_EQ(Keys(rules[0]), kept) << section;
        }
    }
}

// A whole file in each encoding editors save it in: each section that can
// be read is one rule (off until chosen), with its warning; the others are
// counted with their reasons, grouped by kind; ids are unique. A text in
// none of them is refused naming its first bad line.

const std::tuple<const char*, std::string_view, int, std::string_view, const char*> kEncodings[] = {
    {"UTF-8", "", 0, "", nullptr},
    {"UTF-8 with its mark", "\xEF\xBB\xBF", 0, "", nullptr},
    {"UTF-16 LE with its mark", "\xFF\xFE", 1, "", nullptr},
    {"UTF-16 BE with its mark", "\xFE\xFF", 2, "", nullptr},
    {"UTF-16 LE", "", 1, "", nullptr},
    {"UTF-16 BE", "", 2, "", nullptr},
    {"not UTF-8", "", 0, "[Caf\xE9 *]\n", "is not UTF-8"},
    {"UTF-16 cut short", "\xFF\xFE", 1, "[", "half a UTF-16 character"},
    {"binary", "", 0,
     std::string_view("\x7F"
                      "ELF\0\x02",
                      6),
     "NUL character"},
};

TEST(CommunityRules, AWholeFileInEachEncodingGivesARuleOfEachUsableSectionAndCountsTheRest) {
    std::string text = "; Version 260101\r\n\r\n";
    for (const auto& row : kReadSections) text += std::string(std::get<0>(row)) + "\n";
    for (const auto& row : kFaultySections)
        text += std::string("[Risky App *]\n") + std::get<0>(row) + "\n";
    // Names met again, and one that reads as a repeat's id.
    text += "[Discord Cache *]\nFileKey1=%AppData%\\discord\\GPUCache|*.*\n";
    text += "[Discord Cache 2 *]\nFileKey1=%AppData%\\discord\\Code Cache|*.*\n";
    // Lines no section should hold.
    text += "[]\n=\nno equals sign\n[unclosed\nFileKey1=|||\n" + std::string(5000, '%') + "\n";
    const std::string badLine =
        "line " + std::to_string(std::count(text.begin(), text.end(), '\n') + 1) + ": ";
    for (const auto& [name, mark, utf16, tail, fault] : kEncodings) {
        std::string bytes(mark);
        for (wchar_t c : host::Widen(text)) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
            if (utf16 == 0) break;
            bytes += utf16 == 1 ? std::string{low, high} : std::string{high, low};
        }
        if (utf16 == 0) bytes += text;
        bytes += tail;
        host::ImportReport report;
        std::string error;
        const std::vector<host::CleaningRule> rules =
            Import(bytes, &report, fault ? &error : nullptr);
        if (fault) {
            EXPECT_EQ(error.find("community.ini " + badLine), 0u) << name << ": " << error;
            EXPECT_NE(error.find(fault), std::string::npos) << name << ": " << error;
            EXPECT_TRUE(rules.empty() && report.sections == 0) << name;
            continue;
        }
        std::size_t kept = 0;
        for (const auto& row : kFaultySections) kept += *std::get<1>(row) ? 1 : 0;
        const std::size_t good = std::size(kReadSections) + kept + 2;
        const std::size_t faulty = std::size(kFaultySections) - kept + 1;
        EXPECT_EQ(report.sections, good + faulty) << name;
        EXPECT_EQ(report.rulesMade, good) << name;
        EXPECT_EQ(report.skipped.size(), faulty) << name;
        EXPECT_EQ(report.registryKeys, 4u) << name;
        ASSERT_EQ(rules.size(), good) << name;
        for (std::size_t i = 0; i < std::size(kReadSections); ++i) {
            EXPECT_EQ(Describe(rules[i]), OnThisMachine(std::get<1>(kReadSections[i]))) << name;
            EXPECT_EQ(host::Utf8(rules[i].warning), std::get<2>(kReadSections[i])) << name;
        }
        EXPECT_EQ(rules[0].id, L"ini.discord-cache");
        EXPECT_EQ(rules[good - 2].id, L"ini.discord-cache-2");
        EXPECT_EQ(rules[good - 1].id, L"ini.discord-cache-2-2");
        std::map<std::string, std::string> groups;
        for (const host::ReasonGroup& group : host::GroupReasons(report))
            groups[host::Utf8(group.kind)] = std::to_string(group.keys) + " in " +
                                             std::to_string(group.sections) + ", first [" +
                                             host::Utf8(group.example->key) + "]";
        EXPECT_EQ(groups["uses the unknown variable %...%"],
                  "3 in 3, first [FileKey1=%Steam%\\logs|*.*]")
            << name;
        EXPECT_EQ(groups["has no usable FileKey (each was dropped)"], "0 in 15, first []") << name;
    }
}

}  // namespace
