// The machine's fixed drives with their labels and space figures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ufc {

struct LocalDriveRecord {
    wchar_t root[4];  // letter and colon, such as "C:"
    wchar_t label[260];
    std::uint64_t freeToCaller;
    std::uint64_t totalBytes;
    std::uint64_t totalFree;
};

// Appends one record per fixed drive, in letter order, without clearing the
// array first. 1 when every drive was listed; 0 after a failure (shown in a
// message box), with the drives listed before it kept.
int GetLocalDriverList(std::vector<LocalDriveRecord>* drives);

}  // namespace ufc
