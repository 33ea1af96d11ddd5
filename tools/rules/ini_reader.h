// The community rule format (winapp2.ini): its sections read as cleaning
// rules.
#pragma once

#include <string>
#include <vector>

#include "rules/ini_report.h"
#include "rules/model.h"

namespace host {

// Reads a community rule file (the winapp2.ini format) and appends one rule
// per usable section, each off by default. A key that cannot be used (it
// cannot be read, or would take a protected folder as a whole) is dropped
// with its reason and the section keeps its other keys; a section is
// skipped when no usable FileKey remains, or when an exclusion, its
// Windows version or every detection cannot be read. The text is UTF-8 or
// UTF-16 (see DecodeText): a text that is neither appends nothing and sets
// error to "<file> line <n>: <reason>".
bool ImportCommunityRules(const std::string& bytes, const std::wstring& fileName,
                          std::vector<CleaningRule>* rules, ImportReport* report,
                          std::wstring* error);

}  // namespace host
