// Force-included into every C++ file of a native fuzz build. The module's
// pure text routines read numbers with the Windows runtime's _wtoi, _wtoi64
// and _wtof; their native branch uses wcstol, wcstoll and wcstod instead,
// which fuzz/native/wide16.c provides for a 16-bit wchar_t. This header only
// makes sure no file is built with glibc's 32-bit wchar_t by mistake.
#pragma once

static_assert(sizeof(wchar_t) == 2, "the fuzz build uses -fshort-wchar");
