// Another X client can destroy the alert's window (a window manager's
// "kill", xdotool windowclose). Qt does not notice, and the modal run would
// wait forever for a window nobody can see: the watch ends the run instead,
// as a window closed without a button.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QDialog>
#include <QObject>

namespace ui::qt {

class WindowWatch final : public QObject, public QAbstractNativeEventFilter {
public:
    // Watches the dialog's window for as long as the dialog lives.
    explicit WindowWatch(QDialog* dialog);
    ~WindowWatch() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QDialog* dialog_;
};

}  // namespace ui::qt
