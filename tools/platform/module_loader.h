// Loads UnusedFileClean.dll from the host's own folder the way every host
// must: the module handle and the cleaner object each have an owner, and the
// object is released before its module is freed.
#pragma once

#include <windows.h>

#include <string>

#include "UnusedFileClean.h"
#include "fs/handles.h"

namespace host {

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
    // Declared first so that it is destroyed last.
    ufc::unique_hmodule module_;
    Function::IUnusedFileClean* cleaner_ = nullptr;
};

}  // namespace host
