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
    // Shown in place of the category number (a cleaning rule's id).
    void SetLabel(const std::wstring& label) { label_ = label; }

private:
    HANDLE err_;
    bool console_;
    ULONGLONG lastDraw_ = 0;
    bool drawn_ = false;
    std::wstring label_;
};

// "C:\wi…\file.txt": the text shortened in the middle to fit `width`.
std::wstring ElideMiddle(const std::wstring& text, size_t width);

}  // namespace ufclean
