// The guard on every file a cleaning rule reaches, whatever the rule says:
// one policy over the file's real full path, after the rule's variables,
// wildcards and walk. The rule scan asks it before a file enters the list,
// and the rule clean asks again just before the delete, so that no rule of
// any source (built-in, the user's file, a community file) takes a drive
// root's files, Windows itself, programs, the user's documents or the top
// files of a profile. The load-time check (ProtectedReach) refuses the
// plain cases early with a clear reason; the guard holds for all the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rules/guard_places.h"

namespace host {

struct RuleTarget;

// What the guard knows of the rule that reached a file.
struct GuardContext {
    std::uint32_t olderThanDays = 0;  // the rule's own age limit
    bool chosenById = false;          // named by the person: not on by default, not by group
    // The file names the rule's keys give without a wildcard.
    std::vector<std::wstring> exactNames;
    // FILETIME ticks: a file in a temporary folder written or made later
    // belongs to a program running now.
    std::uint64_t freshAfter = 0;
};

// The target's context, "now" taken at the call; chosenById: the person
// chose its rule by itself (with an age limit it may then reach the user's
// libraries).
GuardContext GuardContextOf(const RuleTarget& target, bool chosenById);

struct GuardVerdict {
    const wchar_t* reason = nullptr;  // why the file is stopped; null: it passes
    bool Stopped() const { return reason != nullptr; }
};

// The guard for the files of one walk or one clean, which come folder by
// folder: a folder is decided once, a file then only by its name and date.
// A folder may end in a backslash; newestTicks is the later of the file's
// last write and its creation (an installer's extracted files keep old
// write times).
class FileGuard {
public:
    explicit FileGuard(const GuardContext& context) : context_(context) {}
    // A walk's way: Enter each folder whose files come next, then CheckName.
    void Enter(std::wstring_view folder);
    GuardVerdict CheckName(std::wstring_view name, std::uint64_t newestTicks) const;
    // Files in any order: the folder is decided again when its text changes.
    GuardVerdict Check(std::wstring_view folder, std::wstring_view name, std::uint64_t newestTicks);

private:
    const GuardContext& context_;
    std::wstring folder_;
    bool decided_ = false;
    GuardDecision decision_;
};

// The files a guard stopped, by reason in the order the reasons came.
struct GuardCounts {
    std::uint64_t total = 0;
    std::vector<std::pair<const wchar_t*, std::uint64_t>> byReason;
    void Add(const wchar_t* reason, std::uint64_t count = 1);
    void Add(const GuardCounts& other);
    // "12 (the Windows folder: 10, a program, library or driver: 2)"
    std::wstring Text() const;
};

}  // namespace host
