// Registry lists that can point at removed programs: the shell's program
// name cache, the registered application paths, the shared-library counts
// and the first-level keys under the machine's Software key. The scans only
// collect; the caller judges which entries are stale.
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/system_clean.h"
#include "fs/handles.h"

namespace {

using ufc::unique_hkey;

constexpr wchar_t kMuiCacheKey[] = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
constexpr wchar_t kAppPathsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr wchar_t kSharedDllsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr wchar_t kSoftwareKey[] = L"Software";

constexpr DWORD kLastValueIndex = 4096;
constexpr DWORD kLastSubkeyIndex = 1024;
constexpr DWORD kSubkeyNameUnits = 2048;

// A zeroed text buffer of `bytes` bytes plus one unit that no read may
// touch, so data without a terminator still ends inside the buffer.
class TextBuffer {
public:
    explicit TextBuffer(DWORD bytes) : bytes_(bytes), units_(bytes / sizeof(wchar_t) + 1) {}
    BYTE* data() { return reinterpret_cast<BYTE*>(units_.data()); }
    DWORD capacity() const { return bytes_; }
    const wchar_t* text() const { return units_.data(); }
    void Clear() { std::fill(units_.begin(), units_.end(), L'\0'); }
    // Ends the text after the `got` bytes that a read stored.
    void EndAfter(DWORD got) { units_[std::min(got, bytes_) / sizeof(wchar_t)] = 0; }

private:
    DWORD bytes_;
    std::vector<wchar_t> units_;
};

unique_hkey OpenKey(HKEY root, const std::wstring& path) {
    unique_hkey key;
    if (RegOpenKeyW(root, path.c_str(), key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

// The names of the direct subkeys, index 0 to 1024 at most; empty when the
// first read fails.
NameList CollectSubkeyNames(HKEY key) {
    NameList names;
    std::vector<wchar_t> name(kSubkeyNameUnits + 1);
    std::vector<wchar_t> className(kSubkeyNameUnits + 1);
    for (DWORD i = 0; i <= kLastSubkeyIndex; ++i) {
        std::fill(name.begin(), name.end(), L'\0');
        DWORD nameUnits = kSubkeyNameUnits;
        DWORD classUnits = kSubkeyNameUnits;
        if (RegEnumKeyExW(key, i, name.data(), &nameUnits, nullptr, className.data(), &classUnits,
                          nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name.data());
    }
    return names;
}

// The default value of one App Paths entry, read twice at most.
bool ReadDefaultValue(HKEY key, TextBuffer& value) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        value.Clear();
        DWORD got = value.capacity();
        if (RegQueryValueExW(key, nullptr, nullptr, nullptr, value.data(), &got) == ERROR_SUCCESS) {
            value.EndAfter(got);
            return true;
        }
    }
    return false;
}

bool HasSubkeys(HKEY key) {
    wchar_t name[kSubkeyNameUnits + 1];
    wchar_t className[kSubkeyNameUnits + 1];
    // Up to four are looked at; one is enough to keep the key.
    for (DWORD i = 0; i < 4; ++i) {
        DWORD nameUnits = kSubkeyNameUnits;
        DWORD classUnits = kSubkeyNameUnits;
        LSTATUS status =
            RegEnumKeyExW(key, i, name, &nameUnits, nullptr, className, &classUnits, nullptr);
        if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) return true;
        if (status == ERROR_NO_MORE_ITEMS) return false;
    }
    return false;
}

// A value whose name or data does not fit the buffers still exists: it
// keeps the key from being listed as empty.
bool HasValues(HKEY key) {
    std::vector<wchar_t> name(kSubkeyNameUnits + 1);
    TextBuffer data(2048);
    for (DWORD i = 0; i <= kLastValueIndex; ++i) {
        DWORD nameUnits = kSubkeyNameUnits;
        DWORD dataBytes = data.capacity();
        LSTATUS status = RegEnumValueW(key, i, name.data(), &nameUnits, nullptr, nullptr,
                                       data.data(), &dataBytes);
        if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) return true;
        if (status == ERROR_NO_MORE_ITEMS) return false;
    }
    return false;
}

}  // namespace

int CSystemClean::ScanMuiCache(NameMap* names) {
    names->clear();
    unique_hkey key = OpenKey(HKEY_CURRENT_USER, kMuiCacheKey);
    if (!key) return 0;
    wchar_t name[1024 + 1] = {};
    TextBuffer data(1024);
    for (DWORD i = 0; i <= kLastValueIndex; ++i) {
        DWORD nameUnits = 1024;
        DWORD dataBytes = data.capacity();
        DWORD type = 0;
        if (RegEnumValueW(key.get(), i, name, &nameUnits, nullptr, &type, data.data(),
                          &dataBytes) != ERROR_SUCCESS) {
            if (i == 0) return 0;
            break;
        }
        data.EndAfter(dataBytes);
        names->emplace(name, data.text());
    }
    return 1;
}

int CSystemClean::CleanMuiCache(std::wstring valueName) {
    unique_hkey key = OpenKey(HKEY_CURRENT_USER, kMuiCacheKey);
    if (!key) return 0;
    return RegDeleteValueW(key.get(), valueName.c_str()) == ERROR_SUCCESS ? 1 : 0;
}

// Subkeys are opened for reading only, so an entry the user may not read
// counts as unopenable; one such entry ends the whole scan with 0.
int CSystemClean::ScanAppPaths(NameMap* names) {
    names->clear();
    NameList subkeys;
    {
        unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, kAppPathsKey);
        if (!key) return 0;
        subkeys = CollectSubkeyNames(key.get());
        if (subkeys.empty()) return 0;
    }
    TextBuffer value(2048);
    for (const std::wstring& name : subkeys) {
        std::wstring path = std::wstring(kAppPathsKey) + L"\\" + name;
        unique_hkey entry;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, entry.put()) !=
            ERROR_SUCCESS)
            return 0;
        if (ReadDefaultValue(entry.get(), value)) names->emplace(name, value.text());
    }
    return 1;
}

int CSystemClean::CleanAppPaths(std::wstring subkeyName) {
    unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, kAppPathsKey);
    if (!key) return 0;
    NameList subkeys = CollectSubkeyNames(key.get());
    if (subkeys.empty()) return 0;  // a key without subkeys
    int result = 1;
    for (const std::wstring& name : subkeys)
        if (StrCmpW(name.c_str(), subkeyName.c_str()) == 0 &&
            RegDeleteKeyW(key.get(), name.c_str()) != ERROR_SUCCESS)
            result = 0;
    return result;
}

int CSystemClean::ScanSharedDlls(NameList* names, bool zeroCountOnly) {
    names->clear();
    unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKey);
    if (!key) return 0;
    // A name of 255 units or more does not fit and ends the scan.
    constexpr DWORD kNameUnits = 255;
    wchar_t name[kNameUnits + 1];
    TextBuffer data(1024);
    for (DWORD i = 0; i <= kLastValueIndex; ++i) {
        DWORD nameUnits = kNameUnits;
        DWORD dataBytes = data.capacity();
        if (RegEnumValueW(key.get(), i, name, &nameUnits, nullptr, nullptr, data.data(),
                          &dataBytes) != ERROR_SUCCESS)
            return i == 0 ? 0 : 1;
        DWORD count = 1;
        if (dataBytes >= sizeof(count)) std::memcpy(&count, data.data(), sizeof(count));
        if (!zeroCountOnly || count == 0) names->push_back(name);
    }
    return 1;
}

int CSystemClean::CleanSharedDlls(std::wstring valueName) {
    unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKey);
    if (!key) return 0;
    BYTE data[256];
    DWORD dataBytes = sizeof(data);
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, data, &dataBytes) ==
        ERROR_FILE_NOT_FOUND)
        return 0;
    return RegDeleteValueW(key.get(), valueName.c_str()) == ERROR_SUCCESS ? 1 : 0;
}

void CSystemClean::ScanEmptySoftwareKeys(NameList* names) {
    NameList subkeys;
    {
        unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, kSoftwareKey);
        if (!key) return;
        subkeys = CollectSubkeyNames(key.get());
    }
    for (const std::wstring& name : subkeys) {
        unique_hkey entry = OpenKey(HKEY_LOCAL_MACHINE, std::wstring(kSoftwareKey) + L"\\" + name);
        if (!entry) return;
        if (HasSubkeys(entry.get())) continue;
        if (!HasValues(entry.get())) names->push_back(name);
    }
}
