// Loads UnusedFileClean.dll from the host's own folder the way every host
// must: the module handle and the cleaner object each have an owner, and the
// object is released before its module is freed.
#pragma once

#include <windows.h>

#include <string>

#include "UnusedFileClean.h"

namespace host {

// The folder of the running program, with a trailing backslash.
std::wstring ProgramFolder();

// The system's text for an error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);

class LoadedCleaner {
public:
    LoadedCleaner() = default;
    ~LoadedCleaner();
    LoadedCleaner(const LoadedCleaner&) = delete;
    LoadedCleaner& operator=(const LoadedCleaner&) = delete;

    // Loads the module beside the program and creates one cleaner. On
    // failure returns false and leaves a one-line reason in `error`.
    bool Load(std::wstring* error);
    Function::IUnusedFileClean* operator->() const { return cleaner_; }
    Function::IUnusedFileClean* get() const { return cleaner_; }

private:
    struct ModuleOwner {
        HMODULE handle = nullptr;
        ~ModuleOwner() {
            if (handle) FreeLibrary(handle);
        }
    };
    // Declared first so that it is destroyed last.
    ModuleOwner module_;
    Function::IUnusedFileClean* cleaner_ = nullptr;
};

}  // namespace host
