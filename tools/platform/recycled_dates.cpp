#include "platform/recycled_dates.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cwctype>

#include "fs/handles.h"

namespace host {

namespace {

constexpr UINT kNameColumn = 0;
constexpr UINT kOriginColumn = 1;
constexpr UINT kDeletedColumn = 2;
// The shell's date-deleted property (FMTID_Displaced, PID_DISPLACED_DATE).
const SHCOLUMNID kDateDeleted = {
    {0x9B174B33, 0x40FF, 0x11D2, {0xA2, 0x7E, 0x00, 0xC0, 0x4F, 0xC3, 0x08, 0x71}}, 3};

std::wstring ColumnText(IShellFolder2* bin, PCUITEMID_CHILD item, UINT column) {
    SHELLDETAILS details = {};
    if (FAILED(bin->GetDetailsOf(item, column, &details))) return L"";
    wchar_t* text = nullptr;
    if (FAILED(StrRetToStrW(&details.str, item, &text)) || !text) return L"";
    std::wstring copy(text);
    CoTaskMemFree(text);
    return copy;
}

std::wstring ShortDatePattern() {
    wchar_t pattern[80] = {};
    if (!GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 80)) return L"";
    return pattern;
}

bool LocalTextToUtc(const std::wstring& text, const std::wstring& pattern, FILETIME* utc) {
    SYSTEMTIME local, system;
    return ReadShownDate(text, pattern, &local) &&
           TzSpecificLocalTimeToSystemTime(nullptr, &local, &system) &&
           SystemTimeToFileTime(&system, utc);
}

bool DeletedOf(IShellFolder2* bin, PCUITEMID_CHILD item, const std::wstring& pattern,
               FILETIME* deleted) {
    VARIANT value;
    VariantInit(&value);
    SYSTEMTIME system;
    const bool fromProperty = SUCCEEDED(bin->GetDetailsEx(item, &kDateDeleted, &value)) &&
                              value.vt == VT_DATE && VariantTimeToSystemTime(value.date, &system) &&
                              SystemTimeToFileTime(&system, deleted);
    VariantClear(&value);
    return fromProperty || LocalTextToUtc(ColumnText(bin, item, kDeletedColumn), pattern, deleted);
}

}  // namespace

bool ReadShownDate(const std::wstring& text, const std::wstring& shortDate, SYSTEMTIME* date) {
    // The order of the fields: the first letter of each run of d, M or y.
    std::wstring order;
    for (std::size_t i = 0; i < shortDate.size(); ++i) {
        const wchar_t c = shortDate[i];
        if ((c == L'd' || c == L'M' || c == L'y') && (i == 0 || shortDate[i - 1] != c))
            if (order.find(c) == std::wstring::npos) order += c;
    }
    if (order.size() != 3) return false;
    unsigned fields[5] = {};
    std::size_t count = 0;
    bool pm = false, am = false;
    for (std::size_t i = 0; i < text.size();) {
        if (std::iswdigit(text[i])) {
            unsigned value = 0;
            for (; i < text.size() && std::iswdigit(text[i]); ++i)
                value = value > 9999 ? value : value * 10 + (text[i] - L'0');
            if (count < 5) fields[count++] = value;
            continue;
        }
        pm = pm || text.compare(i, 2, L"PM") == 0;
        am = am || text.compare(i, 2, L"AM") == 0;
        ++i;
    }
    if (count < 3) return false;
    *date = {};
    for (std::size_t f = 0; f < 3; ++f) {
        if (order[f] == L'd') date->wDay = static_cast<WORD>(fields[f]);
        if (order[f] == L'M') date->wMonth = static_cast<WORD>(fields[f]);
        if (order[f] == L'y')
            date->wYear = static_cast<WORD>(fields[f] < 100 ? fields[f] + 2000 : fields[f]);
    }
    unsigned hour = count > 3 ? fields[3] : 0;
    if (pm && hour < 12) hour += 12;
    if (am && hour == 12) hour = 0;
    date->wHour = static_cast<WORD>(hour < 24 ? hour : 0);
    date->wMinute = static_cast<WORD>(count > 4 && fields[4] < 60 ? fields[4] : 0);
    FILETIME check;
    return date->wMonth >= 1 && date->wMonth <= 12 && date->wDay >= 1 && date->wDay <= 31 &&
           date->wYear >= 1601 && date->wYear <= 30827 && SystemTimeToFileTime(date, &check);
}

std::vector<RecycledDate> RecycledDates() {
    std::vector<RecycledDate> dates;
    ufc::ComScope com;
    ufc::com_ptr<IShellFolder> desktop;
    ufc::com_ptr<IShellFolder2> bin;
    ufc::com_ptr<IEnumIDList> items;
    PIDLIST_ABSOLUTE binIds = nullptr;
    if (FAILED(SHGetDesktopFolder(desktop.put())) ||
        FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &binIds)) || !binIds)
        return dates;
    const HRESULT bound = desktop->BindToObject(binIds, nullptr, IID_IShellFolder2, bin.put_void());
    CoTaskMemFree(binIds);
    if (FAILED(bound) ||
        bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                         items.put()) != S_OK ||
        !items)
        return dates;
    const std::wstring pattern = ShortDatePattern();
    PITEMID_CHILD item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        RecycledDate date;
        std::wstring folder = ColumnText(bin.get(), item, kOriginColumn);
        if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
        // Folder and name as the module lists them: its origin and name columns.
        date.path = folder + ColumnText(bin.get(), item, kNameColumn);
        if (DeletedOf(bin.get(), item, pattern, &date.deleted)) dates.push_back(date);
        CoTaskMemFree(item);
        item = nullptr;
    }
    return dates;
}

}  // namespace host
