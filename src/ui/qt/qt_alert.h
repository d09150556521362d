// The alert of the Qt backend: a dialog laid out as a classic alert, icon on
// the left, the texts and the accessory view beside it, the buttons at the
// bottom right with the first one rightmost.
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/alert/alert_model.h"
#include "ui/alert/capabilities.h"
#include "ui/alert/input_guard.h"
#include "ui/alert/screen_plan.h"
#include "ui/qt/qt_controls.h"

namespace ui::qt {

inline constexpr alert::Capabilities kCapabilities{
    .nativeAlert = false,
    .keepsOnTop = true,  // on X11; Wayland leaves stacking to the compositor
    .showsIcon = true,
    .tabReachesBoxes = true,
    .lockedBoxInTabOrder = true,
    .textsInTabOrder = true,
    .scrollsLongText = true,
    .returnKey = alert::ReturnKey::DefaultButton,
    .editKeys = alert::EditKeys::MenuBindings,
    .keyGuard = alert::KeyGuard::QuietTime,
};

class AlertDialog final : public QDialog {
public:
    // The button Escape presses; none leaves the alert up, so that it is
    // never dismissed without an answer the dialog knows.
    QPushButton* escapeButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
            if (escapeButton) escapeButton->click();
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

// Holds the keyboard of a running alert until the alert has been active for
// the guard's quiet time (see ui/alert/input_guard.h). It watches the whole
// application, because Qt hands a key to the focused widget, a shortcut to
// its action and an input method's text to the field, each on its own.
class KeyGuard final : public QObject {
public:
    explicit KeyGuard(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inDialog(QObject* object) const;
    bool keyActs(const QKeyEvent& event, alert::InputGuard::Clock::time_point now);

    // One key event reaches the filter once for each object it passes on
    // its way (the window, the focused widget, its parents). A press or a
    // repeat judged twice gets the same verdict; a release would not (the
    // first ends its key's admission), so its copies get the first verdict.
    struct Seen {
        ulong timestamp = 0;
        std::uint32_t key = 0;
        alert::KeyEvent::Phase phase = alert::KeyEvent::Phase::Press;
        bool release = false;
        bool operator==(const Seen&) const = default;
    };
    QWidget* dialog_;
    alert::InputGuard guard_;
    std::optional<Seen> lastSeen_;
    bool lastVerdict_ = false;
};

// What an alert needs of the application that made it.
class AlertHost {
public:
    // The main menu, whose key equivalents the alert binds.
    virtual const QtMenu* mainMenu() const = 0;
    // Whether the program asked to come to the front.
    virtual bool activationRequested() const = 0;

protected:
    ~AlertHost() = default;
};

class QtAlert;

class QtWindow final : public Window {
public:
    explicit QtWindow(QtAlert& alert) : alert_(alert) {}
    void setLevel(int level) override;
    void makeFirstResponder(View& view) override;

private:
    QtAlert& alert_;
};

class QtAlert final : public Alert, public Owned {
public:
    explicit QtAlert(const AlertHost& app) : app_(app), window_(*this) {
        dialog_ = new AlertDialog;
        dialog_->setSizeGripEnabled(false);
    }
    ~QtAlert() override { delete dialog_; }

    void setMessageText(const std::string& text) override { model_.messageText = text; }
    void setInformativeText(const std::string& text) override { model_.informativeText = text; }
    void setAlertStyle(int style) override { model_.style = style; }
    void setIcon(const Image& icon) override { model_.icon = &icon; }
    void addButtonWithTitle(const std::string& title) override;

    void setAccessoryView(View& view) override { accessory_ = &nodeOf<QtViewNode>(view); }

    void layout() override;
    Window& window() override { return window_; }
    long runModal() override;

    void setFloating(bool floating) { dialog_->setWindowFlag(Qt::WindowStaysOnTopHint, floating); }
    void setFirstResponder(QWidget* widget) { firstResponder_ = widget; }

private:
    void installMenuShortcuts();
    QLabel* makeIcon();
    void fitToScreen(QGridLayout* grid, int accessoryRow, QLabel* informative);
    int fixedHeight(QGridLayout* grid, QLabel* informative, const alert::FitInput& fit);
    void chainTabs(QLabel* message, QLabel* informative);

    const AlertHost& app_;
    QtWindow window_;
    AlertDialog* dialog_;
    alert::AlertModel model_;
    std::vector<QPushButton*> buttons_;
    QtViewNode* accessory_ = nullptr;
    QPointer<QWidget> firstResponder_;
    bool laidOut_ = false;
};

}  // namespace ui::qt
