// What rules --import says about a community file: the counts, its reasons
// grouped by kind (each one with --reasons), and all of it as JSON.
#pragma once

#include <string>
#include <vector>

#include "rules/model.h"
#include "rules/ini_report.h"

namespace ufclean {

// The counts and the kinds of reason, the most frequent first; every: all
// kinds, then each dropped key and skipped section with its reason.
void PrintImportReport(const std::wstring& file, const host::ImportReport& report, bool every);

// The import as JSON to path ("-": stdout): the counts, the ids of the
// rules made, every dropped key and skipped section, and the kinds of
// reason with their counts. False with a message when it cannot be written.
bool WriteImportJson(const std::wstring& path, const std::wstring& file,
                     const std::vector<host::CleaningRule>& rules,
                     const host::ImportReport& report);

}  // namespace ufclean
