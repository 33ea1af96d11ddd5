#include "platform/module_loader.h"

namespace host {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return L".\\";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L".\\" : path.substr(0, slash + 1);
}

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = L"error " + std::to_wstring(code);
    return text;
}

LoadedCleaner::~LoadedCleaner() {
    if (cleaner_) cleaner_->Release();  // before the module goes away
}

bool LoadedCleaner::Load(std::wstring* error) {
    const std::wstring path = ProgramFolder() + L"UnusedFileClean.dll";
    module_.handle = LoadLibraryW(path.c_str());
    if (!module_.handle) {
        *error = L"cannot load " + path + L": " + SystemErrorText(GetLastError());
        return false;
    }
    auto create = reinterpret_cast<Function::FunCreateFn>(
        reinterpret_cast<void*>(GetProcAddress(module_.handle, "FunCreate")));
    if (!create) {
        *error =
            path + L" is not the cleaner module (no FunCreate): " + SystemErrorText(GetLastError());
        return false;
    }
    cleaner_ = create();
    if (!cleaner_) {
        *error = path + L": FunCreate returned no cleaner (out of memory)";
        return false;
    }
    return true;
}

}  // namespace host
