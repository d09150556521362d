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

#include "ui/input_guard.h"
#include "ui/qt/qt_controls.h"

namespace ui::qt {

class AlertDialog final : public QDialog {
public:
    QPushButton* cancelButton = nullptr;

protected:
    // Escape presses "Cancel" where there is one and does nothing otherwise:
    // an alert is never dismissed without an answer the dialog knows.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
            if (cancelButton) cancelButton->click();
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

// Holds the keyboard of a running alert until the alert has been active for
// the guard's quiet time (see ui/input_guard.h). It watches the whole
// application, because Qt hands a key to the focused widget, a shortcut to
// its action and an input method's text to the field, each on its own.
class KeyGuard final : public QObject {
public:
    explicit KeyGuard(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inDialog(QObject* object) const;
    bool keyActs(const QKeyEvent& event, InputGuard::Clock::time_point now);

    // One key event reaches the filter once for each object it passes on
    // its way (the window, the focused widget, its parents). A press or a
    // repeat judged twice gets the same verdict; a release would not (the
    // first ends its key's admission), so its copies get the first verdict.
    struct Seen {
        ulong timestamp = 0;
        std::uint32_t key = 0;
        KeyEvent::Phase phase = KeyEvent::Phase::Press;
        bool release = false;
        bool operator==(const Seen&) const = default;
    };
    QWidget* dialog_;
    InputGuard guard_;
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

    void setMessageText(const std::string& text) override { messageText_ = toQString(text); }
    void setInformativeText(const std::string& text) override { informativeText_ = toQString(text); }
    void setAlertStyle(int style) override { style_ = style; }
    void setIcon(const Image& icon) override { icon_ = static_cast<const QtImage&>(icon).image; }

    void addButtonWithTitle(const std::string& title) override {
        const int result = kAlertFirstButtonReturn + static_cast<int>(buttons_.size());
        auto* button = new QPushButton(plainButtonText(title), dialog_);
        button->setAccessibleName(toQString(title));
        button->setAutoDefault(false);
        if (buttons_.empty()) button->setDefault(true);
        if (title == "Cancel" && !dialog_->cancelButton) dialog_->cancelButton = button;
        QObject::connect(button, &QPushButton::clicked, dialog_, [this, result] { dialog_->done(result); });
        buttons_.push_back(button);
    }

    void setAccessoryView(View& view) override { accessory_ = &nodeOf<QtViewNode>(view); }

    void layout() override;
    Window& window() override { return window_; }
    long runModal() override;

    void setFloating(bool floating) { dialog_->setWindowFlag(Qt::WindowStaysOnTopHint, floating); }
    void setFirstResponder(QWidget* widget) { firstResponder_ = widget; }

private:
    void installMenuShortcuts();
    void fitToScreen(QGridLayout* grid, int accessoryRow, QLabel* informative);

    const AlertHost& app_;
    QtWindow window_;
    AlertDialog* dialog_;
    QString messageText_;
    QString informativeText_;
    int style_ = kAlertStyleWarning;
    QImage icon_;
    std::vector<QPushButton*> buttons_;
    QtViewNode* accessory_ = nullptr;
    QPointer<QWidget> firstResponder_;
    bool laidOut_ = false;
};

}  // namespace ui::qt
