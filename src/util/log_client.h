// The module's calls into log.dll. Every record names the routine, the
// source, the line and one message, with the level values 128 and 0.
#pragma once

namespace ufc {

// log_init; a result of 0 or more means the log is open.
int LogOpen(const char* fileName);
// log_redirect(routine, source, line, 128, 0, "%s", message).
void LogWrite(const char* routine, const char* source, int line, const char* message);
// log_uninit.
void LogClose();

}  // namespace ufc
