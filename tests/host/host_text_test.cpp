// The host's text routines whose faults would corrupt reports or keep rules.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "text/json_writer.h"
#include "items/keep_list.h"
#include "text/format.h"
#include "items/keep_matcher.h"
#include "text/glob.h"

namespace {

TEST(HostText, JsonEscapesAndUtf8) {
    const std::pair<std::wstring, const char*> rows[] = {
        {L"C:\\a \"b\"\n\r\t\x01\x1f\x7f", "\"C:\\\\a \\\"b\\\"\\n\\r\\t\\u0001\\u001f\\u007f\""},
        {L"\U0001F600 \u00dc", "\"\xF0\x9F\x98\x80 \xC3\x9C\""},
        // A lone half of a pair becomes U+FFFD.
        {std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"x", "\"\xEF\xBF\xBDx\""},
        {std::wstring(1, static_cast<wchar_t>(0xDE00)) + L"x", "\"\xEF\xBF\xBDx\""},
    };
    for (const auto& [text, json] : rows) EXPECT_EQ(host::JsonString(text), json);
}

TEST(HostText, GlobsMatchWholePathsInAnyCase) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> globs[] = {
        {L"*keep*", L"C:\\WINDOWS\\Temp\\KEEP-me.txt", true},
        {L"c:\\*\\?.log", L"C:\\a\\b\\x.LOG", true},
        {L"*\\Login Data", L"C:\\Login Data\\p\\Login Data", true},
        {L"*\\Login Data", L"C:\\p\\Login Data-journal", false},
        {L"*.tmp", L"C:\\a.tmpx", false},
        {L"**", L"", true},
    };
    for (const auto& [pattern, text, match] : globs)
        EXPECT_EQ(host::GlobMatch(pattern, text), match)
            << host::Utf8(pattern) << " " << host::Utf8(text);
    // The last rule is tried too, not only the built-in list's.
    EXPECT_EQ(host::MatchKeepRule({{L"*.a", L"a"}, {L"*.b", L"b"}}, L"C:\\x.B"), 1);
    EXPECT_EQ(host::HumanSize(1023), L"1023 B");
    EXPECT_EQ(host::HumanSize(5ull << 30), L"5.0 GB");
    SYSTEMTIME date = {2026, 0, 0, 26, 0, 0, 0, 0};  // month 0: no date
    EXPECT_EQ(host::FormatDate(date), L"");
    date = {2026, 12, 0, 6, 4, 10, 0, 0};
    EXPECT_EQ(host::FormatDate(date), L"2026-12-06 04:10");
}

}  // namespace
