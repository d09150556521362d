// The Qt 6 Widgets backend's application object: the factory of the
// controls and alerts, starting Qt when the first of them is made.
#include "ui/qt/qt_application.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPalette>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "ui/arena.h"
#include "ui/image_header.h"
#include "ui/qt/qt_alert.h"
#include "ui/qt/qt_checkbox_widget.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_platform.h"
#include "ui/quiet_output.h"

namespace ui::qt {

namespace {

class QtApplicationImpl final : public Application, private AlertHost {
public:
    explicit QtApplicationImpl(const ToolkitHost& host) : host_(host) {}
    ~QtApplicationImpl() override {
        // Widgets first, the Qt application object last, then the host the
        // message handler points at.
        arena_.clear();
        lostDisplay_.reset();
        windowDeadline_.reset();
        qt_.reset();
        releaseToolkitOutput();
    }

    void setActivationPolicy(int) override {}  // every Qt program is a regular one
    void setMainMenu(Menu& menu) override { mainMenu_ = &static_cast<QtMenu&>(menu); }
    void activateIgnoringOtherApps(bool) override { activationRequested_ = true; }

    // Asked once when the toolkit is chosen and again before the dialog:
    // the platform is chosen only the first time.
    bool canShowWindows() override {
        if (qApp) return true;
        if (!platform_) {
            // The choice reads the platform plugins' metadata, which Qt may
            // report on (QT_DEBUG_PLUGINS, logging rules, a broken plugin).
            captureToolkitOutput(host_);
            platform_ = choosePlatformForQt(host_, noDisplay_);
            // Asked now, while the program's bus probes still run for us.
            if (!platform_->isEmpty()) buses_ = busesForQt(host_);
        }
        return !platform_->isEmpty();
    }
    NoDisplayReason whyNoWindows() override { return noDisplay_; }

    std::size_t openScope() override { return arena_.mark(); }
    void closeScope(std::size_t scope) override { arena_.releaseTo(scope); }

    Alert& makeAlert() override {
        ensureQt();
        return arena_.own(std::make_unique<QtAlert>(static_cast<const AlertHost&>(*this)));
    }

    View& makeView(Rect frame) override {
        ensureQt();
        return arena_.own(std::make_unique<QtPlainView>(frame));
    }

    Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) override {
        ensureQt();
        return arena_.own(std::make_unique<QtCheckbox>(title, std::move(action)));
    }

    TextField& makeLabel(const std::string& text) override {
        ensureQt();
        return arena_.own(std::make_unique<QtTextField>(QtTextField::Kind::Label, text));
    }

    TextField& makeWrappingLabel(const std::string& text) override {
        ensureQt();
        return arena_.own(std::make_unique<QtTextField>(QtTextField::Kind::WrappingLabel, text));
    }

    TextField& makeTextField(Rect frame) override {
        ensureQt();
        auto& field = arena_.own(std::make_unique<QtTextField>(QtTextField::Kind::Field, ""));
        field.setFrame(frame);
        return field;
    }

    const Font& systemFontOfSize(double size) override {
        ensureQt();
        QFont font = QApplication::font();
        font.setPointSizeF(size);
        return arena_.own(std::make_unique<QtFont>(font));
    }

    double smallSystemFontSize() override {
        ensureQt();
        // A desktop font may be given in pixels; its real size is asked for.
        return std::max(7.0, QFontInfo(QApplication::font()).pointSizeF() - 1.0);
    }

    // The dialogs ask for the regular weight only.
    const Font& monospacedSystemFontOfSize(double size, double /*weight*/) override {
        ensureQt();
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(size);
        font.setWeight(QFont::Normal);
        return arena_.own(std::make_unique<QtFont>(font));
    }

    const Color& secondaryLabelColor() override {
        ensureQt();
        // The platform's secondary text: the text colour, partly transparent.
        QColor color = QApplication::palette().color(QPalette::Active, QPalette::WindowText);
        color.setAlphaF(0.6f);
        return arena_.own(std::make_unique<QtColor>(color));
    }

    const Image* imageWithContentsOfFile(const std::string& path) override {
        ensureQt();
        // Only a regular file: a pipe or a device under that name would block
        // the read, and the alert would never appear.
        const QFileInfo file(toQString(path));
        if (!file.isFile() || !isUsableIconFile(path)) return nullptr;
        QImage image;
        if (!image.load(file.filePath())) return nullptr;
        // Scaled in a palette's few colours (or a grey ramp) a small icon
        // comes out as a dither pattern; in full colour it stays smooth.
        if (image.colorCount() > 0 || image.format() == QImage::Format_Grayscale8 ||
            image.format() == QImage::Format_Grayscale16) {
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                    : QImage::Format_RGB32);
        }
        return &arena_.own(std::make_unique<QtImage>(std::move(image)));
    }

    Menu& makeMenu(const std::string&) override { return arena_.own(std::make_unique<QtMenu>(arena_)); }

    MenuItem& makeMenuItem(const std::string&, MenuAction action,
                           const std::string& keyEquivalent) override {
        return arena_.own(std::make_unique<QtMenuItem>(action, keyEquivalent));
    }

    MenuItem& separatorItem() override {
        return arena_.own(std::make_unique<QtMenuItem>(MenuAction::None, ""));
    }

private:
    const QtMenu* mainMenu() const override { return mainMenu_; }
    bool activationRequested() const override { return activationRequested_; }

    void ensureQt() {
        if (qt_) return;
        captureToolkitOutput(host_);
        windowDeadline_.emplace(host_);
        if (!buses_) buses_ = busesForQt(host_);
        qt_ = startQt(platform_.value_or(QString()), *buses_);
        installAlertCheckBoxAccessibility();
        // From here on Qt ends the process itself if the display goes away.
        lostDisplay_.emplace(host_);
    }

    const ToolkitHost host_;  // a copy: the deadline and the reports point at it
    std::optional<BusAnswers> buses_;
    std::unique_ptr<QApplication> qt_;
    std::optional<WindowDeadline> windowDeadline_;
    std::optional<LostDisplayReport> lostDisplay_;  // ends before Qt does
    Arena arena_;
    QtMenu* mainMenu_ = nullptr;
    bool activationRequested_ = false;
    std::optional<QString> platform_;  // chosen; empty when none shows windows
    NoDisplayReason noDisplay_;
};

}  // namespace

std::unique_ptr<Application> makeApplication(const ToolkitHost& host) {
    return std::make_unique<QtApplicationImpl>(host);
}

std::unique_ptr<Application> makeApplication() {
    ToolkitHost host;
    host.endRun = [](EarlyEnd) { std::_Exit(1); };
    return makeApplication(host);
}

}  // namespace ui::qt

// The module's one exported symbol. Nothing of Qt runs here: Qt starts with
// the first window. Null only when even the object cannot be made.
extern "C" __attribute__((visibility("default"))) ui::Application* setup_dialog_toolkit_v1(
    const ui::ToolkitHost& host) {
    try {
        return ui::qt::makeApplication(host).release();
    } catch (...) {
        return nullptr;
    }
}
