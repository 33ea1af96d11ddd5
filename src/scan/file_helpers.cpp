// Per-file helpers that fill found items: times, sizes, type names, icons.
#include "scan/file_helpers.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "core/system_clean.h"
#include "scan/text_rules.h"
#include "fs/handles.h"
#include "fs/path_text.h"

namespace {

// The default value of HKEY_CLASSES_ROOT\<key> as text into buffer. Only
// string data counts, and data without a terminator is cut at the buffer's
// end rather than read past it.
bool ReadClassDefault(const wchar_t* key, wchar_t (&buffer)[ufc::kPathUnits]) {
    ufc::unique_hkey handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_ALL_ACCESS, handle.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD bytes = sizeof buffer;
    if (RegQueryValueExW(handle.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::size_t units = bytes / sizeof(wchar_t);
    buffer[units < ufc::kPathUnits ? units : ufc::kPathUnits - 1] = 0;
    return buffer[0] != 0;
}

}  // namespace

namespace ufc {

int GetFileTimes(const wchar_t* path, SYSTEMTIME* created, SYSTEMTIME* accessed,
                 SYSTEMTIME* written) {
    unique_hfile file(
        CreateFileW(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    FILETIME times[3];
    if (!GetFileTime(file.get(), &times[0], &times[1], &times[2])) return 0;
    // The records hold UTC; nothing is stored unless all three convert.
    SYSTEMTIME converted[3];
    for (int i = 0; i < 3; ++i)
        if (!FileTimeToSystemTime(&times[i], &converted[i])) return 0;
    *created = converted[0];
    *accessed = converted[1];
    *written = converted[2];
    return 1;
}

std::uint64_t GetFileSize64(const wchar_t* path) {
    if (!PathFileExistsW(path)) return 0;
    // An exclusive read open: a file that another program holds open yields 0.
    unique_hfile file(
        CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

DWORD GetFileTypeName(const wchar_t* extension, std::size_t capacity, wchar_t* out) {
    if (!extension || !extension[0]) return 0;
    wchar_t buffer[kPathUnits];
    if (!ReadClassDefault(extension, buffer) || !ReadClassDefault(buffer, buffer)) {
        CopyTruncated(out, capacity, extension);
        return 0;
    }
    // A description that does not fit leaves the caller's text as it was.
    if (TextLength(buffer) >= capacity) return ERROR_MORE_DATA;
    CopyExact(out, capacity, buffer);
    return 0;
}

}  // namespace ufc

HICON CSystemClean::GetTypeIcon(const wchar_t* path, int small) {
    wchar_t extension[ufc::kPathUnits] = {};
    int hasExtension = ufc::GetFileExtension(path, ufc::kPathUnits, extension);
    wchar_t trace[ufc::kPathUnits + 1];
    ufc::CopyExact(trace, extension);
    ufc::AppendExact(trace, L"\n");
    OutputDebugStringW(trace);
    if (!hasExtension) return nullptr;

    auto cached = IconCache.find(extension);
    if (cached != IconCache.end()) return cached->second;
    if (IconCache.size() >= kIconCacheLimit) return nullptr;
    // The file need not exist: the icon comes from its type alone.
    SHFILEINFOW info = {};
    UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (small ? SHGFI_SMALLICON : 0);
    if (!SHGetFileInfoW(path, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags))
        info.hIcon = nullptr;
    IconCache.emplace(extension, info.hIcon);
    return info.hIcon;
}
