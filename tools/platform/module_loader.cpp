#include "platform/module_loader.h"

#include "platform/program_folder.h"
#include "platform/system_error.h"

namespace host {

LoadedCleaner::~LoadedCleaner() {
    if (cleaner_) cleaner_->Release();  // before the module goes away
}

bool LoadedCleaner::Load(std::wstring* error) {
    const std::wstring path = ProgramFolder() + L"UnusedFileClean.dll";
    module_.reset(LoadLibraryW(path.c_str()));
    if (!module_) {
        *error = L"cannot load " + path + L": " + SystemErrorText(GetLastError());
        return false;
    }
    auto create = reinterpret_cast<Function::FunCreateFn>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), "FunCreate")));
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
