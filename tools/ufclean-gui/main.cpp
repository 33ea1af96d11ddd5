// ufclean-gui: the desktop host of UnusedFileClean.dll.
#include <windows.h>
#include <commctrl.h>

#include "main_window.h"
#include "platform/module_loader.h"
#include "options.h"
#include "rule_rows.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                                          ICC_PROGRESS_CLASS |
                                                          ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    gui::Options options;
    std::wstring error;
    if (!gui::ParseOptions(__argc, __wargv, &options, &error)) {
        MessageBoxW(nullptr, error.c_str(), L"ufclean-gui", MB_OK | MB_ICONERROR);
        return gui::kGuiExitUsage;
    }
    gui::UseRulesFile(options.rulesFile);
    host::LoadedCleaner cleaner;
    if (!cleaner.Load(&error)) {
        MessageBoxW(nullptr, error.c_str(), L"ufclean-gui", MB_OK | MB_ICONERROR);
        return gui::kGuiExitModule;
    }
    gui::MainWindow window(cleaner.get(), options);
    if (!window.Create(show)) return gui::kGuiExitModule;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.Handle() && window.TranslateKeys(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return window.ExitCode();
}
