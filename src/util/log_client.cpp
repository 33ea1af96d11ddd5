#include "util/log_client.h"

#include "log.h"

namespace ufc {

int LogOpen(const char* fileName) {
    return log_init(fileName);
}

void LogWrite(const char* routine, const char* source, int line, const char* message) {
    log_redirect(routine, source, line, 128, 0, "%s", message);
}

void LogClose() {
    log_uninit();
}

}  // namespace ufc
