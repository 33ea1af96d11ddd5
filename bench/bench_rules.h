// The cleaning rules of the hosts: loading and detecting a community rule
// file of the public edition's size, and scanning every rule found on a
// synthetic profile against a bare walk of the same folders.
#pragma once

#include <cstdint>

#include "bench_report.h"

namespace bench {

// Writes a synthetic community file of `sections` sections into the
// temporary folder, and times reading it and detecting every rule it
// gives (the median of five runs). Adds the "rules load" target.
void CompareRuleLoad(int sections, Report* report);

// Spreads `files` files over the folders of today's rules (the user's temp
// folder, a Chrome and a Discord cache, the DirectX shader cache, Spotify's
// storage, error reports), then times a scan of every rule on this machine
// against a bare walk of the folders they resolve to. Adds the "rule scan"
// row. False when the profile could not be written.
bool CompareRuleScan(std::uint64_t files, Report* report);

}  // namespace bench
