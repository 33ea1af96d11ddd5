// The JSON report of a run, written once for both hosts: every shown row
// with its figures and items, the keep rules, and the totals.
#pragma once

#include "pipeline/pipeline.h"
#include "text/json_writer.h"

namespace host {

// Writes "command", "stopped" (a stop ended the run), "categories",
// "keepRules" and "total" into the open object.
void WriteRunReport(JsonWriter* json, const std::wstring& command, bool stopped,
                    const Pipeline& run);

}  // namespace host
