// log.dll: records reach the file stamped with routine, source and line;
// threads never interleave inside a record; calls without an open log or
// with a bad name are harmless.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <thread>

#include "fixtures/fixtures.h"
#include "log.h"
#include "util/log_client.h"

namespace {

std::wstring LogPath(const std::wstring& name) {
    return fx::Special(CSIDL_LOCAL_APPDATA) + L"\\UnusedFileClean\\logs\\" + name;
}

size_t Count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos;
         pos = text.find(needle, pos + needle.size()))
        ++n;
    return n;
}

TEST(LogLibrary, WritesStampedRecordsAndAppends) {
    DeleteFileW(LogPath(L"spine-a.txt").c_str());
    for (int round = 0; round < 2; ++round) {
        ASSERT_GE(ufc::LogOpen("spine-a.txt"), 0);
        ufc::LogWrite("Routine::Name", ".\\cleanup", 42, "hello 100%s\r\n");
        ufc::LogClose();
    }
    std::string text = fx::ReadFileText(LogPath(L"spine-a.txt"));
    // The message is written as given (a "%s" inside it is not a directive).
    EXPECT_EQ(Count(text, "Routine::Name .\\cleanup(42) hello 100%s\r\n"), 2u) << text;
    EXPECT_EQ(Count(text, "[128/0]"), 2u);
}

TEST(LogLibrary, NestedLogsWriteToTheCurrentOne) {
    DeleteFileW(LogPath(L"outer.txt").c_str());
    DeleteFileW(LogPath(L"inner.txt").c_str());
    ASSERT_GE(log_init("outer.txt"), 0);
    ASSERT_GE(log_init("inner.txt"), 0);
    log_redirect("r", "s", 1, 128, 0, "%s", "to inner");
    log_uninit();
    log_redirect("r", "s", 2, 128, 0, "%d items", 7);
    log_uninit();
    EXPECT_NE(fx::ReadFileText(LogPath(L"inner.txt")).find("to inner"), std::string::npos);
    std::string outer = fx::ReadFileText(LogPath(L"outer.txt"));
    EXPECT_NE(outer.find("s(2) 7 items"), std::string::npos);
    EXPECT_EQ(outer.find("to inner"), std::string::npos);
}

TEST(LogLibrary, CallsWithoutAnOpenLogOrWithBadNamesDoNothing) {
    log_uninit();  // nothing open: harmless
    EXPECT_EQ(log_redirect("r", "s", 1, 128, 0, "%s", "lost"), 0);
    EXPECT_EQ(log_init("..\\escape.txt"), -1);
    EXPECT_EQ(log_init("C:\\abs.txt"), -1);
    EXPECT_EQ(log_init(""), -1);
    EXPECT_EQ(log_init(nullptr), -1);
    EXPECT_EQ(log_redirect("r", "s", 1, 128, 0, nullptr), 0);
}

TEST(LogLibrary, TwoThreadsNeverInterleaveInsideARecord) {
    DeleteFileW(LogPath(L"threads.txt").c_str());
    ASSERT_GE(log_init("threads.txt"), 0);
    const std::string a(200, 'a'), b(200, 'b');
    auto writer = [](const std::string& body) {
        for (int i = 0; i < 500; ++i) log_redirect("t", "s", i, 128, 0, "%s", body.c_str());
    };
    std::thread first(writer, a), second(writer, b);
    first.join();
    second.join();
    log_uninit();
    std::string text = fx::ReadFileText(LogPath(L"threads.txt"));
    EXPECT_EQ(Count(text, a + "\r\n"), 500u);
    EXPECT_EQ(Count(text, b + "\r\n"), 500u);
    EXPECT_EQ(Count(text, "\r\n"), 1000u);
}

}  // namespace
