#include "cli/toolkit_loader.h"

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <climits>

// The calls of ui/window_backend.h, defined only where a window backend is
// linked into the program (a backend that does not take the host yet
// defines the call without it). Declared weak here, and first: a weak
// redeclaration of a call already declared is not weak for every compiler.
namespace ui {
[[gnu::weak]] std::unique_ptr<Application> makeWindowApplication(const ToolkitHost& host);
[[gnu::weak]] std::unique_ptr<Application> makeWindowApplication();
}

namespace cli {

namespace {

// The host of a module being loaded and started.
const ui::ToolkitHost* startingHost = nullptr;

void moduleAborted(int) { startingHost->endRun(ui::EarlyEnd::WindowNeverAppeared); }

// A module that aborts as it loads or starts (a broken install: a library
// of the wrong version, a constructor that fails) cannot be recovered from
// in this process: dlopen may hold its lock, the module's state is half
// made. While an instance lives such an abort ends the run as a window that
// never appeared, in one line and status 1, rather than by a signal that
// the parent would have to read.
class AbortEndsTheRun {
public:
    explicit AbortEndsTheRun(const ui::ToolkitHost& host) {
        startingHost = &host;
        struct sigaction action {};
        action.sa_handler = moduleAborted;
        sigemptyset(&action.sa_mask);
        sigaction(SIGABRT, &action, &previous_);
    }
    ~AbortEndsTheRun() { sigaction(SIGABRT, &previous_, nullptr); }
    AbortEndsTheRun(const AbortEndsTheRun&) = delete;
    AbortEndsTheRun& operator=(const AbortEndsTheRun&) = delete;

private:
    struct sigaction previous_ {};
};

}  // namespace

bool backendLinked() {
    using WithHost = std::unique_ptr<ui::Application> (*)(const ui::ToolkitHost&);
    using WithoutHost = std::unique_ptr<ui::Application> (*)();
    return static_cast<WithHost>(&ui::makeWindowApplication) != nullptr ||
           static_cast<WithoutHost>(&ui::makeWindowApplication) != nullptr;
}

std::vector<std::string> windowToolkitNames() {
    if (backendLinked()) return {"window"};
    return {"qt", "gtk"};
}

std::string executableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) return {};
    const std::string exe(path, static_cast<std::size_t>(length));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string{} : exe.substr(0, slash);
}

std::unique_ptr<ui::Application> startWindowToolkit(const std::string& name,
                                                    const ui::ToolkitHost& host, std::string& why) {
    if (backendLinked()) {
        using WithHost = std::unique_ptr<ui::Application> (*)(const ui::ToolkitHost&);
        if (static_cast<WithHost>(&ui::makeWindowApplication)) return ui::makeWindowApplication(host);
        return ui::makeWindowApplication();
    }
    const std::string folder = executableFolder();
    if (folder.empty()) {
        why = "the program's own folder is unknown";
        return nullptr;
    }
    const std::string path = folder + "/toolkit-" + name + ".so";
    if (access(path.c_str(), F_OK) != 0) {
        why = "no module " + path;
        return nullptr;
    }
    const AbortEndsTheRun guard(host);
    // Local: two toolkits' libraries must never resolve against each other.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        why = std::string("the module does not load: ") + (error ? error : path);
        return nullptr;
    }
    auto entry = reinterpret_cast<SetupDialogToolkitEntry>(dlsym(module, SETUP_DIALOG_TOOLKIT_ENTRY));
    if (!entry) {
        why = "the module has no entry " SETUP_DIALOG_TOOLKIT_ENTRY;
        return nullptr;
    }
    std::unique_ptr<ui::Application> app(entry(host));
    if (!app) why = "the module cannot start here";
    return app;
}

}  // namespace cli
