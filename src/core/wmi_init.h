// COM scope for one piece of work (one shortcut resolution, one recycle-bin
// listing): makes the calling thread a single-threaded apartment, sets the
// process's COM security when nobody has, creates the management-service
// locator, and writes what happened to the log "WmiInit.txt". It undoes only
// what it did itself.
#pragma once

#include <windows.h>

#include <wbemcli.h>

#include "fs/handles.h"

namespace ufc {

class WmiInit {
public:
    WmiInit();
    ~WmiInit();
    WmiInit(const WmiInit&) = delete;
    WmiInit& operator=(const WmiInit&) = delete;

    bool ComInitialized() const { return com_.Initialized(); }
    bool HasLocator() const { return static_cast<bool>(locator_); }

private:
    ComScope com_;  // declared first: the locator goes while its apartment exists
    com_ptr<IWbemLocator> locator_;
};

}  // namespace ufc
