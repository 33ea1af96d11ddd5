// The rule files: the user's JSON rules (every fault refuses the whole file
// with its line) and the community format (every section that can be read
// is one rule, the others are skipped with their reason).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <tuple>
#include <utility>

#include "rules.h"
#include "text_format.h"

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
std::string Describe(const host::CleaningRule& rule) {
    const wchar_t* families[] = {L"", L"[chromium] ", L"[gecko] "};
    std::wstring text = families[static_cast<int>(rule.family)] + rule.application + L": " +
                        rule.name + L" (" + host::GroupName(rule.group) + L")";
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

std::vector<host::CleaningRule> Import(const std::string& text, host::ImportReport* report) {
    std::vector<host::CleaningRule> rules;
    host::ImportCommunityRules(text, &rules, report);
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
     "Baz: files (cache) %LocalAppData%\\Baz|*|RECURSE -<L>\\Baz\\settings.json "
     "-<L>\\Baz\\token.dat -<L>\\Baz\\Profiles\\* off imported",
     "Closes Baz."},
};

// A section that is skipped, and a word of its reason.

const std::pair<const char*, const char*> kSkippedSections[] = {
    {"FileKey1=%WinDir%|*.log", "reaches the Windows folder as a whole"},
    {"FileKey1=%SystemDrive%\\*|*.tmp|RECURSE", "reaches a drive root"},
    {"FileKey1=%ProgramFiles%|*|RECURSE", "reaches Program Files as a whole"},
    {"FileKey1=%SystemDrive%\\Program*|*.log", "reaches Program Files as a whole"},
    {"FileKey1=%UserProfile%\\Documents|*.*", "Documents library as a whole without an age limit"},
    {"FileKey1=%Desktop%|*.lnk", "the Desktop as a whole"},
    {"FileKey1=%UserProfile%\\*|*|RECURSE", "the user's profile as a whole"},
    {"FileKey1=%LocalAppData%|*|REMOVESELF", "the local app data folder as a whole"},
    {"RegKey1=HKCU\\Software\\Foo\nRegKey2=HKCU\\Software\\Bar", "only registry keys"},
    {"Detect=HKCU\\Software\\Foo", "no FileKey"},
    {"FileKey1=%Steam%\\logs|*.*", "unknown variable %Steam%"},
    {"FileKey1=C:\\Foo|*.*", "folder variable"},
    {"FileKey1=%AppData%\\..\\Foo|*.*", "leaves its folder"},
    {"FileKey1=%AppData%\\Foo|*.*|RECURSIVE", "flag \"RECURSIVE\" is unknown"},
    {"FileKey1=%AppData%\\Foo|sub\\*.log", "not a file name"},
    {"DetectOS=99.0|\nFileKey1=%AppData%\\Foo|*.*", "another Windows version"},
    {"SpecialDetect=DET_NOTHING\nFileKey1=%AppData%\\Foo|*.*", "SpecialDetect"},
    {"FileKey1=%AppData%\\Foo|*.*\nExcludeKey1=DIR|%AppData%\\Foo", "cannot be read"},
};

TEST(CommunityRules, SectionsThatCannotBeReadOrReachTooFarAreSkippedWithTheirReason) {
    for (const auto& [section, why] : kSkippedSections) {
        host::ImportReport report;
        const std::vector<host::CleaningRule> rules =
            Import(std::string("[Risky App *]\n") + section + "\n", &report);
        EXPECT_TRUE(rules.empty()) << section;
        EXPECT_EQ(report.skipped, 1u) << section;
        ASSERT_EQ(report.firstReasons.size(), 1u) << section;
        const std::string reason = host::Utf8(report.firstReasons[0]);
        EXPECT_EQ(reason.rfind("[Risky App *]: ", 0), 0u) << reason;
        EXPECT_NE(reason.find(why), std::string::npos) << section << ": " << reason;
    }
}

// A whole file: each section that can be read is one rule (off until
// chosen), with its warning; the others are counted and the first reasons
// kept; ids are unique.
TEST(CommunityRules, AWholeFileGivesARuleOfEachKeyAndVariableAndCountsTheRest) {
    // UTF-16 with its byte order mark, as the file is often saved; comments
    // and blank lines between the sections.
    std::string text = "; Version 260101\r\n\r\n";
    for (const auto& row : kReadSections) text += std::string(std::get<0>(row)) + "\n";
    for (const auto& row : kSkippedSections)
        text += std::string("[Risky App *]\n") + row.first + "\n";
    text += "[Discord Cache *]\nFileKey1=%AppData%\\discord\\GPUCache|*.*\n";
    // Lines no section should hold.
    text += "[]\n=\nno equals sign\n[unclosed\nFileKey1=|||\n" + std::string(5000, '%') + "\n";
    const std::wstring wide = host::Widen(text);
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : wide) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    host::ImportReport report;
    const std::vector<host::CleaningRule> rules = Import(utf16, &report);
    const std::size_t good = std::size(kReadSections) + 1;
    EXPECT_EQ(report.sections, good + std::size(kSkippedSections) + 1);
    EXPECT_EQ(report.rulesMade, good);
    EXPECT_EQ(report.skipped, std::size(kSkippedSections) + 1);
    EXPECT_EQ(report.firstReasons.size(), host::ImportReport::kReasonsKept);
    EXPECT_EQ(report.registryKeys, 4u);
    ASSERT_EQ(rules.size(), good);
    for (std::size_t i = 0; i < std::size(kReadSections); ++i) {
        EXPECT_EQ(Describe(rules[i]), OnThisMachine(std::get<1>(kReadSections[i])));
        EXPECT_EQ(host::Utf8(rules[i].warning), std::get<2>(kReadSections[i]));
    }
    EXPECT_EQ(rules[0].id, L"ini.discord-cache");
    EXPECT_EQ(rules.back().id, L"ini.discord-cache-2");
}

}  // namespace
