// What the import of a community file tells about what it left out: the
// reasons of thousands of keys and sections, grouped by kind.
#include "rules/ini_report.h"

#include <algorithm>
#include <map>
#include <utility>

#include "rules/places.h"

namespace host {

namespace {

bool IsKnownVariable(const std::wstring& token) {
    std::vector<RulePlace> places;
    std::wstring reason;
    return ParsePlace(token, &places, &reason);
}

// The reason without what differs from key to key: a quoted text becomes
// "..." and an unknown variable %...%.
std::wstring ReasonKind(const std::wstring& reason) {
    std::wstring kind;
    for (size_t i = 0; i < reason.size(); ++i) {
        const wchar_t c = reason[i];
        const size_t close = c == L'"' || c == L'%' ? reason.find(c, i + 1) : std::wstring::npos;
        if (close != std::wstring::npos &&
            (c == L'"' || !IsKnownVariable(reason.substr(i, close - i + 1)))) {
            kind += c == L'"' ? L"\"...\"" : L"%...%";
            i = close;
            continue;
        }
        kind += c;
    }
    return kind;
}

}  // namespace

std::vector<ReasonGroup> GroupReasons(const ImportReport& report) {
    std::vector<ReasonGroup> groups;
    // By whether it skipped its section and by kind: the group's place, and
    // the section last counted in it.
    std::map<std::pair<bool, std::wstring>, std::pair<size_t, size_t>> found;
    for (const bool skipped : {false, true})
        for (const ImportFault& fault : skipped ? report.skipped : report.droppedKeys) {
            auto [at, added] = found.try_emplace({skipped, ReasonKind(fault.reason)}, groups.size(),
                                                 std::size_t{0});
            if (added) groups.push_back({at->first.second, skipped, 0, 0, &fault});
            ReasonGroup& group = groups[at->second.first];
            group.keys += skipped ? 0 : 1;
            // The faults of a section follow each other.
            if (at->second.second != fault.at) ++group.sections;
            at->second.second = fault.at;
        }
    std::stable_sort(groups.begin(), groups.end(), [](const ReasonGroup& a, const ReasonGroup& b) {
        return (a.keys ? a.keys : a.sections) > (b.keys ? b.keys : b.sections);
    });
    return groups;
}

}  // namespace host
