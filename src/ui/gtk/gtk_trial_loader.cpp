// Until the program loads its toolkits itself: the window application of a
// trial build, the GTK module loaded from beside the executable.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/arena.h"
#include "ui/menu_list.h"
#include "ui/quiet_output.h"
#include "ui/toolkit_host.h"
#include "ui/window_backend.h"

namespace {

class NoWindows final : public ui::Application {
public:
    void setActivationPolicy(int) override {}
    void setMainMenu(ui::Menu&) override {}
    void activateIgnoringOtherApps(bool) override {}
    bool canShowWindows() override { return false; }
    std::size_t openScope() override { return 0; }
    void closeScope(std::size_t) override {}
    ui::Alert& makeAlert() override { std::abort(); }
    ui::View& makeView(ui::Rect) override { std::abort(); }
    ui::Checkbox& makeCheckbox(const std::string&, ui::Checkbox::Action) override { std::abort(); }
    ui::TextField& makeLabel(const std::string&) override { std::abort(); }
    ui::TextField& makeWrappingLabel(const std::string&) override { std::abort(); }
    ui::TextField& makeTextField(ui::Rect) override { std::abort(); }
    const ui::Font& systemFontOfSize(double) override { std::abort(); }
    double smallSystemFontSize() override { return 11; }
    const ui::Font& monospacedSystemFontOfSize(double, double) override { std::abort(); }
    const ui::Color& secondaryLabelColor() override { std::abort(); }
    const ui::Image* imageWithContentsOfFile(const std::string&) override { return nullptr; }
    ui::Menu& makeMenu(const std::string&) override { return arena_.own(std::make_unique<ui::ListedMenu>(arena_)); }
    ui::MenuItem& makeMenuItem(const std::string&, ui::MenuAction action, const std::string& key) override {
        return arena_.own(std::make_unique<ui::ListedMenuItem>(action, key));
    }
    ui::MenuItem& separatorItem() override {
        return arena_.own(std::make_unique<ui::ListedMenuItem>(ui::MenuAction::None, ""));
    }

private:
    ui::Arena arena_;
};

int errorFd = -1;

}  // namespace

std::unique_ptr<ui::Application> ui::makeWindowApplication() {
    static ToolkitHost host;
    errorFd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    host.endRun = [](EarlyEnd why) {
        const char* line = why == EarlyEnd::WindowNeverAppeared ? WindowDeadline::kLine
                                                                : "setup-dialog: lost the display before an answer\n";
        if (errorFd >= 0) [[maybe_unused]] auto written = write(errorFd, line, std::strlen(line));
        _exit(1);
    };
    host.showToolkitMessages = toolkitMessagesShown();
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    host.x11Answers = display && *display;
    host.waylandAnswers = wayland && *wayland;
    if (!host.x11Answers && !host.waylandAnswers) return std::make_unique<NoWindows>();
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string module = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
    module = module.substr(0, module.rfind('/') + 1) + "toolkit-gtk.so";
    void* library = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry = library ? reinterpret_cast<SetupDialogToolkitEntry>(dlsym(library, SETUP_DIALOG_TOOLKIT_ENTRY))
                         : nullptr;
    Application* app = entry ? entry(host) : nullptr;
    if (!app) return std::make_unique<NoWindows>();
    return std::unique_ptr<Application>(app);
}
