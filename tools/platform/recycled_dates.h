// When each item of the recycle bin was deleted, read through the shell's
// view of the bin: the module's bin items carry no deletion date, and a
// recycled file's age is the day it went to the bin.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace host {

struct RecycledDate {
    std::wstring path;  // where it came from: folder and name, as the bin shows it
    FILETIME deleted;   // UTC
};

// Every item of the bin with a deletion date the shell gives. The date
// comes from the shell's date-deleted property where the shell has it (on
// Windows); Wine's bin answers that property with E_NOTIMPL and gives the
// date only as the text of its date-deleted column, written in the user's
// short date and time formats ("12/8/2026 11:56 PM", local time), so that
// text is read by the locale's order of day, month and year. (Wine keeps no
// record per item on a drive: its bin is the Unix user's Trash.)
std::vector<RecycledDate> RecycledDates();

// The date of a date-deleted column's text in local time, its fields in the
// order of shortDate (the locale's LOCALE_SSHORTDATE pattern, "M/d/yyyy");
// a PM hour below 12 moves 12 hours on, 12 AM is midnight. False for a text
// without three date fields in range.
bool ReadShownDate(const std::wstring& text, const std::wstring& shortDate, SYSTEMTIME* date);

}  // namespace host
