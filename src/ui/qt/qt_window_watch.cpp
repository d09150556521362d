#include "ui/qt/qt_window_watch.h"

#include <QCoreApplication>
#include <cstdint>

#include "ui/toolkit.h"

namespace ui::qt {

namespace {

// The X protocol's DestroyNotify event, as the xcb platform hands it over.
struct DestroyNotify {
    std::uint8_t responseType;
    std::uint8_t pad;
    std::uint16_t sequence;
    std::uint32_t event;
    std::uint32_t window;
};
constexpr std::uint8_t kDestroyNotify = 17;

}  // namespace

WindowWatch::WindowWatch(QDialog* dialog) : QObject(dialog), dialog_(dialog) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowWatch::~WindowWatch() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !dialog_->isVisible()) return false;
    const auto* event = static_cast<const DestroyNotify*>(message);
    if ((event->responseType & 0x7F) != kDestroyNotify) return false;
    if (event->window != dialog_->internalWinId()) return false;
    // Ended from the event loop, not from inside Qt's own event handling.
    QMetaObject::invokeMethod(
        dialog_, [dialog = dialog_] { dialog->done(static_cast<int>(kModalResponseCancel)); },
        Qt::QueuedConnection);
    return false;
}

}  // namespace ui::qt
