#include "items/selection.h"

namespace host {

FILETIME AgeLimit(std::uint32_t days) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    const std::uint64_t age = static_cast<std::uint64_t>(days) * 864000000000ull;
    ticks.QuadPart = ticks.QuadPart > age ? ticks.QuadPart - age : 0;
    return {ticks.LowPart, ticks.HighPart};
}

std::wstring WholeBinReason(const std::wstring& cause) {
    return L"the recycle bin is always emptied whole, and " + cause;
}

}  // namespace host
