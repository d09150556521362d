// The Win32 backend's application object: the factory of the controls and
// alerts.
#include "ui/win32/win32_application.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "ui/arena.h"
#include "ui/image_header.h"
#include "ui/win32/win32_alert.h"
#include "ui/win32/win32_controls.h"
#include "ui/win32/win32_text.h"
#include "ui/window_backend.h"

namespace ui::win32 {

namespace {

class Win32Application final : public Application, private AlertHost {
public:
    explicit Win32Application(const ToolkitHost& host) : host_(host) {}

    ~Win32Application() override {
        // Controls and images first, COM last.
        arena_.clear();
        if (comStarted_) CoUninitialize();
    }

    void setActivationPolicy(int) override {}
    void setMainMenu(Menu& menu) override { mainMenu_ = &static_cast<Win32Menu&>(menu); }
    void activateIgnoringOtherApps(bool) override { activationRequested_ = true; }

    // A service, or any process on a window station that is not the
    // interactive one, has no desktop a person could see; and where no
    // window can be made at all (Wine with no display), none is shown.
    bool canShowWindows() override {
        if (windowsShown_) return *windowsShown_;
        USEROBJECTFLAGS flags{};
        HWINSTA station = GetProcessWindowStation();
        bool shown = station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
                     (flags.dwFlags & WSF_VISIBLE) != 0;
        if (shown) {
            HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
            shown = probe != nullptr;
            if (probe) DestroyWindow(probe);
        }
        windowsShown_ = shown;
        return shown;
    }

    std::size_t openScope() override { return arena_.mark(); }
    void closeScope(std::size_t scope) override { arena_.releaseTo(scope); }

    Alert& makeAlert() override {
        start();
        return arena_.own(std::make_unique<Win32Alert>(static_cast<const AlertHost&>(*this)));
    }

    View& makeView(Rect frame) override { return arena_.own(std::make_unique<Win32PlainView>(frame)); }

    Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) override {
        return arena_.own(std::make_unique<Win32Checkbox>(title, std::move(action)));
    }

    TextField& makeLabel(const std::string& text) override {
        start();
        return arena_.own(std::make_unique<Win32TextField>(Win32TextField::Kind::Label, text));
    }

    TextField& makeWrappingLabel(const std::string& text) override {
        start();
        return arena_.own(std::make_unique<Win32TextField>(Win32TextField::Kind::WrappingLabel, text));
    }

    TextField& makeTextField(Rect frame) override {
        start();
        auto& field = arena_.own(std::make_unique<Win32TextField>(Win32TextField::Kind::Field, ""));
        field.setFrame(frame);
        return field;
    }

    const Font& systemFontOfSize(double size) override {
        return arena_.own(std::make_unique<Win32Font>(size, false));
    }

    // The desktop's message font in the dialogs' points, less one.
    double smallSystemFontSize() override {
        start();
        const Metrics& metrics = runMetrics();
        return std::max(7.0, std::abs(static_cast<double>(metrics.messageFont.lfHeight)) / metrics.scale - 1.0);
    }

    // The dialogs ask for the regular weight only.
    const Font& monospacedSystemFontOfSize(double size, double /*weight*/) override {
        return arena_.own(std::make_unique<Win32Font>(size, true));
    }

    const Color& secondaryLabelColor() override { return arena_.own(std::make_unique<Win32Color>(COLOR_GRAYTEXT)); }

    const Image* imageWithContentsOfFile(const std::string& path) override {
        start();
        if (!isUsableIconFile(path)) return nullptr;
        return loadImage(widen(path), arena_);
    }

    Menu& makeMenu(const std::string&) override { return arena_.own(std::make_unique<Win32Menu>(arena_)); }

    MenuItem& makeMenuItem(const std::string&, MenuAction action, const std::string& keyEquivalent) override {
        return arena_.own(std::make_unique<Win32MenuItem>(action, keyEquivalent));
    }

    MenuItem& separatorItem() override { return arena_.own(std::make_unique<Win32MenuItem>(MenuAction::None, "")); }

private:
    const Win32Menu* mainMenu() const override { return mainMenu_; }
    bool activationRequested() const override { return activationRequested_; }
    void endRun(EarlyEnd why) const override { host_.endRun(why); }

    // The common controls, COM (for WIC and the accessibility properties)
    // and the metrics text is measured with, once something needs them.
    void start() {
        if (started_) return;
        started_ = true;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        setRunMetrics(metricsFor(dpiOfMonitorUnderPointer()));
    }

    ToolkitHost host_;
    Arena arena_;
    Win32Menu* mainMenu_ = nullptr;
    bool activationRequested_ = false;
    bool started_ = false;
    bool comStarted_ = false;
    std::optional<bool> windowsShown_;
};

}  // namespace

std::unique_ptr<Application> makeApplication(const ToolkitHost& host) {
    return std::make_unique<Win32Application>(host);
}

}  // namespace ui::win32

std::unique_ptr<ui::Application> ui::makeWindowApplication(const ToolkitHost& host) {
    return win32::makeApplication(host);
}
