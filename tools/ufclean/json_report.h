// The JSON report of a scan or clean: every shown row with its figures and
// items, the keep rules, and the totals.
#pragma once

#include <string>

#include "pipeline/pipeline.h"

namespace ufclean {

// Writes the report to path ("-": stdout). False with a message on stderr
// when the file cannot be written.
bool WriteJsonReport(const std::wstring& path, const std::wstring& command,
                     const host::Pipeline& run, bool stopped);

}  // namespace ufclean
