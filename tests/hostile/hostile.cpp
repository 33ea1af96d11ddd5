#include "hostile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "fixtures/fixtures.h"

namespace hostile {

namespace {
std::atomic<std::uint64_t> casesTried{0}, filesChecked{0};

// Prints the figures once the whole program has run.
class Figures : public testing::Environment {
public:
    void TearDown() override {
        std::printf("hostile figures: %llu cases tried, %llu files checked\n",
                    static_cast<unsigned long long>(casesTried.load()),
                    static_cast<unsigned long long>(filesChecked.load()));
    }
};
testing::Environment* const figures = testing::AddGlobalTestEnvironment(new Figures);

// The Unix pid of this process: the /proc entry whose command line names
// this program. Wine gives no call for it; P: must map /proc.
std::uint64_t ReadRssAnon(const std::wstring& statusPath) {
    std::string status = fx::ReadFileText(statusPath);
    std::size_t at = status.find("RssAnon:");
    if (at == std::string::npos) return 0;
    return std::strtoull(status.c_str() + at + 8, nullptr, 10);
}

}  // namespace

std::wstring OwnStatusPath() {
    static std::wstring cached;
    if (!cached.empty()) return cached;
    std::string prefix = fx::UnixPath(L"C:\\");  // .../prefix/dosdevices/c:/
    std::size_t cut = prefix.rfind("dosdevices/");
    if (cut == std::string::npos) return {};
    std::wstring dosdevices(prefix.begin(), prefix.begin() + static_cast<long>(cut));
    dosdevices += L"dosdevices/p:";
    if (GetFileAttributesW(L"P:\\") == INVALID_FILE_ATTRIBUTES)
        fx::RunUnix(L"/bin/ln -sfn /proc '" + dosdevices + L"'");
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring exe = module;
    exe = exe.substr(exe.find_last_of(L'\\') + 1);
    std::string exeNarrow(exe.begin(), exe.end());
    std::uint64_t best = 0;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"P:\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return {};
    do {
        if (entry.cFileName[0] < L'0' || entry.cFileName[0] > L'9') continue;
        std::wstring dir = std::wstring(L"P:\\") + entry.cFileName;
        std::string cmdline = fx::ReadFileText(dir + L"\\cmdline");
        if (cmdline.find(exeNarrow) == std::string::npos) continue;
        // Shells and helpers may name the program too: this process is the
        // one among them with the most anonymous memory.
        std::uint64_t rss = ReadRssAnon(dir + L"\\status");
        if (rss > best) {
            best = rss;
            cached = dir + L"\\status";
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return cached;
}

void CountCase(std::uint64_t n) {
    casesTried += n;
}
void CountFilesChecked(std::uint64_t n) {
    filesChecked += n;
}

std::size_t CountHandles() {
    std::size_t n = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < 0x8000; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++n;
    return n;
}

std::uint64_t AnonymousMemoryKiB() {
    std::wstring path = OwnStatusPath();
    return path.empty() ? 0 : ReadRssAnon(path);
}

StopFromOtherThread::StopFromOtherThread(Function::IUnusedFileClean* cleaner)
    : cleaner_(cleaner),
      ask_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      thread_(CreateThread(nullptr, 0, &StopFromOtherThread::Run, this, 0, nullptr)) {}

StopFromOtherThread::~StopFromOtherThread() {
    SetEvent(ask_);  // lets the thread end if no report came
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(ask_);
    CloseHandle(done_);
}

void StopFromOtherThread::OnProgress(const ProgressInfo*) {
    if (++reports != 1) return;
    SetEvent(ask_);
    WaitForSingleObject(done_, 10000);
}

DWORD WINAPI StopFromOtherThread::Run(void* self) {
    auto* me = static_cast<StopFromOtherThread*>(self);
    WaitForSingleObject(me->ask_, INFINITE);
    me->cleaner_->SetStopFlag(1);
    SetEvent(me->done_);
    return 0;
}

}  // namespace hostile
