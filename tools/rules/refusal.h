// Why a rule, or one of its keys, may not run as written: the load-time
// check that refuses the plain cases early with a clear reason (the guard
// holds for all the rest).
#pragma once

#include <string>
#include <vector>

#include "rules/model.h"

namespace host {

// Why one key of the rule may not run as written: it takes a drive root,
// the Windows folder, Program Files or a profile as a whole, a user library
// without an age limit, a place in the Windows folder that is not
// disposable, or (a family rule) each whole profile: see ProtectedReach and
// FamilyReach. Empty when it may.
std::wstring KeyRefusal(const CleaningRule& rule, const RuleKey& key);
// The first key's refusal, naming the key ("the key %WinDir% reaches ...");
// empty when every key may run.
std::wstring RuleRefusal(const CleaningRule& rule);

// Why a key's folder pattern may not be cleaned: with its trailing
// every-name parts read as the folder above (when the key recurses or takes
// every file), it is or lies above (recursively) a drive root, the Windows
// folder, a Program Files folder, a profile or app data folder, or (without
// an age limit) a user library, or lies in the Windows folder where no
// disposable place can be. A non-recursive key naming exact files directly
// in a protected folder may (the guard passes exactly those). Empty when
// the key may be cleaned.
std::wstring ProtectedReach(const std::wstring& folderPattern,
                            const std::vector<std::wstring>& patterns, bool recursive,
                            std::uint32_t olderThanDays);

// Why a family rule's key may not be cleaned: a path of every-name parts
// or none below each profile (or user data folder) takes it whole, unless
// the key names exact files there without recursing. Empty when it may.
std::wstring FamilyReach(const std::wstring& path, const std::vector<std::wstring>& patterns,
                         bool recursive);

}  // namespace host
