#include "dpi.h"

namespace gui {

namespace {

template <typename Function>
Function User32(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

}  // namespace

UINT WindowDpi(HWND window) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = User32<Fn>("GetDpiForWindow");
    UINT dpi = forWindow && window ? forWindow(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi ? dpi : 96;
}

int SystemMetric(int index, UINT dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn forDpi = User32<Fn>("GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi)
                  : MulDiv(GetSystemMetrics(index), static_cast<int>(dpi),
                           static_cast<int>(WindowDpi(nullptr)));
}

HFONT CreateMessageFont(UINT dpi) {
    using Fn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const Fn forDpi = User32<Fn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), 96);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace gui
