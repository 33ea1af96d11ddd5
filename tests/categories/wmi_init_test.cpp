// The COM scope object: its log block, and the thread left as it was found.
#include <gtest/gtest.h>

#include <functional>

#include "core/wmi_init.h"
#include "fixtures/fixtures.h"

namespace {

DWORD WINAPI RunWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

// Runs work on a thread of its own, so COM starts from a clean slate.
void OnFreshThread(std::function<void()> work) {
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

TEST(WmiInit, WritesItsBlockOnceAndUndoesOnlyItsOwnStartUp) {
    const std::wstring logFile = fx::LogFile(L"WmiInit.txt");
    DeleteFileW(logFile.c_str());
    bool locator = false, initialized = false;
    OnFreshThread([&] {
        {
            ufc::WmiInit scope;
            locator = scope.HasLocator();
            initialized = scope.ComInitialized();
        }
        // Its own start-up was undone: the thread starts COM afresh.
        const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(again, S_OK);
        if (SUCCEEDED(again)) CoUninitialize();
    });
    EXPECT_TRUE(initialized);
    const std::string log = fx::ReadFileText(logFile);
    const std::string done =
        locator ? "(153) Create instance successed." : "(149) Create instance  failed.";
    EXPECT_LT(log.find("(125) Initialize COM successed."), log.find(done)) << log;
    EXPECT_NE(log.find(done), std::string::npos) << log;
    EXPECT_EQ(log.find("Wmi Init", log.find("Wmi Init") + 1), std::string::npos) << "one block";

    // A thread in another apartment: logged, and its own start-up kept.
    DeleteFileW(logFile.c_str());
    OnFreshThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            ufc::WmiInit scope;
            EXPECT_FALSE(scope.ComInitialized());
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
    EXPECT_NE(fx::ReadFileText(logFile).find(".\\cleanup(131) Initialize COM failed.\r\n"),
              std::string::npos);
}

}  // namespace
