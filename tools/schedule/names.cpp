#include "schedule/names.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "fs/fold.h"

namespace host {

namespace {

bool IsNameCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'_' || c == L'.';
}

// A device name, whatever follows its first dot: CON, CON.txt, com1.log,
// and the superscript digits Windows also reserves (COM¹).
bool IsDeviceName(const std::wstring& name) {
    const std::wstring base = name.substr(0, name.find(L'.'));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (ufc::SameFolded(base, device)) return true;
    if (base.size() != 4) return false;
    const std::wstring digits = L"0123456789\u00b9\u00b2\u00b3";
    return (ufc::SameFolded(base.substr(0, 3), L"COM") ||
            ufc::SameFolded(base.substr(0, 3), L"LPT")) &&
           digits.find(base[3]) != std::wstring::npos;
}

}  // namespace

bool CheckName(const std::wstring& name, std::wstring* reason) {
    if (IsDeviceName(name)) {
        *reason = L"\"" + name +
                  L"\" is a device name of Windows (CON, PRN, AUX, NUL, COM1, "
                  L"LPT1 and the like), not a file or task name";
        return false;
    }
    if (name.empty() || name.size() > 64 || !IsNameCharacter(name[0]) || name[0] == L'-' ||
        name[0] == L'_' || name[0] == L'.' ||
        !std::all_of(name.begin(), name.end(), IsNameCharacter)) {
        *reason =
            L"a name is 1 to 64 of A-Z, a-z, 0-9, '-', '_' and '.', starting with "
            L"a letter or digit: \"" +
            name + L"\"";
        return false;
    }
    if (name.back() == L'.') {
        *reason = L"a name may not end with a dot (Windows drops it): \"" + name + L"\"";
        return false;
    }
    return true;
}

bool CheckFullPath(const std::wstring& path, const wchar_t* what, std::wstring* reason) {
    const bool full =
        (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) ||
        (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
    const auto bad = std::find_if(path.begin(), path.end(), [](wchar_t c) {
        return c < 0x20 || c == 0x7F || wcschr(L"\"<>|?*", c) != nullptr;
    });
    if (full && path.size() < MAX_PATH && bad == path.end()) return true;
    *reason = std::wstring(what) +
              L" must be a full path (C:\\... or \\\\server\\share\\...) "
              L"shorter than 260 characters, without control characters "
              L"or \" < > | ? *";
    return false;
}

}  // namespace host
