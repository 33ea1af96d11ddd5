#include "platform/console.h"

#include "text/format.h"

namespace host {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void Write(HANDLE handle, const std::wstring& text) {
    if (!handle || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    if (IsConsole(handle)) {
        DWORD written = 0;
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = Utf8(text);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0)
            return;  // a closed pipe: nothing more to say
        done += written;
    }
}

int ConsoleWidth(HANDLE handle) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handle, &info)) return 80;
    int width = info.srWindow.Right - info.srWindow.Left + 1;
    return width > 10 ? width : 80;
}

}  // namespace host
