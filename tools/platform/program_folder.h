// The folder of the running program: where the module, the default rules
// file and the scheduled runs' program are.
#pragma once

#include <string>

namespace host {

// With a trailing backslash; ".\" when the system cannot say.
std::wstring ProgramFolder();

}  // namespace host
