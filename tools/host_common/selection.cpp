#include "selection.h"

#include <windows.h>

#include <set>

#include "text_format.h"

namespace host {

int DeselectKept(const std::vector<KeepRule>& rules, FoundItem* item) {
    const int rule = MatchKeepRule(rules, *item);
    if (rule >= 0) item->selected = 0;
    return rule;
}

FILETIME AgeLimit(std::uint32_t days) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    const std::uint64_t age = static_cast<std::uint64_t>(days) * 864000000000ull;
    ticks.QuadPart = ticks.QuadPart > age ? ticks.QuadPart - age : 0;
    return {ticks.LowPart, ticks.HighPart};
}

bool DeselectYoungerThan(const FILETIME& youngAfter, FoundItem* item) {
    if (!item->selected) return false;
    // Most scans of the module leave the dates out: the file tells.
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring path = ItemPath(*item);
    if (item->written.wYear == 0 &&
        GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        FileTimeToSystemTime(&data.ftLastWriteTime, &item->written);
    FILETIME written;
    if (item->written.wYear == 0 || !SystemTimeToFileTime(&item->written, &written) ||
        CompareFileTime(&written, &youngAfter) <= 0)
        return false;
    item->selected = 0;
    return true;
}

std::wstring WholeBinReason(const std::wstring& cause) {
    return L"the recycle bin is always emptied whole, and " + cause;
}

void DeselectRepeats(const std::vector<ResultList*>& lists) {
    std::set<std::wstring> seen;
    for (ResultList* list : lists) {
        for (FoundItem& item : *list) {
            if (!item.selected) continue;
            std::wstring path = ItemPath(item);
            CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
            if (!seen.insert(path).second) item.selected = 0;
        }
    }
}

}  // namespace host
