#include "ui/qt/qt_platform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <sys/stat.h>

#include <QApplication>
#include <cstdio>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <cstdarg>
#include <optional>

#include "setup_dialog_version.h"
#include "ui/quiet_output.h"

namespace ui::qt {

namespace {

// Where a fatal toolkit message still goes once standard error is silenced.
int fatalMessageFd = -1;

// Qt's own warnings would land on standard error, which a run that shows a
// dialog keeps silent (unless they are asked for). A fatal message, which
// ends the process, is let through, and the process then ends with status 1
// rather than by a signal.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (toolkitMessagesShown()) {
        const QByteArray shown = qFormatLogMessage(type, context, message).toLocal8Bit() + "\n";
        [[maybe_unused]] const auto written = write(STDERR_FILENO, shown.constData(), shown.size());
    }
    // Qt's Wayland client says so, then ends the process with _exit, which
    // no exit handler sees.
    if (type == QtWarningMsg && message.startsWith("The Wayland connection ")) {
        LostDisplayReport::displayWentAway();
    }
    if (type != QtFatalMsg) return;
    if (fatalMessageFd >= 0 && !toolkitMessagesShown()) {
        // Its first line: the rest is advice for developers.
        const QByteArray line = "setup-dialog: " + message.section('\n', 0, 0).toLocal8Bit() + "\n";
        [[maybe_unused]] const auto written = write(fatalMessageFd, line.constData(), line.size());
    }
    _exit(1);
}

// The probe's X connection, kept open until Qt has made its own: an X server
// with no other client resets when the last one leaves, and would refuse Qt
// while it does.
struct HeldX11Connection {
    void* library = nullptr;
    void* connection = nullptr;
    void (*disconnect)(void*) = nullptr;

    void release() {
        if (connection) disconnect(connection);
        if (library) dlclose(library);
        *this = {};
    }
};
HeldX11Connection heldX11;

// Asks the X server named by DISPLAY whether it takes a connection, without
// letting Qt try (Qt aborts the process when it cannot open its display).
bool x11DisplayOpens(const char* display) {
    heldX11.release();
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    if (!connect || !hasError || !disconnect) {
        dlclose(xcb);
        return false;
    }
    // xcb_connect never returns null: a failed connection is an error object.
    heldX11 = {xcb, connect(display, nullptr), disconnect};
    if (hasError(heldX11.connection) == 0) return true;
    heldX11.release();
    return false;
}

// Asks the Wayland compositor of this session whether it is there, the way
// Qt will connect to it. A socket handed down in WAYLAND_SOCKET is checked
// without connecting, since a connection would use it up.
bool waylandDisplayOpens() {
    const QByteArray handed = qgetenv("WAYLAND_SOCKET");
    if (!handed.isEmpty()) {
        bool number = false;
        const int fd = handed.toInt(&number);
        struct stat info {};
        return number && fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
    }
    // Without WAYLAND_DISPLAY there is no session to show in (a login over
    // SSH, say), even where a compositor's socket is at its default place.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return false;
    void* wayland = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!wayland) return false;
    using Connect = void* (*)(const char*);
    using Roundtrip = int (*)(void*);
    using Disconnect = void (*)(void*);
    using LogHandler = void (*)(const char*, va_list);
    using SetLogHandler = void (*)(LogHandler);
    // The library reports a failed connection on standard error itself.
    auto setLogHandler =
        reinterpret_cast<SetLogHandler>(dlsym(wayland, "wl_log_set_handler_client"));
    if (setLogHandler && !toolkitMessagesShown()) setLogHandler([](const char*, va_list) {});
    auto connect = reinterpret_cast<Connect>(dlsym(wayland, "wl_display_connect"));
    auto roundtrip = reinterpret_cast<Roundtrip>(dlsym(wayland, "wl_display_roundtrip"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(wayland, "wl_display_disconnect"));
    bool opens = false;
    if (connect && roundtrip && disconnect) {
        // A socket file left by a compositor that is gone refuses the
        // connection; one that hangs would hang Qt as well.
        if (void* display = connect(nullptr)) {
            opens = roundtrip(display) >= 0;
            disconnect(display);
        }
    }
    dlclose(wayland);
    return opens;
}

// The names the installed platform plugins answer to, read from their
// metadata without loading them, in the folders Qt searches.
QStringList installedPlatformNames() {
    QStringList folders;
    if (const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !own.isEmpty()) {
        folders << own;
    }
    for (const QString& path : qEnvironmentVariable("QT_PLUGIN_PATH").split(':', Qt::SkipEmptyParts)) {
        folders << path + "/platforms";
    }
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
    QStringList names;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList(QDir::Files)) {
            const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData();
            if (!meta.value("IID").toString().startsWith(
                    "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface")) {
                continue;
            }
            for (const QJsonValue key : meta.value("MetaData").toObject().value("Keys").toArray()) {
                names << key.toString().toLower();
            }
        }
    }
    return names;
}

enum class Shows { X11, Wayland, Nothing };

Shows whatShows(const QString& name) {
    if (name == "xcb") return Shows::X11;
    if (name == "wayland" || name.startsWith("wayland-")) return Shows::Wayland;
    return Shows::Nothing;
}

}  // namespace

QString choosePlatform(const QString& requested, const PlatformSurroundings& surroundings) {
    const QStringList entries = requested.isEmpty() ? QStringList{"xcb", "wayland"}
                                                    : requested.split(';', Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        // As Qt does: the name is lower-cased, empty options are dropped.
        QStringList parts = entry.split(':', Qt::SkipEmptyParts);
        if (parts.isEmpty()) continue;
        parts[0] = parts[0].toLower();
        const Shows shows = whatShows(parts[0]);
        if (shows == Shows::Nothing || !surroundings.pluginInstalled(parts[0])) continue;
        if (shows == Shows::X11 ? surroundings.x11Opens() : surroundings.waylandOpens()) {
            return parts.join(':');
        }
    }
    return {};
}

bool choosePlatformForQt() {
    std::optional<QStringList> installed;
    const PlatformSurroundings machine{
        [&](const QString& name) {
            if (!installed) installed = installedPlatformNames();
            return installed->contains(name);
        },
        [] {
            const QByteArray display = qgetenv("DISPLAY");
            return !display.isEmpty() && x11DisplayOpens(display.constData());
        },
        waylandDisplayOpens,
    };
    const QString chosen = choosePlatform(qEnvironmentVariable("QT_QPA_PLATFORM"), machine);
    if (chosen.isEmpty()) return false;
    qputenv("QT_QPA_PLATFORM", chosen.toUtf8());
    return true;
}

int errorLineFd() { return fatalMessageFd; }

std::unique_ptr<QApplication> startQt() {
    // Debug output starts by naming the program's version.
    if (toolkitMessagesShown()) std::fprintf(stderr, "%s\n", setupDialogVersionLine());
    fatalMessageFd = silenceToolkitOutput(/*keepCopy=*/true);
    qInstallMessageHandler(messageHandler);
    static int argc = 1;
    static char name[] = "setup-dialog";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QApplication>(argc, argv);
    heldX11.release();
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}

}  // namespace ui::qt
