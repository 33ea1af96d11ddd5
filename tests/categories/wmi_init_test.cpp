// The COM scope object leaves the thread as it found it.
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

// A thread without COM gets it for the scope and loses it after; a thread
// in another apartment keeps its own start-up.
TEST(WmiInit, UndoesOnlyItsOwnStartUp) {
    bool initialized = false;
    OnFreshThread([&] {
        initialized = ufc::WmiInit().ComInitialized();
        const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(again, S_OK);
        if (SUCCEEDED(again)) CoUninitialize();
    });
    EXPECT_TRUE(initialized);
    OnFreshThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_FALSE(ufc::WmiInit().ComInitialized());
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
}

}  // namespace
