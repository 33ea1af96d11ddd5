// Construction and destruction of the cleaner, and the WOW64 probes.
#include "core/system_clean.h"

#include "fs/handles.h"

namespace {

// Set-up failures are shown without owner window or caption.
void ShowFailure(const wchar_t* text) {
    MessageBoxW(nullptr, text, nullptr, MB_OK);
}

}  // namespace

int IsWow64() {
    ufc::unique_hmodule kernel(LoadLibraryW(L"Kernel32.dll"));
    if (!kernel) {
        ShowFailure(L"load kernel32.dll fail");
        return 1;
    }
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel.get(), "IsWow64Process")));
    if (!isWow64Process) {
        ShowFailure(L"get IsWow64Process failed");
        return 1;
    }
    BOOL wow64 = FALSE;
    if (isWow64Process(GetCurrentProcess(), &wow64) && wow64) return 2;
    return 1;
}

BOOL EnableWow64FsRedirection(BOOL enable) {
    ufc::unique_hmodule kernel(LoadLibraryW(L"Kernel32.dll"));
    if (!kernel) {
        ShowFailure(L"load kernel32.dll fail");
        return 0;
    }
    using EnableRedirectionFn = BOOLEAN(WINAPI*)(BOOLEAN);
    auto enableRedirection = reinterpret_cast<EnableRedirectionFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel.get(), "Wow64EnableWow64FsRedirection")));
    if (!enableRedirection) {
        ShowFailure(L"get Wow64EnableWow64FsRedirection addr failed");
        return 0;
    }
    return enableRedirection(enable ? TRUE : FALSE);
}

CSystemClean::CSystemClean() {
    // The members start empty with Wow64 = 0 and LogHandle = -1.
    if (IsWow64() == 2) Wow64 = 1;
    LogHandle = -1;
    CurrentDrive = L"c:\\";
    ExpectedCount = ExaminedCount = FoundCount = 0;
    CurrentCategory = 0;
    StopFlag.store(0, std::memory_order_relaxed);
}

CSystemClean::~CSystemClean() {
    for (auto& entry : IconCache)
        if (entry.second) DestroyIcon(entry.second);
    IconCache.clear();
    // The path lists and CurrentDrive go with the members.
}
