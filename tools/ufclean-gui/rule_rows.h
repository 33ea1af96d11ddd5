// The cleaning rules in the tree of choices: every rule target whose
// folders exist on this machine is a choice of its own, numbered from
// kFirstRuleRow on, so that it travels through the tree as a category
// does; a scan makes it a rule row of the pipeline, chosen by its id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/row.h"
#include "rules/model.h"

namespace gui {

constexpr std::uint32_t kFirstRuleRow = 1000;

// The rules file of --rules, before the rows are first asked for; without
// one, ufclean-rules.json beside the program (which may be missing).
void UseRulesFile(const std::wstring& file);
// The rows, found once: the built-in rules and those of the rules file (a
// faulty or missing file adds none; RulesFileError says why).
const std::vector<host::RuleTarget>& RuleRows();
const std::wstring& RulesFileError();
// What the window says about a faulty rules file; empty when there is none.
std::wstring RulesFileNotice();
// Null when number is a category's.
const host::RuleTarget* RuleRowTarget(std::uint32_t number);

// The pipeline's row of a choice of the tree: a rule row runs only when the
// person checks it, so it is chosen by its id.
host::Row ChoiceRow(std::uint32_t number);

// The category's name or the rule row's title ("Chrome: code cache").
std::wstring RowName(std::uint32_t number);

}  // namespace gui
