// Task Scheduler through its COM interface: the tasks of scheduled runs live
// in their own folder, \UnusedFileClean.
#include <windows.h>
#include <sddl.h>
#include <taskschd.h>

#include "schedule/task_scheduler.h"

#include "fs/handles.h"
#include "platform/system_error.h"
#include "schedule/schedules.h"

namespace host {

namespace {

const wchar_t kTaskFolder[] = L"\\UnusedFileClean";

// A BSTR for the length of a call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }

private:
    BSTR value_;
};

std::wstring Failure(const wchar_t* what, HRESULT result) {
    return std::wstring(what) + L": " + SystemErrorText(static_cast<DWORD>(result));
}

// The connected service and the program's task folder, made when asked.
class TaskFolder {
public:
    bool Open(bool create, std::wstring* error) {
        HRESULT result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_ITaskService, service_.put_void());
        if (FAILED(result)) return Fail(L"Task Scheduler is not available", result, error);
        VARIANT none;
        VariantInit(&none);
        result = service_->Connect(none, none, none, none);
        if (FAILED(result)) return Fail(L"cannot connect to Task Scheduler", result, error);
        result = service_->GetFolder(Bstr(kTaskFolder).get(), folder_.put());
        if (SUCCEEDED(result) || !create) {
            return SUCCEEDED(result) || Fail(L"no task folder \\UnusedFileClean", result, error);
        }
        ufc::com_ptr<ITaskFolder> root;
        result = service_->GetFolder(Bstr(L"\\").get(), root.put());
        if (SUCCEEDED(result))
            result = root->CreateFolder(Bstr(kTaskFolder).get(), none, folder_.put());
        return SUCCEEDED(result) ||
               Fail(L"cannot make the task folder \\UnusedFileClean", result, error);
    }
    ITaskFolder* operator->() const { return folder_.get(); }
    // The program's folder goes with its last task. Task Scheduler refuses
    // to delete a folder that still holds a task or a folder (any user's),
    // so the call is its own check; Wine cannot count a folder's tasks
    // (get_Count is not implemented there) but refuses alike.
    void DeleteIfEmpty() {
        ufc::com_ptr<ITaskFolder> root;
        if (SUCCEEDED(service_->GetFolder(Bstr(L"\\").get(), root.put())))
            root->DeleteFolder(Bstr(kTaskFolder + 1).get(), 0);
    }

private:
    static bool Fail(const wchar_t* what, HRESULT result, std::wstring* error) {
        if (error) *error = Failure(what, result);
        return false;
    }
    ufc::com_ptr<ITaskService> service_;
    ufc::com_ptr<ITaskFolder> folder_;
};

}  // namespace

std::wstring CurrentUserSid() {
    ufc::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::wstring();
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size))
        return std::wstring();
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return std::wstring();
    ufc::unique_hlocal owner(text);
    return text;
}

bool RegisterTask(const std::wstring& name, const std::wstring& xml, std::wstring* error) {
    ufc::ComScope com;
    TaskFolder folder;
    if (!folder.Open(true, error)) return false;
    VARIANT none;
    VariantInit(&none);
    ufc::com_ptr<IRegisteredTask> task;
    const HRESULT result =
        folder->RegisterTask(Bstr(name).get(), Bstr(xml).get(), TASK_CREATE_OR_UPDATE, none, none,
                             TASK_LOGON_INTERACTIVE_TOKEN, none, task.put());
    if (FAILED(result)) *error = Failure(L"Task Scheduler refused the task", result);
    return SUCCEEDED(result);
}

bool DeleteTask(const std::wstring& name, std::wstring* error) {
    ufc::ComScope com;
    TaskFolder folder;
    if (!folder.Open(false, error)) return false;
    const HRESULT result = folder->DeleteTask(Bstr(name).get(), 0);
    if (FAILED(result)) {
        *error = Failure(L"cannot delete the task", result);
        return false;
    }
    folder.DeleteIfEmpty();
    return true;
}

void DeleteTaskFolderIfEmpty() {
    ufc::ComScope com;
    TaskFolder folder;
    if (folder.Open(false, nullptr)) folder.DeleteIfEmpty();
}

bool TaskExists(const std::wstring& name) {
    ufc::ComScope com;
    TaskFolder folder;
    ufc::com_ptr<IRegisteredTask> task;
    return folder.Open(false, nullptr) && SUCCEEDED(folder->GetTask(Bstr(name).get(), task.put()));
}

}  // namespace host
