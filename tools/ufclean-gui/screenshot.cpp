#include "screenshot.h"

#include <wincodec.h>

#include <vector>

#include "gdi_owners.h"
#include "fs/handles.h"
#include "platform/system_error.h"

namespace gui {

namespace {

// The window's pixels, top row first, 32-bit BGRA.
bool CaptureBgra(HWND window, int* width, int* height, std::vector<BYTE>* pixels) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    *width = frame.right - frame.left;
    *height = frame.bottom - frame.top;
    if (*width <= 0 || *height <= 0) return false;
    WindowDc source(window, true);
    MemoryDcOwner memory(CreateCompatibleDC(source.get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = *width;
    info.bmiHeader.biHeight = -*height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObjectOwner bitmap(CreateDIBSection(source.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap || !bits) return false;
    {
        SelectIn selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, *width, *height, source.get(), 0, 0, SRCCOPY)) return false;
    }
    GdiFlush();
    const size_t bytes = static_cast<size_t>(*width) * static_cast<size_t>(*height) * 4;
    pixels->assign(static_cast<const BYTE*>(bits), static_cast<const BYTE*>(bits) + bytes);
    for (size_t i = 3; i < bytes; i += 4) (*pixels)[i] = 255;  // GDI leaves alpha undefined
    return true;
}

}  // namespace

bool SaveWindowPng(HWND window, const std::wstring& path, std::wstring* error) {
    int width = 0, height = 0;
    std::vector<BYTE> pixels;
    if (!CaptureBgra(window, &width, &height, &pixels)) {
        *error = L"cannot copy the window from the screen";
        return false;
    }
    ufc::ComScope com;
    ufc::com_ptr<IWICImagingFactory> factory;
    ufc::com_ptr<IWICStream> stream;
    ufc::com_ptr<IWICBitmapEncoder> encoder;
    ufc::com_ptr<IWICBitmapFrameEncode> frame;
    ufc::com_ptr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    const UINT stride = static_cast<UINT>(width) * 4;
    HRESULT step = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, factory.put_void());
    if (SUCCEEDED(step)) step = factory->CreateStream(stream.put());
    if (SUCCEEDED(step)) step = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(step))
        step = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put());
    if (SUCCEEDED(step)) step = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(step)) step = encoder->CreateNewFrame(frame.put(), options.put());
    if (SUCCEEDED(step)) step = frame->Initialize(options.get());
    if (SUCCEEDED(step)) step = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    if (SUCCEEDED(step)) step = frame->SetPixelFormat(&format);
    if (SUCCEEDED(step) && format != GUID_WICPixelFormat32bppBGRA) step = E_FAIL;
    if (SUCCEEDED(step))
        step = frame->WritePixels(static_cast<UINT>(height), stride,
                                  static_cast<UINT>(pixels.size()), pixels.data());
    if (SUCCEEDED(step)) step = frame->Commit();
    if (SUCCEEDED(step)) step = encoder->Commit();
    if (FAILED(step)) {
        *error = L"cannot write " + path + L": " + host::SystemErrorText(static_cast<DWORD>(step));
        return false;
    }
    return true;
}

}  // namespace gui
