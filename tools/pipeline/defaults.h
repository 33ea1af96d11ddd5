// The default set, one table for both hosts: what a run takes when the
// person names nothing (or 'all'), and what is opt-in and why. An opt-in
// category goes with a group of rules: --with GROUP (or its check in the
// window) takes both; one named by its number is chosen by itself. The
// one-step cleaners go with no group: they run only when named.
#pragma once

#include <cstdint>

#include "rules/model.h"

namespace host {

// Why a category of the module is off by default, or null when it is on.
const wchar_t* CategoryOptIn(std::uint32_t number);
// The group whose --with takes an opt-in category; false for a category
// that is on by default or goes with no group.
bool CategoryGroup(std::uint32_t number, RuleGroup* group);
// Why the rules of a group are off by default ("signs you out of sites"),
// or null for a group whose rules say for themselves.
const wchar_t* GroupOptIn(RuleGroup group);

}  // namespace host
