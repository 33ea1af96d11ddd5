#include "schedule/records_lock.h"

#include <windows.h>

#include "platform/system_error.h"
#include "platform/user_files.h"

namespace host {

namespace {

// How long a command waits for another one's records lock.
const ULONGLONG kLockWaitMs = 60000;

}  // namespace

bool RecordsLock::Acquire(std::wstring* error) {
    const std::wstring folder = UserDataFolder();
    if (!MakeFolder(folder, error)) return false;
    const std::wstring path = folder + L"\\records.lock";
    const ULONGLONG giveUp = GetTickCount64() + kLockWaitMs;
    for (;;) {
        // A link in its place is opened itself (on Windows) and goes, not
        // what it points to.
        file_.reset(CreateFileW(
            path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr));
        if (file_) return true;
        // Another command holds it, or is letting go of it (Windows refuses
        // an open while the delete is pending).
        const DWORD code = GetLastError();
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) ||
            GetTickCount64() > giveUp) {
            *error = L"cannot lock the records (" + path + L"): " + SystemErrorText(code);
            return false;
        }
        Sleep(20);
    }
}

}  // namespace host
