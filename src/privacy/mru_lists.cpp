// Most-recently-used lists of Windows and Internet Explorer: typed addresses
// and Run-box commands are scanned value by value; the other lists are
// erased whole.
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/progress.h"
#include "core/system_clean.h"
#include "privacy/privacy_folders.h"
#include "fs/handles.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace {

constexpr wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr wchar_t kRunMruKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
constexpr wchar_t kIntelliFormsKey[] = L"Software\\Microsoft\\Internet Explorer\\IntelliForms";
constexpr wchar_t kSearchAssistantKey[] = L"Software\\Microsoft\\Search Assistant\\ACMru";
constexpr const wchar_t* kRecentDocumentKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU",
};

constexpr DWORD kValueNameUnits = 1024;
constexpr DWORD kCleanDataBytes = 1024;

// One list of values under HKEY_CURRENT_USER that the value scan reports.
struct ValueList {
    std::uint32_t category;
    const wchar_t* key;
    DWORD dataBytes;
    std::uint32_t missingKeyResult;
    bool storeEmptyCount;  // an empty key also sets ExpectedCount to 0
};

constexpr ValueList kTypedUrls = {4, kTypedUrlsKey, 2048, 0, false};
constexpr ValueList kRunMru = {8, kRunMruKey, 1024, 1, true};

// Buffers of one value read. The data buffer has one zeroed unit beyond the
// capacity the read is told about, so data that fills the capacity without
// a terminator still ends inside the buffer.
struct ValueBuffers {
    explicit ValueBuffers(DWORD dataBytes)
        : dataCapacity(dataBytes), data(dataBytes / sizeof(wchar_t) + 1) {}

    // Reads value `index` of key into zero-filled buffers.
    bool Read(HKEY key, DWORD index) {
        std::fill(std::begin(name), std::end(name), L'\0');
        std::fill(data.begin(), data.end(), L'\0');
        DWORD nameUnits = kValueNameUnits;
        DWORD dataBytes = dataCapacity;
        return RegEnumValueW(key, index, name, &nameUnits, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(data.data()), &dataBytes) == ERROR_SUCCESS;
    }

    wchar_t name[kValueNameUnits + 1] = {};
    DWORD dataCapacity;
    std::vector<wchar_t> data;
};

// The folder field of a found value: key path + "\" + value name. Removal
// splits it at its last backslash, so a name that does not fit is never cut
// (a cut name could name another value).
bool FillValueItem(const ValueList& list, const ValueBuffers& value, FoundItem* item) {
    item->category = list.category;
    item->selected = 1;
    item->size = 0;
    if (!ufc::CopyExact(item->folder, list.key) || !ufc::AppendExact(item->folder, L"\\") ||
        !ufc::AppendExact(item->folder, value.name))
        return false;
    ufc::CopyTruncated(item->name, value.data.data());
    return true;
}

LSTATUS DeleteUserKey(const wchar_t* key) {
    return SHDeleteKeyW(HKEY_CURRENT_USER, key);
}

using namespace ufc;

// Reports every value of one list as a found item.
std::uint32_t ScanValueList(CSystemClean& cleaner, const ValueList& list, ResultList* results,
                            ScanTotals* totals, IScanProgress* callback) {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, list.key, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
        return list.missingKeyResult;
    DWORD n = GetRegistryValueCount(key.get());
    if (n == 0) {
        if (list.storeEmptyCount) cleaner.ExpectedCount = 0;
        return 1;
    }
    cleaner.ExpectedCount = n;

    ValueBuffers value(list.dataBytes);
    std::uint32_t running = 100;
    for (DWORD i = 0; i < n; ++i, running += 100) {
        if (cleaner.StopRequested()) return 2;
        if (!value.Read(key.get(), i)) continue;
        ReportProgress(callback, list.category, value.data.data(), StepPercent(running, n),
                       static_cast<std::uint32_t>(cleaner.ExaminedCount));
        FoundItem item;
        if (!FillValueItem(list, value, &item)) continue;
        results->push_back(item);
        totals->count += 1;
        cleaner.ExaminedCount += 1;
    }
    return 1;
}

// Deletes the values of one list. Index 0 is read every time because each
// deletion moves the remaining values down; a value that cannot be read
// (too large for the buffer) therefore keeps the values after it.
int CleanValueList(const wchar_t* keyPath, CleanTotals* totals) {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
        return 0;
    DWORD n = GetRegistryValueCount(key.get());
    ValueBuffers value(kCleanDataBytes);
    for (DWORD i = 0; i < n; ++i) {
        if (!value.Read(key.get(), 0)) continue;
        if (RegDeleteValueW(key.get(), value.name) == ERROR_SUCCESS)
            totals->removed += 1;
        else
            totals->failed += 1;
    }
    return 1;
}

}  // namespace

std::uint32_t CSystemClean::ScanTypedUrls(ResultList* results, ScanTotals* totals,
                                          IScanProgress* callback) {
    return ScanValueList(*this, kTypedUrls, results, totals, callback);
}

std::uint32_t CSystemClean::ScanRunMru(ResultList* results, ScanTotals* totals,
                                       IScanProgress* callback) {
    return ScanValueList(*this, kRunMru, results, totals, callback);
}

int CSystemClean::CleanTypedUrls(CleanTotals* totals) {
    return CleanValueList(kTypedUrlsKey, totals);
}

int CSystemClean::CleanRunMru(CleanTotals* totals) {
    return CleanValueList(kRunMruKey, totals);
}

void CSystemClean::CleanRecentDocuments() {
    ufc::EmptyFolderBelow(ufc::GetSpecialFolderPath(CSIDL_RECENT, false));
    for (const wchar_t* key : kRecentDocumentKeys) DeleteUserKey(key);
}

void CSystemClean::CleanOfficeRecent() {
    ufc::EmptyFolderBelow(ufc::GetSpecialFolderPath(CSIDL_APPDATA, false),
                          L"\\Microsoft\\Office\\Recent");
}

LSTATUS CSystemClean::CleanSearchAssistantMru() {
    return DeleteUserKey(kSearchAssistantKey);
}

LSTATUS CSystemClean::CleanIntelliForms() {
    return DeleteUserKey(kIntelliFormsKey);
}

bool CSystemClean::DeleteIntelliForms() {
    return DeleteUserKey(kIntelliFormsKey) == ERROR_SUCCESS;
}
