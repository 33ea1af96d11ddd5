#include "log.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct OpenLog {
    HANDLE file;
    int handle;
};

std::mutex g_lock;
std::vector<OpenLog> g_open;  // the last entry is the current log
int g_nextHandle = 0;
HMODULE g_self = nullptr;

bool IsBareName(const char* name) {
    if (!name || !*name) return false;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') return false;
    return std::string(name) != "." && std::string(name) != "..";
}

// UFC_LOG_DIR when set, else <local application data>\UnusedFileClean\logs,
// else a "logs" folder beside log.dll. The folders are created on demand.
std::wstring LogFolder() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"UFC_LOG_DIR", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        CreateDirectoryW(buffer, nullptr);
        return buffer;
    }
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0,
                                   buffer))) {
        std::wstring folder = std::wstring(buffer) + L"\\UnusedFileClean";
        CreateDirectoryW(folder.c_str(), nullptr);
        folder += L"\\logs";
        CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }
    n = GetModuleFileNameW(g_self, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L"logs";
    std::wstring folder(buffer, n);
    folder.resize(folder.find_last_of(L'\\') + 1);
    folder += L"logs";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring Widen(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

int __cdecl log_init(const char* fileName) {
    if (!IsBareName(fileName)) return -1;
    try {
        std::wstring folder = LogFolder();
        std::wstring path = folder + L"\\" + Widen(fileName);
        HANDLE file =
            CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return -1;
        std::lock_guard<std::mutex> hold(g_lock);
        int handle = g_nextHandle++ & 0x3fffffff;
        g_open.push_back({file, handle});
        return handle;
    } catch (...) {
        return -1;
    }
}

int __cdecl log_redirect(const char* routine, const char* source, int line, int level, int flags,
                         const char* format, ...) {
    if (!format) return 0;
    try {
        va_list args;
        va_start(args, format);
        va_list copy;
        va_copy(copy, args);
        int n = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        std::string message(n > 0 ? static_cast<size_t>(n) : 0, '\0');
        if (n > 0) std::vsnprintf(message.data(), message.size() + 1, format, args);
        va_end(args);

        SYSTEMTIME now;
        GetLocalTime(&now);
        char stamp[96];
        std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%d/%d] ", now.wYear,
                      now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                      level, flags);
        std::string record = stamp;
        record += routine ? routine : "?";
        record += ' ';
        record += source ? source : "?";
        record += '(' + std::to_string(line) + ") ";
        record += message;
        if (record.empty() || record.back() != '\n') record += "\r\n";

        std::lock_guard<std::mutex> hold(g_lock);
        if (g_open.empty()) return 0;
        DWORD written = 0;
        WriteFile(g_open.back().file, record.data(), static_cast<DWORD>(record.size()), &written,
                  nullptr);
        return static_cast<int>(written);
    } catch (...) {
        return 0;
    }
}

void __cdecl log_uninit() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_open.empty()) return;
    CloseHandle(g_open.back().file);
    g_open.pop_back();
}
