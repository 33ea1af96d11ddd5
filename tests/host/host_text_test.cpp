// The host's text routines whose faults would corrupt reports or keep rules.
#include <gtest/gtest.h>

#include "json_writer.h"
#include "keep_list.h"
#include "text_format.h"

namespace {

TEST(HostJson, EscapesQuotesBackslashesAndControls) {
    EXPECT_EQ(host::JsonString(L"C:\\a \"b\"\n\t\x01\x1f"),
              "\"C:\\\\a \\\"b\\\"\\n\\t\\u0001\\u001f\"");
}

TEST(HostJson, NonBmpBecomesFourByteUtf8AndLoneSurrogateReplaced) {
    EXPECT_EQ(host::JsonString(L"\U0001F600"), "\"\xF0\x9F\x98\x80\"");
    EXPECT_EQ(host::JsonString(std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"x"),
              "\"\xEF\xBF\xBDx\"");
}

TEST(HostJson, WriterSeparatesMembersAndNests) {
    host::JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.BeginArray();
    json.Number(1);
    json.Bool(false);
    json.EndArray();
    json.Key("b");
    json.String(L"x");
    json.EndObject();
    EXPECT_EQ(json.Text(), "{\"a\":[1,false],\"b\":\"x\"}");
}

TEST(HostGlob, CaseInsensitiveStarsCrossBackslashes) {
    EXPECT_TRUE(host::GlobMatch(L"*keep*", L"C:\\WINDOWS\\Temp\\KEEP-me.txt"));
    EXPECT_TRUE(host::GlobMatch(L"c:\\*\\?.log", L"C:\\a\\b\\x.LOG"));
    EXPECT_FALSE(host::GlobMatch(L"*\\Login Data", L"C:\\p\\Login Data-journal"));
    EXPECT_FALSE(host::GlobMatch(L"*.tmp", L"C:\\a.tmpx"));
    EXPECT_TRUE(host::GlobMatch(L"**", L""));
}

TEST(HostKeepList, ProtectsProfileFilesButNotTheirTraces) {
    FoundItem item;
    wcscpy(item.folder, L"C:\\users\\u\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\");
    wcscpy(item.name, L"Login Data");
    EXPECT_GE(host::MatchKeepRule(host::DefaultKeepRules(), item), 0);
    wcscpy(item.name, L"Visited Links");
    EXPECT_EQ(host::MatchKeepRule(host::DefaultKeepRules(), item), -1);
    wcscpy(item.name, L"History");
    EXPECT_EQ(host::MatchKeepRule(host::DefaultKeepRules(), item), -1);
}

TEST(HostFormat, HumanSizes) {
    EXPECT_EQ(host::HumanSize(0), L"0 B");
    EXPECT_EQ(host::HumanSize(1023), L"1023 B");
    EXPECT_EQ(host::HumanSize(1536), L"1.5 KB");
    EXPECT_EQ(host::HumanSize(5ull << 30), L"5.0 GB");
}

}  // namespace

namespace {

TEST(HostFormat, DatesOnlyWhenValid) {
    SYSTEMTIME date = {};
    EXPECT_EQ(host::FormatDate(date), L"");
    date.wYear = 2;
    date.wDay = 26;  // month 0: not a date
    EXPECT_EQ(host::FormatDate(date), L"");
    date = {2026, 12, 0, 6, 4, 10, 0, 0};
    EXPECT_EQ(host::FormatDate(date), L"2026-12-06 04:10");
}

}  // namespace
