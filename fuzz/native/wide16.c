/* The C library's wide-character routines for a 16-bit wchar_t.
 *
 * The fuzz targets are built natively on Linux with -fshort-wchar, so that
 * the module's text routines see the same 16-bit code units as on Windows.
 * glibc's own wcs* and wmem* functions expect a 32-bit wchar_t and would read
 * and write twice the memory they are given; the definitions here replace
 * them for the whole fuzz program (the executable's symbols win over the
 * shared library's and over the sanitizer runtime's weak interceptors), and
 * are compiled with the sanitizers like the code under test.
 *
 * The number conversions narrow the leading ASCII part of the text and hand
 * it to strtol/strtoll/strtod in the "C" locale: the same results as the
 * 32-bit functions give for the same characters. Units above 0x7F end the
 * number, as they do for the Windows runtime. */
#include <errno.h>
#include <limits.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

_Static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

size_t wcslen(const wchar_t* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

size_t wcsnlen(const wchar_t* s, size_t max) {
    size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

wchar_t* wmemcpy(wchar_t* restrict d, const wchar_t* restrict s, size_t n) {
    return (wchar_t*)memcpy(d, s, n * sizeof(wchar_t));
}

wchar_t* wmemmove(wchar_t* d, const wchar_t* s, size_t n) {
    return (wchar_t*)memmove(d, s, n * sizeof(wchar_t));
}

wchar_t* wmemset(wchar_t* d, wchar_t c, size_t n) {
    for (size_t i = 0; i < n; ++i) d[i] = c;
    return d;
}

int wmemcmp(const wchar_t* a, const wchar_t* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

wchar_t* wmemchr(const wchar_t* s, wchar_t c, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (s[i] == c) return (wchar_t*)(s + i);
    return NULL;
}

int wcscmp(const wchar_t* a, const wchar_t* b) {
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

int wcsncmp(const wchar_t* a, const wchar_t* b, size_t n) {
    for (; n && *a && *a == *b; --n, ++a, ++b) {
    }
    if (n == 0) return 0;
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

wchar_t* wcschr(const wchar_t* s, wchar_t c) {
    for (;; ++s) {
        if (*s == c) return (wchar_t*)s;
        if (!*s) return NULL;
    }
}

wchar_t* wcsrchr(const wchar_t* s, wchar_t c) {
    const wchar_t* last = NULL;
    for (;; ++s) {
        if (*s == c) last = s;
        if (!*s) return (wchar_t*)last;
    }
}

wchar_t* wcsstr(const wchar_t* hay, const wchar_t* needle) {
    size_t n = wcslen(needle);
    if (n == 0) return (wchar_t*)hay;
    for (; *hay; ++hay)
        if (wcsncmp(hay, needle, n) == 0) return (wchar_t*)hay;
    return NULL;
}

wchar_t* wcscpy(wchar_t* restrict d, const wchar_t* restrict s) {
    return wmemcpy(d, s, wcslen(s) + 1);
}

wchar_t* wcsncpy(wchar_t* restrict d, const wchar_t* restrict s, size_t n) {
    size_t i = 0;
    for (; i < n && s[i]; ++i) d[i] = s[i];
    for (; i < n; ++i) d[i] = 0;
    return d;
}

wchar_t* wcscat(wchar_t* restrict d, const wchar_t* restrict s) {
    wcscpy(d + wcslen(d), s);
    return d;
}

wchar_t* wcsncat(wchar_t* restrict d, const wchar_t* restrict s, size_t n) {
    wchar_t* end = d + wcslen(d);
    size_t i = 0;
    for (; i < n && s[i]; ++i) end[i] = s[i];
    end[i] = 0;
    return d;
}

/* The leading ASCII part of s as a narrow text (malloc'd); *units is its
 * length. */
static char* NarrowPrefix(const wchar_t* s, size_t* units) {
    size_t n = 0;
    while (s[n] && s[n] < 0x80) ++n;
    char* out = (char*)malloc(n + 1);
    if (!out) abort();
    for (size_t i = 0; i < n; ++i) out[i] = (char)s[i];
    out[n] = 0;
    *units = n;
    return out;
}

#define NARROW_CONVERT(type, call)                           \
    size_t units = 0;                                        \
    char* narrow = NarrowPrefix(s, &units);                  \
    char* stop = narrow;                                     \
    type value = call;                                       \
    if (end) *end = (wchar_t*)(s + (size_t)(stop - narrow)); \
    free(narrow);                                            \
    return value

long wcstol(const wchar_t* restrict s, wchar_t** restrict end, int base) {
    NARROW_CONVERT(long, strtol(narrow, &stop, base));
}

long long wcstoll(const wchar_t* restrict s, wchar_t** restrict end, int base) {
    NARROW_CONVERT(long long, strtoll(narrow, &stop, base));
}

unsigned long wcstoul(const wchar_t* restrict s, wchar_t** restrict end, int base) {
    NARROW_CONVERT(unsigned long, strtoul(narrow, &stop, base));
}

unsigned long long wcstoull(const wchar_t* restrict s, wchar_t** restrict end, int base) {
    NARROW_CONVERT(unsigned long long, strtoull(narrow, &stop, base));
}

double wcstod(const wchar_t* restrict s, wchar_t** restrict end) {
    NARROW_CONVERT(double, strtod(narrow, &stop));
}

float wcstof(const wchar_t* restrict s, wchar_t** restrict end) {
    NARROW_CONVERT(float, strtof(narrow, &stop));
}
