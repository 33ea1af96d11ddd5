// log.dll: records stamped with routine, source and line, appended to the
// log that is open last; no log, a bad name or two threads at once are
// harmless.
#include <gtest/gtest.h>

#include <thread>

#include "fixtures/fixtures.h"
#include "log.h"
#include "util/log_client.h"

namespace {

size_t Count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t pos = text.find(needle); pos != std::string::npos;
         pos = text.find(needle, pos + needle.size()))
        ++n;
    return n;
}

TEST(LogLibrary, RecordsGoToTheCurrentLogBadNamesAreRefusedAndThreadsNeverInterleave) {
    for (const wchar_t* name : {L"outer.txt", L"inner.txt"}) DeleteFileW(fx::LogFile(name).c_str());
    for (int round = 0; round < 2; ++round) {
        ASSERT_GE(ufc::LogOpen("outer.txt"), 0);
        ufc::LogWrite("Routine::Name", ".\\cleanup", 42, "hello 100%s\r\n");
        ufc::LogClose();
    }
    ASSERT_GE(log_init("outer.txt"), 0);
    ASSERT_GE(log_init("inner.txt"), 0);
    log_redirect("r", "s", 1, 128, 0, "%s", "to inner");
    log_uninit();
    log_redirect("r", "s", 2, 128, 0, "%d items", 7);
    log_uninit();
    const std::string outer = fx::ReadFileText(fx::LogFile(L"outer.txt"));
    // The message is written as given (a "%s" inside it is no directive).
    EXPECT_EQ(Count(outer, "[128/0] Routine::Name .\\cleanup(42) hello 100%s\r\n"), 2u) << outer;
    EXPECT_EQ(Count(outer, "s(2) 7 items"), 1u) << outer;
    EXPECT_EQ(Count(outer, "to inner"), 0u);
    EXPECT_EQ(Count(fx::ReadFileText(fx::LogFile(L"inner.txt")), "to inner"), 1u);

    log_uninit();  // nothing open
    EXPECT_EQ(log_redirect("r", "s", 1, 128, 0, "%s", "lost"), 0);
    EXPECT_EQ(log_redirect("r", "s", 1, 128, 0, nullptr), 0);
    for (const char* bad : {"..\\escape.txt", "C:\\abs.txt", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(log_init(bad), -1) << (bad ? bad : "null");

    DeleteFileW(fx::LogFile(L"threads.txt").c_str());
    ASSERT_GE(log_init("threads.txt"), 0);
    const std::string a(200, 'a'), b(200, 'b');
    auto writer = [](const std::string& body) {
        for (int i = 0; i < 500; ++i) log_redirect("t", "s", i, 128, 0, "%s", body.c_str());
    };
    std::thread first(writer, a), second(writer, b);
    first.join();
    second.join();
    log_uninit();
    const std::string text = fx::ReadFileText(fx::LogFile(L"threads.txt"));
    EXPECT_EQ(Count(text, a + "\r\n"), 500u);
    EXPECT_EQ(Count(text, b + "\r\n"), 500u);
    EXPECT_EQ(Count(text, "\r\n"), 1000u);
}

}  // namespace
