// log.dll: the diagnostic log of the host suite.
//
// log_init opens (appends to) a log file and makes it the current log; it
// returns a handle >= 0, or -1 when the file cannot be opened. Log files are
// written to the folder named by the environment variable UFC_LOG_DIR (a
// Windows path) when it is set, else to the folder UnusedFileClean\logs of
// the user's local application data. The name must be a bare file name.
//
// log_redirect formats its message with the printf-style format and writes
// one stamped record "time routine source(line) message" to the current log;
// level and flags are recorded as "[level/flags]". log_uninit closes the
// current log and makes the one opened before it current again. With no log
// open, both do nothing. Calls from several threads never interleave inside a
// record.
#pragma once

#ifdef UFC_LOG_BUILD
#define UFC_LOG_API __declspec(dllexport)
#else
#define UFC_LOG_API __declspec(dllimport)
#endif

extern "C" {
UFC_LOG_API int __cdecl log_init(const char* fileName);
UFC_LOG_API int __cdecl log_redirect(const char* routine, const char* source, int line, int level,
                                     int flags, const char* format, ...);
UFC_LOG_API void __cdecl log_uninit();
}
