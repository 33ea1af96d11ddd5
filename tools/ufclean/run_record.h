// What a run tells whoever collects its report: which profile ran, on which
// computer, when, and how it ended, also when it could not start at all.
#pragma once

#include <string>

#include "json_writer.h"

namespace ufclean {

// The report's file name with {time} (local, 20261207-030000) and
// {computer} filled in, and the profile noted for the report. The report's
// folder is made when it is missing.
std::wstring ExpandReportPath(const std::wstring& path, const std::wstring& profile);

// "computer", "profile" (when one ran), "started" (UTC) and "exitCode".
void WriteRunFields(host::JsonWriter* json, int exitCode);

// Writes a report's text to path, or to stdout for "-". False with a
// message on stderr when it cannot be written.
bool WriteReportText(const std::wstring& path, const std::string& text);

// The report of a run that ended before its scan: the run fields and
// "error" with the reason. False when it cannot be written.
bool WriteFailureReport(const std::wstring& path, const std::wstring& command, int exitCode,
                        const std::wstring& reason);

}  // namespace ufclean
