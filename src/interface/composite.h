// Interface operations composed from several scans.
#pragma once

#include <vector>

#include "UnusedFileClean.h"
#include "core/system_clean.h"

namespace ufc {

int GetDriveList(std::vector<DriveDisplayEntry>* out);
int HasInvalidShortcut(CSystemClean& cleaner);
int IsCleanNeeded(CSystemClean& cleaner);
int IsDeepCleanNeeded(CSystemClean& cleaner);
int ScanDrive(CSystemClean& cleaner, const wchar_t* driveRoot, ResultList* results,
              ScanTotals* totals, IScanProgress* callback);

}  // namespace ufc
