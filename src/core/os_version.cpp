// The platform tests the protected-storage cleaner asks for.
#include "core/system_clean.h"

namespace {

// Fills info with GetVersionExW, first as OSVERSIONINFOEXW (284 bytes), then
// as OSVERSIONINFOW (276 bytes).
bool ReadVersion(OSVERSIONINFOEXW* info) {
    *info = {};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(info))) return true;
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(info)) != 0;
#pragma GCC diagnostic pop
}

static_assert(sizeof(OSVERSIONINFOEXW) == 284 && sizeof(OSVERSIONINFOW) == 276);

}  // namespace

bool CSystemClean::IsNtBelowVersion5() {
    OSVERSIONINFOEXW info;
    return ReadVersion(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           info.dwMajorVersion <= 4;
}

bool CSystemClean::IsNtVersion5OrLater() {
    OSVERSIONINFOEXW info;
    return ReadVersion(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           info.dwMajorVersion >= 5;
}
