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
