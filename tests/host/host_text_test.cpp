// The host's text routines whose faults would corrupt reports or keep rules.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "text/json_writer.h"
#include "items/keep_list.h"
#include "text/format.h"
#include "items/keep_matcher.h"
#include "text/glob.h"
#include "platform/recycled_dates.h"

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

// The bin's date-deleted text, read in the order of the locale's pattern.
TEST(HostText, ShownDatesReadInTheLocalesOrder) {
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        WORD year, month, day, hour, minute;  // 0 for a text refused
    } rows[] = {
        {L"12/8/2026 11:56 PM", L"M/d/yyyy", 2026, 12, 8, 23, 56},
        {L"12/8/2026 12:05 AM", L"M/d/yyyy", 2026, 12, 8, 0, 5},
        {L"08.12.2026 07:30", L"dd.MM.yyyy", 2026, 12, 8, 7, 30},
        {L"2026/1/18 12:10 PM", L"yyyy/M/d", 2026, 1, 18, 12, 10},
        {L"13/8/2026", L"M/d/yyyy", 0, 0, 0, 0, 0},
        {L"2/30/2026", L"M/d/yyyy", 0, 0, 0, 0, 0},
        {L"12/8", L"M/d/yyyy", 0, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        SYSTEMTIME date = {};
        const bool read = host::ReadShownDate(row.text, row.pattern, &date);
        EXPECT_EQ(read, row.year != 0) << host::Utf8(row.text);
        if (!read) continue;
        EXPECT_EQ(std::make_tuple(date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute),
                  std::make_tuple(row.year, row.month, row.day, row.hour, row.minute))
            << host::Utf8(row.text);
    }
}

}  // namespace
