// The live progress line on stderr: redrawn in place at most 20 times a
// second while stderr is a console, silent when it is redirected.
#pragma once

#include <windows.h>

#include <string>

#include "UnusedFileClean.h"

namespace ufclean {

class ProgressLine : public IScanProgress {
public:
    ProgressLine();
    ~ProgressLine() { Clear(); }
    void OnProgress(const ProgressInfo* info) override;
    // Removes the line so that the next output starts on a clean row.
    void Clear();

private:
    HANDLE err_;
    bool console_;
    ULONGLONG lastDraw_ = 0;
    bool drawn_ = false;
};

// "C:\wi…\file.txt": the text shortened in the middle to fit `width`.
std::wstring ElideMiddle(const std::wstring& text, size_t width);

}  // namespace ufclean
