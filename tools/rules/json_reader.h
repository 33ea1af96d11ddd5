// The user's rules file (JSON), and the rules a host runs: the built-in
// ones plus those of a file of either format.
#pragma once

#include <string>
#include <vector>

#include "rules/ini_report.h"
#include "rules/model.h"

namespace host {

// Where a host looks for the user's rules: "ufclean-rules.json" beside it.
std::wstring DefaultRulesFile();

// Parses a rules file (UTF-8 JSON) and appends its rules. On any fault
// (syntax, an unknown or missing field, a bad value, an id already taken, a
// path that leaves its folder or takes a protected folder) appends nothing
// and sets error to "<file> line <n>: <reason>".
bool ParseRules(const std::string& text, const std::wstring& fileName,
                std::vector<CleaningRule>* rules, std::wstring* error);

// The built-in rules plus those of file: JSON, or the community format for
// a file ending in ".ini" (report, when given, says what was read). An
// empty file names the default one beside the host, which may be missing.
// error: "<file>: no such file", or "bad rules file: <file> line <n>:
// <reason>" (nothing of the file is added).
bool LoadRules(const std::wstring& file, std::vector<CleaningRule>* rules, std::wstring* error,
               ImportReport* report = nullptr);

}  // namespace host
