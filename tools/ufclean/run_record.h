// What a run tells whoever collects its report: which profile ran, on which
// computer, when, and how it ended, also when it could not start at all.
#pragma once

#include <string>

#include "text/json_writer.h"

namespace ufclean {

// The report's file name with {time} (local, 20261207-030000) and
// {computer} filled in, and the profile and schedule noted for the report.
// The report's folder is made when it is missing.
std::wstring ExpandReportPath(const std::wstring& path, const std::wstring& profile,
                              const std::wstring& schedule);

// Claims the report's file before a scan or clean runs: writes a report
// there saying that the run has not finished, which the run's own report
// replaces, so that a run ended from outside (a time limit, a shutdown)
// still leaves one. When it cannot be written the run must not go on: a
// schedule's run then writes the report of that failure into the default
// report folder, saying why. Returns kExitOk, or the exit status.
int ClaimReport(const std::wstring& path, const std::wstring& command, bool scheduled);

// "computer", "profile" and "schedule" (when given), "started" (UTC) and
// "exitCode".
void WriteRunFields(host::JsonWriter* json, int exitCode);

// The report of a run that ended before its scan: the run fields and
// "error" with the reason. False, said on stderr, when it cannot be written.
bool WriteFailureReport(const std::wstring& path, const std::wstring& command, int exitCode,
                        const std::wstring& reason);

// A report's text written whole (through a temporary file, then moved into
// place), or on stdout for "-". False, said on stderr, when it cannot be.
bool WriteReportText(const std::wstring& path, const std::string& text);

}  // namespace ufclean
