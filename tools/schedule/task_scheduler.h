// Task Scheduler through its COM interface (ITaskService), and the user a
// task runs as.
#pragma once

#include <string>

namespace host {

// The SID of the user running this program, "S-1-5-21-...".
std::wstring CurrentUserSid();

// Task Scheduler through ITaskService: register (replacing a task of the
// same name) and delete. False with the reason.
bool RegisterTask(const std::wstring& name, const std::wstring& xml, std::wstring* error);
bool DeleteTask(const std::wstring& name, std::wstring* error);
bool TaskExists(const std::wstring& name);
// The task folder \UnusedFileClean, when it holds no task (of any user).
void DeleteTaskFolderIfEmpty();

}  // namespace host
