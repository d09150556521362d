#include "ui/qt/qt_platform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#include "ui/quiet_output.h"

namespace ui::qt {

namespace {

// Where a fatal toolkit message still goes once standard error is silenced.
int fatalMessageFd = -1;

// Qt's own warnings would land on standard error, which a run that shows a
// dialog keeps silent. Only a fatal message, which ends the process, is let
// through.
void silentMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg || fatalMessageFd < 0) return;
    const QByteArray line = "setup-dialog: " + message.toLocal8Bit() + "\n";
    [[maybe_unused]] const auto written = write(fatalMessageFd, line.constData(), line.size());
}

// Asks the X server named by DISPLAY whether it takes a connection, without
// letting Qt try (Qt aborts the process when it cannot open its display).
bool x11DisplayOpens(const char* display) {
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool opens = false;
    if (connect && hasError && disconnect) {
        void* connection = connect(display, nullptr);
        opens = connection && hasError(connection) == 0;
        if (connection) disconnect(connection);
    }
    dlclose(xcb);
    return opens;
}

bool platformPluginInstalled(const QString& name) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/";
    return QFileInfo::exists(folder + "libq" + name + ".so");
}

}  // namespace

// Whether Qt will be able to open its platform: Qt ends the process when it
// cannot, so the run finds out first. QT_QPA_PLATFORM may name a list of
// platforms, each with options after a colon; Qt takes the first that starts.
bool platformWillStart() {
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QStringList platforms =
        chosen.isEmpty() ? QStringList{"xcb"} : chosen.split(';', Qt::SkipEmptyParts);
    for (const QString& entry : platforms) {
        const QString name = entry.section(':', 0, 0).trimmed();
        if (name == "xcb") {
            const QByteArray display = qgetenv("DISPLAY");
            if (!display.isEmpty() && x11DisplayOpens(display.constData())) return true;
        } else if (name.startsWith("wayland")) {
            if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && platformPluginInstalled(name)) {
                return true;
            }
        } else if (platformPluginInstalled(name)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<QApplication> startQt() {
    fatalMessageFd = silenceToolkitOutput(/*keepCopy=*/true);
    if (!toolkitMessagesShown()) qInstallMessageHandler(silentMessageHandler);
    static int argc = 1;
    static char name[] = "setup-dialog";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}

}  // namespace ui::qt
