#include "items/keep_matcher.h"

#include <windows.h>

#include "fs/fold.h"
#include "fs/folder_walk.h"
#include "text/format.h"
#include "text/glob.h"
#include "items/keep_list.h"

namespace host {

namespace {

constexpr std::uint8_t kChromium = 1, kGecko = 2, kHoldsChromium = 4;
constexpr std::uint8_t kRead = 8, kChildrenRead = 16;

// What a folder must hold to be a profile of a kind: the file `needs` (if
// any) and one of anyOf.
struct ProfileMarks {
    std::uint8_t kind;
    const wchar_t* needs;
    const wchar_t* anyOf[2];
};

const ProfileMarks kProfileMarks[] = {
    {kChromium, L"Preferences", {L"Login Data", L"Web Data"}},
    {kGecko, nullptr, {L"prefs.js", L"times.json"}},
};

// What a folder must be for a rule of each place (KeepPlace order).
const std::uint8_t kPlaceNeeds[] = {0, kChromium, kGecko, kChromium | kHoldsChromium};

bool HasFile(const std::wstring& folder, const wchar_t* name) {
    const DWORD attributes = GetFileAttributesW((folder + L"\\" + name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsFolded(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() &&
           ufc::StartsFolded(text.substr(text.size() - suffix.size()), suffix);
}

std::uint64_t Bit(size_t b) {
    return std::uint64_t{1} << b;
}

}  // namespace

KeepMatcher::KeepMatcher(const std::vector<KeepRule>& rules, const ChosenByItself* chosen)
    : rules_(rules), applies_(rules.size(), true) {
    for (size_t r = 0; r < rules.size(); ++r) {
        // The built-in rule or the category made to clear these files takes
        // them when the person chose it by itself; no other choice ever does
        // (ids are one rule's each: a rules file cannot take a built-in
        // rule's id).
        applies_[r] = !LetsThrough(rules[r], chosen);
        if (rules[r].place == KeepPlace::Anywhere || !applies_[r]) continue;
        const std::wstring& glob = rules[r].glob;
        const size_t wild = glob.find_first_of(L"*?"), last = glob.find_last_of(L"*?");
        ProfileRule profile{r, ufc::Folded(std::wstring_view(glob).substr(0, wild)),
                            ufc::Folded(last == std::wstring::npos ? glob : glob.substr(last + 1))};
        // A suffix across a backslash is no test of the name.
        if (profile.suffix.find(L'\\') != std::wstring::npos) profile.suffix.clear();
        const size_t b = profiles_.size();
        if (b < 64 && !profile.prefix.empty())
            byFirst_[ufc::FoldUnit(profile.prefix[0]) & 63] |= Bit(b);
        else if (b < 64)
            always_ |= Bit(b);
        profiles_.push_back(std::move(profile));
    }
}

std::uint64_t KeepMatcher::FolderRules(std::wstring_view folder) const {
    std::uint64_t found = 0;
    for (size_t start = 0; start < folder.size();) {
        size_t end = folder.find(L'\\', start);
        if (end == std::wstring_view::npos) end = folder.size();
        const std::wstring_view part = folder.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        for (std::uint64_t rules = byFirst_[ufc::FoldUnit(part[0]) & 63]; rules;
             rules &= rules - 1) {
            const std::wstring& prefix = profiles_[__builtin_ctzll(rules)].prefix;
            // "Extensions\" names the whole part, "Login Data" its start.
            const size_t slash = prefix.find(L'\\');
            if (slash == std::wstring::npos
                    ? ufc::StartsFolded(part, prefix)
                    : part.size() == slash &&
                          ufc::StartsFolded(part, std::wstring_view(prefix).substr(0, slash)))
                found |= rules & (~rules + 1);
        }
    }
    return found;
}

int KeepMatcher::MatchInProfile(std::wstring_view folder, std::wstring_view name,
                                std::uint64_t folderRules) {
    std::uint64_t rules = folderRules | always_;
    if (!name.empty())
        for (std::uint64_t first = byFirst_[ufc::FoldUnit(name[0]) & 63]; first; first &= first - 1)
            if (ufc::StartsFolded(name, profiles_[__builtin_ctzll(first)].prefix))
                rules |= first & (~first + 1);
    for (; rules; rules &= rules - 1) {
        const ProfileRule& profile = profiles_[__builtin_ctzll(rules)];
        if (EndsFolded(name, profile.suffix) && InPlace(folder, name, profile))
            return static_cast<int>(profile.rule);
    }
    // Rules beyond the 64th are tried on every name.
    for (size_t b = 64; b < profiles_.size(); ++b)
        if (InPlace(folder, name, profiles_[b])) return static_cast<int>(profiles_[b].rule);
    return -1;
}

bool KeepMatcher::InPlace(std::wstring_view folder, std::wstring_view name,
                          const ProfileRule& profile) {
    // Only files of a drive's folders: a registry path is no profile.
    if (folder.size() < 3 || folder[1] != L':' || folder[2] != L'\\') return false;
    std::wstring path(folder);
    if (path.back() == L'\\') path.pop_back();
    const size_t folderEnd = path.size();
    path.push_back(L'\\');
    path.append(name);
    const KeepRule& rule = rules_[profile.rule];
    const std::uint8_t needs = kPlaceNeeds[static_cast<int>(rule.place)];
    // The profile is the file's folder or one above it, the nearest first.
    for (size_t end = folderEnd; end != std::wstring::npos && end >= 2;
         end = path.rfind(L'\\', end - 1)) {
        if (!GlobMatch(rule.glob, path.substr(end + 1))) continue;
        const std::uint8_t kinds = Kinds(path.substr(0, end), (needs & kHoldsChromium) != 0);
        if (kinds & needs) return true;
    }
    return false;
}

std::uint8_t KeepMatcher::Kinds(const std::wstring& folder, bool children) {
    const std::wstring key = ufc::Folded(folder);
    auto known = kinds_.find(key);
    std::uint8_t kinds = known == kinds_.end() ? 0 : known->second;
    if (!(kinds & kRead)) {
        kinds |= kRead;
        for (const ProfileMarks& marks : kProfileMarks)
            if ((!marks.needs || HasFile(folder, marks.needs)) &&
                (HasFile(folder, marks.anyOf[0]) || HasFile(folder, marks.anyOf[1])))
                kinds |= marks.kind;
    }
    // Chromium keeps the key to a profile's passwords in the folder above
    // the profiles: a folder holding a profile is read only for that.
    if (children && !(kinds & kChildrenRead)) {
        kinds |= kChildrenRead;
        const std::wstring prefix = folder + L"\\";
        WIN32_FIND_DATAW entry;
        ufc::unique_hfind find = ufc::OpenFolderEntries(prefix.c_str(), &entry);
        bool more = static_cast<bool>(find);
        for (; more && !(kinds & kHoldsChromium); more = FindNextFileW(find.get(), &entry))
            if (ufc::IsWalkableFolder(entry) &&
                (Kinds(prefix + entry.cFileName, false) & kChromium))
                kinds |= kHoldsChromium;
    }
    kinds_[key] = kinds;
    return kinds;
}

int KeepMatcher::Match(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    const std::wstring_view whole(path);
    const std::wstring_view folder = whole.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
    const int inProfile = MatchInProfile(folder, whole.substr(folder.size()), FolderRules(folder));
    for (size_t r = 0; r < rules_.size() && (inProfile < 0 || r < static_cast<size_t>(inProfile));
         ++r)
        if (applies_[r] && rules_[r].place == KeepPlace::Anywhere &&
            GlobMatch(rules_[r].glob, path))
            return static_cast<int>(r);
    return inProfile;
}

int MatchKeepRule(const std::vector<KeepRule>& rules, const FoundItem& item) {
    return MatchKeepRule(rules, ItemPath(item));
}

int MatchKeepRule(const std::vector<KeepRule>& rules, const std::wstring& path) {
    return KeepMatcher(rules, nullptr).Match(path);
}

}  // namespace host
