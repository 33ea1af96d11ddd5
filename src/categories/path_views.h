// The two spellings under which a 32-bit process on 64-bit Windows may find
// a shortcut's target: 32-bit programs and system files live in folders
// whose names differ from the ones a 64-bit view stores. No system calls, so
// this compiles natively for the fuzz targets.
#pragma once

#include <string>

namespace ufc {

struct PathViews {
    std::wstring first;
    std::wstring second;
};

// Both candidates start as the lower-cased target; the first rewrite rule
// whose text occurs in it changes every occurrence in one of them:
//   "program files (x86)" -> "program files"       (second)
//   "program files"       -> "program files (x86)" (first)
//   "ime (x86)"           -> "ime"                 (second)
//   "ime"                 -> "ime (x86)"           (first)
//   "system32"            -> "syswow64"            (first)
//   "syswow64"            -> "system32"            (second)
// The "ime" rule also fires inside other words (anime); the other candidate
// keeps the unchanged text, so such a path is still tested as stored.
PathViews RewritePathViews(const std::wstring& target);

}  // namespace ufc
