// The COM scope object: its log block and what it leaves behind.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>

#include "core/wmi_init.h"
#include "fixtures/fixtures.h"

namespace {

std::wstring LogFile() {
    wchar_t folder[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"UFC_LOG_DIR", folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::wstring(folder) + L"\\WmiInit.txt";
    return fx::Special(CSIDL_LOCAL_APPDATA) + L"\\UnusedFileClean\\logs\\WmiInit.txt";
}

// Runs work on a thread of its own, so COM starts from a clean slate.
DWORD WINAPI RunWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

void OnFreshThread(std::function<void()> work) {
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

// The offset of needle in text at or after from; npos when missing.
std::size_t After(const std::string& text, const std::string& needle, std::size_t from) {
    return from == std::string::npos ? from : text.find(needle, from);
}

TEST(WmiInit, WritesItsBlockInOrderWithItsLineNumbers) {
    DeleteFileW(LogFile().c_str());
    bool locator = false, initialized = false;
    OnFreshThread([&] {
        ufc::WmiInit scope;
        locator = scope.HasLocator();
        initialized = scope.ComInitialized();
    });
    EXPECT_TRUE(initialized);
    std::string log = fx::ReadFileText(LogFile());
    const std::string who = "[128/0] WmiInit::WmiInit .\\cleanup";
    std::size_t at =
        After(log, who + "(116) \r\n\r\n========================Wmi Init==================\r\n", 0);
    at = After(log, who + "(125) Initialize COM successed.\r\n", at);
    at = After(log, who + "(137) Initialize Security successed.\r\n", at);
    at = After(log,
               who + (locator ? "(153) Create instance successed.\r\n"
                              : "(149) Create instance  failed.\r\n"),
               at);
    at = After(log, who + "(156) \r\n\r\n", at);
    EXPECT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find("Wmi Init", log.find("Wmi Init") + 1), std::string::npos);
}

TEST(WmiInit, LeavesTheThreadAsItFoundIt) {
    OnFreshThread([] {
        { ufc::WmiInit scope; }
        // Its own start-up was undone: the thread starts COM afresh.
        HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(again, S_OK);
        if (SUCCEEDED(again)) CoUninitialize();
    });
}

TEST(WmiInit, AThreadInAnotherApartmentIsLoggedAndLeftAlone) {
    DeleteFileW(LogFile().c_str());
    OnFreshThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            ufc::WmiInit scope;
            EXPECT_FALSE(scope.ComInitialized());
        }
        // The caller's own start-up is still in place: one more start is
        // counted (S_FALSE), not made anew.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
    std::string log = fx::ReadFileText(LogFile());
    EXPECT_NE(log.find(".\\cleanup(131) Initialize COM failed.\r\n"), std::string::npos) << log;
}

}  // namespace
