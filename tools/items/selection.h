// Which found items a clean takes. Every host chooses the same way: items a
// keep rule matches stay (host::ApplyKeepRules), and so do those younger
// than an age limit (host::ApplyAgeLimit), the recycle bin goes whole or
// not at all, and a file listed by two categories is removed once
// (host::FindRepeats).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace host {

// The moment `days` days ago (UTC, as the items' dates are).
FILETIME AgeLimit(std::uint32_t days);
// A FILETIME as one number of 100 ns ticks, which orders as the moments do.
inline std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Why a recycle-bin clean is left out: the bin is emptied whole, so one item
// that stays keeps all of it. `cause` names that item, e.g. "a keep rule
// (*draft*) matches C:\x\draft.txt".
std::wstring WholeBinReason(const std::wstring& cause);

}  // namespace host
