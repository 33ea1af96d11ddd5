// What a held clean holds for undo, one table for both hosts. A held clean
// moves each file it removes into the undo store, where it stays for some
// days and can be put back. Groups that fill again by themselves (browser
// and application caches, shader and thumbnail caches, update downloads)
// are not held by default: holding them would keep their space taken for
// nothing. What is no file of its own (the recycle bin, registry entries,
// the one-step cleaners) is never held.
#pragma once

#include <cstdint>
#include <string>

#include "pipeline/row.h"

namespace host {

enum class UndoMode : std::uint8_t {
    None,     // every file deleted, as a plain clean does
    Default,  // every file held but those that fill again by themselves
    All,      // every file held that can be
};

// "none", "default", "all", and back; false for another word.
const wchar_t* UndoModeName(UndoMode mode);
bool ParseUndoMode(const std::wstring& word, UndoMode* mode);

// Why a row's files are not held under mode, or null when they are.
const wchar_t* NotHeldReason(const Row& row, UndoMode mode);

}  // namespace host
