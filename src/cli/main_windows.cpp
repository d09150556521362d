// The program's entry on Windows: a GUI program, so no console window opens,
// that still answers on its standard output when the parent gave it one.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/manners.h"
#include "cli/run.h"
#include "ui/win32/win32_text.h"
#include "ui/window_backend.h"

namespace {

// The items as UTF-8, from the wide command line: main's argv holds them in
// the ANSI code page, which loses every character outside it. The first is
// the program's own full path, with "/" as the separator, so that the icon
// beside it is found however the parent named the program.
std::vector<std::string> utf8Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) arguments.push_back(ui::win32::narrow(wide[i]));
    if (wide) LocalFree(wide);

    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) break;
        if (length < path.size()) {
            path.resize(length);
            std::string self = ui::win32::narrow(path);
            for (char& c : self) {
                if (c == '\\') c = '/';
            }
            if (arguments.empty()) arguments.emplace_back();
            arguments[0] = self;
            break;
        }
        path.resize(path.size() * 2);
    }
    return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The record's bytes go out as they are: in text mode every line would
    // end in CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Sharp text on every monitor, should the manifest be lost.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    const std::vector<std::string> arguments = utf8Arguments();
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);

    int status;
    {
        // Everything the run makes lives in this scope and ends with it.
        // A run the window cannot take to an answer ends with the line for
        // why, and status 1.
        ui::ToolkitHost host;
        host.endRun = [](ui::EarlyEnd why) { cli::endRunEarly(_fileno(stderr), why); };
        const auto window = ui::makeWindowApplication(host);
        status = cli::runSetupDialog(static_cast<int>(arguments.size()), argv.data(), *window, stdout, stderr);
    }
    std::fflush(stderr);
    return status;
}
