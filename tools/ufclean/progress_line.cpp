#include "progress_line.h"

#include "platform/console.h"

namespace ufclean {

std::wstring ElideMiddle(const std::wstring& text, size_t width) {
    if (text.size() <= width) return text;
    if (width < 5) return text.substr(0, width);
    const size_t head = (width - 1) / 2;
    const size_t tail = width - 1 - head;
    return text.substr(0, head) + L"\x2026" + text.substr(text.size() - tail);
}

ProgressLine::ProgressLine()
    : err_(GetStdHandle(STD_ERROR_HANDLE)), console_(host::IsConsole(err_)) {}

void ProgressLine::OnProgress(const ProgressInfo* info) {
    if (!console_ || !info) return;
    const ULONGLONG now = GetTickCount64();
    if (drawn_ && now - lastDraw_ < 50) return;
    lastDraw_ = now;
    const size_t width = static_cast<size_t>(host::ConsoleWidth(err_)) - 1;
    std::wstring head = L"[" + label_ + L"] " + std::to_wstring(info->percent) + L"% " +
                        std::to_wstring(info->count) + L" ";
    std::wstring path(info->path, wcsnlen(info->path, kTextUnits));
    std::wstring line = head + ElideMiddle(path, width > head.size() ? width - head.size() : 0);
    line.resize(width, L' ');
    host::Write(err_, L"\r" + line + L"\r");
    drawn_ = true;
}

void ProgressLine::OnRowStart(std::size_t, const host::Row& row) {
    label_ = row.IsRule() ? row.target.rule->id : std::to_wstring(row.category);
}

void ProgressLine::Clear() {
    if (!console_ || !drawn_) return;
    const size_t width = static_cast<size_t>(host::ConsoleWidth(err_)) - 1;
    host::Write(err_, L"\r" + std::wstring(width, L' ') + L"\r");
    drawn_ = false;
}

}  // namespace ufclean
