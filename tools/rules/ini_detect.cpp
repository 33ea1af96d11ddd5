// What the sections of the community format detect beyond files and keys:
// the Windows versions a section is for (DetectOS) and the browsers of
// SpecialDetect.
#include "rules/ini_detect.h"

#include <windows.h>

#include "fs/fold.h"
#include "rules/ini_parts.h"

namespace host::ini {

namespace {

struct WindowsVersion {
    unsigned major = 0, minor = 0;
    bool operator<(const WindowsVersion& other) const {
        return major != other.major ? major < other.major : minor < other.minor;
    }
};

// The real version: GetVersionExW answers what the program's manifest asks.
WindowsVersion RunningVersion() {
    static const WindowsVersion version = [] {
        WindowsVersion found;
        using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        auto get = ntdll ? reinterpret_cast<GetVersionFn>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
        OSVERSIONINFOW info = {};
        info.dwOSVersionInfoSize = sizeof info;
        if (get && get(&info) == 0) found = {info.dwMajorVersion, info.dwMinorVersion};
        return found;
    }();
    return version;
}

bool ParseVersion(const std::wstring& text, WindowsVersion* version) {
    const std::vector<std::wstring> parts = Split(text, L'.');
    if (parts.empty() || parts.size() > 2) return false;
    unsigned numbers[2] = {0, 0};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty() || parts[i].size() > 3 ||
            parts[i].find_first_not_of(L"0123456789") != std::wstring::npos)
            return false;
        numbers[i] = static_cast<unsigned>(std::stoul(parts[i]));
    }
    *version = {numbers[0], numbers[1]};
    return true;
}

}  // namespace

bool FitsWindows(const std::wstring& range, std::wstring* reason) {
    const std::vector<std::wstring> bounds = Split(range, L'|');
    WindowsVersion low, high{~0u, ~0u};
    if (bounds.size() != 2 || (!bounds[0].empty() && !ParseVersion(bounds[0], &low)) ||
        (!bounds[1].empty() && !ParseVersion(bounds[1], &high))) {
        *reason = L"cannot be read (DetectOS=MIN|MAX, such as 6.2|)";
        return false;
    }
    const WindowsVersion running = RunningVersion();
    if (running < low || high < running) {
        *reason = L"is for another Windows version";
        return false;
    }
    return true;
}

namespace {

struct SpecialDetection {
    const wchar_t* name;
    const wchar_t* path;
};

const SpecialDetection kSpecialDetections[] = {
    {L"DET_CHROME", L"%LocalAppData%\\Google\\Chrome\\User Data"},
    {L"DET_MOZILLA", L"%AppData%\\Mozilla\\Firefox"},
    {L"DET_THUNDERBIRD", L"%AppData%\\Thunderbird"},
    {L"DET_OPERA", L"%AppData%\\Opera Software"},
    {L"DET_EDGECHROMIUM", L"%LocalAppData%\\Microsoft\\Edge\\User Data"},
};

}  // namespace

const wchar_t* SpecialDetectPath(const std::wstring& name) {
    for (const SpecialDetection& special : kSpecialDetections)
        if (ufc::SameFolded(name, special.name)) return special.path;
    return nullptr;
}

}  // namespace host::ini
