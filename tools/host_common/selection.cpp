#include "selection.h"

namespace host {

std::wstring WholeBinReason(const std::wstring& cause) {
    return L"the recycle bin is always emptied whole, and " + cause;
}

}  // namespace host
