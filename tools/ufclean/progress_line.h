// The live progress line on stderr: redrawn in place at most 20 times a
// second while stderr is a console, silent when it is redirected.
#pragma once

#include <windows.h>

#include <string>

#include "pipeline/scan.h"

namespace ufclean {

class ProgressLine : public host::RunObserver {
public:
    ProgressLine();
    ~ProgressLine() { Clear(); }
    void OnProgress(const ProgressInfo* info) override;
    // The row's label: its category's number, or its rule's id.
    void OnRowStart(std::size_t index, const host::Row& row) override;
    // Removes the line so that the next output starts on a clean row.
    void Clear();

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
