// The user's rules file: good rules are added, and every fault refuses the
// whole file with the line it is on.
#include <gtest/gtest.h>

#include <set>

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

const host::CleaningRule* Find(const std::vector<host::CleaningRule>& rules, const wchar_t* id) {
    for (const host::CleaningRule& rule : rules)
        if (rule.id == id) return &rule;
    return nullptr;
}

TEST(RulesFile, GoodRulesAreAddedWithTheirFields) {
    const Parsed parsed = Parse(R"({
  "rules": [
    {"id": "chromium.media-cache", "name": "media cache", "group": "cache",
     "family": "chromium", "path": "User Data\\*\\Media Cache"},
    {"id": "gecko.storage", "name": "site storage", "group": "cookies", "family": "gecko",
     "folder": "roaming", "path": "Profiles\\*", "files": ["webappsstore.sqlite"],
     "default": false}
  ]
})");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.rules.size(), host::BuiltInRules().size() + 2);
    const host::CleaningRule* media = Find(parsed.rules, L"chromium.media-cache");
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(media->path, L"User Data\\*\\Media Cache");
    EXPECT_TRUE(media->files.empty());
    EXPECT_TRUE(media->onByDefault);  // a cache rule is on unless it says otherwise
    EXPECT_EQ(media->folder, host::RuleFolder::LocalAppData);
    const host::CleaningRule* storage = Find(parsed.rules, L"gecko.storage");
    ASSERT_NE(storage, nullptr);
    EXPECT_EQ(storage->family, host::BrowserFamily::Gecko);
    EXPECT_EQ(storage->folder, host::RuleFolder::RoamingAppData);
    EXPECT_EQ(storage->group, host::RuleGroup::Cookies);
    EXPECT_EQ(storage->files, std::vector<std::wstring>{L"webappsstore.sqlite"});
    EXPECT_FALSE(storage->onByDefault);
}

// Each bad file, the line its fault is on, and a word of the reason.
struct BadFile {
    const char* what;
    const char* text;
    int line;
    const char* reason;
};

const BadFile kBadFiles[] = {
    {"syntax error", "{\n  \"rules\": [\n    {\"id\": \"a.b\",}\n  ]\n}\n", 3, "syntax error"},
    {"unterminated text", "{\n  \"rules\": [\n    {\"id\": \"a.b\n", 3, "syntax error"},
    {"unknown field",
     "{\"rules\": [\n {\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\",\n"
     "  \"family\": \"gecko\",\n  \"pathh\": \"Profiles\\\\*\\\\c\"}\n]}\n",
     4, "unknown field \"pathh\""},
    {"unknown top field", "{\n\"rules\": [],\n\"rulez\": []\n}", 3, "unknown field \"rulez\""},
    {"root that climbs out of the profile",
     "{\"rules\": [\n {\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\",\n"
     "  \"family\": \"chromium\",\n"
     "  \"path\": \"User Data\\\\*\\\\..\\\\..\\\\..\\\\Documents\"}\n]}\n",
     4, "leaves the profile"},
    {"file that climbs out",
     "{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", \"family\": "
     "\"chromium\",\n \"path\": \"User Data\\\\*\",\n \"files\": [\"..\\\\Local State\"]}]}",
     3, "leaves the profile"},
    {"absolute root",
     "{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", \"family\": "
     "\"chromium\",\n\n \"path\": \"C:\\\\Users\"}]}",
     3, "not relative"},
    {"wildcard inside a name",
     "{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", \"family\": "
     "\"chromium\", \"path\": \"User Data\\\\Prof*\"}]}",
     1, "wildcard"},
    {"id taken by a built-in rule",
     "{\"rules\": [\n{\"id\": \"chromium.cache\", \"name\": \"n\", \"group\": \"cache\", "
     "\"family\": \"chromium\", \"path\": \"User Data\\\\*\\\\Cache\"}]}",
     2, "taken"},
    {"unknown group",
     "{\"rules\": [{\"id\": \"x.y\", \"name\": \"n\",\n \"group\": \"passwords\", \"family\": "
     "\"chromium\", \"path\": \"User Data\\\\*\"}]}",
     2, "unknown group"},
    {"missing path",
     "{\"rules\": [\n\n{\"id\": \"x.y\", \"name\": \"n\", \"group\": \"cache\", "
     "\"family\": \"chromium\"}]}",
     3, "no \"path\""},
    {"rule that is not an object", "{\"rules\": [\n  \"chromium.cache\"\n]}", 2, "object"},
};

TEST(RulesFile, EveryFaultRefusesTheWholeFileWithItsLine) {
    for (const BadFile& bad : kBadFiles) {
        const Parsed parsed = Parse(bad.text);
        EXPECT_FALSE(parsed.ok) << bad.what;
        EXPECT_EQ(parsed.rules.size(), host::BuiltInRules().size()) << bad.what;
        const std::string where = "my-rules.json line " + std::to_string(bad.line) + ":";
        EXPECT_EQ(parsed.error.rfind(where, 0), 0u) << bad.what << ": " << parsed.error;
        EXPECT_NE(parsed.error.find(bad.reason), std::string::npos)
            << bad.what << ": " << parsed.error;
    }
}

TEST(RulesFile, AGoodRuleBeforeABadOneIsNotAddedEither) {
    const Parsed parsed = Parse(R"({"rules": [
  {"id": "chromium.media-cache", "name": "media cache", "group": "cache",
   "family": "chromium", "path": "User Data\\*\\Media Cache"},
  {"id": "chromium.other", "name": "other", "group": "cache",
   "family": "chromium", "path": "User Data\\..\\Other"}
]})");
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(Find(parsed.rules, L"chromium.media-cache"), nullptr);
    EXPECT_EQ(parsed.error.rfind("my-rules.json line 5:", 0), 0u) << parsed.error;
}

TEST(BuiltInRules, IdsAreUniqueAndOnlyCachesAreOnByDefault) {
    std::set<std::wstring> ids;
    for (const host::CleaningRule& rule : host::BuiltInRules()) {
        EXPECT_TRUE(ids.insert(rule.id).second) << host::Utf8(rule.id);
        EXPECT_EQ(rule.onByDefault, rule.group == host::RuleGroup::Cache) << host::Utf8(rule.id);
    }
}

}  // namespace
