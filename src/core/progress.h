// Building and sending one progress report.
#pragma once

#include "UnusedFileClean.h"
#include "fs/path_text.h"
#include "util/percent.h"

namespace ufc {

// Sends a fresh record to the host; a null callback makes no call. A path
// longer than the record's field is shortened there, never overrun.
inline void ReportProgress(IScanProgress* callback, std::uint32_t category, const wchar_t* path,
                           std::uint32_t percent, std::uint32_t count) {
    if (!callback) return;
    ProgressInfo info;
    info.category = category;
    CopyTruncated(info.path, path);
    info.percent = percent;
    info.count = count;
    callback->OnProgress(&info);
}

}  // namespace ufc
