// Whether this process runs elevated: places that need an administrator
// are cleaned only then.
#pragma once

namespace host {

bool HostIsElevated();

}  // namespace host
