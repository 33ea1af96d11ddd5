#include "rules/guard.h"

#include <algorithm>

#include "fs/fold.h"
#include "items/selection.h"
#include "rules/model.h"
#include "rules/places.h"

namespace host {

GuardContext GuardContextOf(const RuleTarget& target, bool chosenById) {
    GuardContext context;
    context.olderThanDays = target.rule->olderThanDays;
    context.chosenById = chosenById;
    for (const RuleKey& key : target.rule->keys)
        for (const std::wstring& pattern : key.patterns)
            if (!HasWildcard(pattern))
                context.exactNames.push_back(pattern.substr(pattern.find_last_of(L'\\') + 1));
    context.freshAfter = Ticks(AgeLimit(1));
    return context;
}

void FileGuard::Enter(std::wstring_view folder) {
    decision_ = DecideFolder(folder, context_.olderThanDays, context_.chosenById);
    folder_.assign(folder);
    decided_ = true;
}

GuardVerdict FileGuard::Check(std::wstring_view folder, std::wstring_view name,
                              std::uint64_t newestTicks) {
    if (!decided_ || folder != folder_) Enter(folder);
    return CheckName(name, newestTicks);
}

GuardVerdict FileGuard::CheckName(std::wstring_view name, std::uint64_t newestTicks) const {
    const GuardDecision& decision = decision_;
    if (decision.stop) return {decision.stop};
    if (decision.onlyNames && !MatchesAnyName(decision.onlyNames, name))
        return {kStopWindowsFolder};
    if (decision.programs && IsProgramName(name)) return {kStopProgram};
    if (decision.exactOnly && std::none_of(context_.exactNames.begin(), context_.exactNames.end(),
                                           [&](const std::wstring& exact) {
                                               return ufc::SameFolded(exact, std::wstring(name));
                                           }))
        return {kStopTopFile};
    if (decision.fresh && newestTicks > context_.freshAfter) return {kStopFresh};
    return {};
}

void GuardCounts::Add(const wchar_t* reason, std::uint64_t count) {
    total += count;
    for (auto& [known, counted] : byReason)
        if (wcscmp(known, reason) == 0) {
            counted += count;
            return;
        }
    byReason.emplace_back(reason, count);
}

void GuardCounts::Add(const GuardCounts& other) {
    for (const auto& [reason, count] : other.byReason) Add(reason, count);
}

std::wstring GuardCounts::Text() const {
    std::wstring text = std::to_wstring(total);
    for (size_t i = 0; i < byReason.size(); ++i)
        text += (i ? L", " : L" (") + std::wstring(byReason[i].first) + L": " +
                std::to_wstring(byReason[i].second) + (i + 1 == byReason.size() ? L")" : L"");
    return text;
}

}  // namespace host
