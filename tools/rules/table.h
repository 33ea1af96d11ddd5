// The built-in cleaning rules: Windows' own places, the rules of each
// application family (written once, applied to every application of it),
// and other applications' own.
#pragma once

#include <vector>

#include "rules/model.h"

namespace host {

// The built-in rules: caches and Windows' own places on by default; the
// privacy groups and the developers' caches opt-in.
const std::vector<CleaningRule>& BuiltInRules();

}  // namespace host
