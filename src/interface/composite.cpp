// Placeholder bodies with the results of an empty run, until the composite
// operations land.
#include "interface/composite.h"

namespace ufc {

int GetDriveList(std::vector<DriveDisplayEntry>*) { return 1; }
int HasInvalidShortcut(CSystemClean&) { return 0; }
int IsCleanNeeded(CSystemClean&) { return 0; }
int IsDeepCleanNeeded(CSystemClean&) { return 0; }
int ScanDrive(CSystemClean&, const wchar_t*, ResultList*, ScanTotals*, IScanProgress*) { return 1; }

}  // namespace ufc
