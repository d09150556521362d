#include "ui/qt/qt_platform.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <cmath>
#include <optional>
#include <cstdio>
#include <string>

#include "platform/display_probe.h"
#include "setup_dialog_version.h"
#include "ui/quiet_output.h"

namespace ui::qt {

namespace {

// The host of the run: it ends the run when Qt cannot go on. Null once the
// application that holds it is gone: Qt still speaks from its exit handlers.
const ToolkitHost* runHost = nullptr;
bool messagesShown = false;

// Qt's own warnings would land on standard error, which a run that shows a
// dialog keeps silent (unless they are asked for). A fatal message would end
// the process by a signal: the host ends the run instead, as one whose
// display broke (Qt's fatal messages come from a display it cannot use).
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (messagesShown) {
        const QByteArray shown = qFormatLogMessage(type, context, message).toLocal8Bit() + "\n";
        [[maybe_unused]] const auto written = write(STDERR_FILENO, shown.constData(), shown.size());
    }
    // Qt's Wayland client says so, then ends the process with _exit, which
    // no exit handler sees.
    if (type == QtWarningMsg && message.startsWith("The Wayland connection ")) {
        LostDisplayReport::displayWentAway();
    }
    // Qt's Wayland client cannot give the window a shell surface (a shell
    // integration named in QT_WAYLAND_SHELL_INTEGRATION that it lacks): no
    // window will ever show.
    if (type == QtWarningMsg && message.startsWith("Loading shell integration failed")) {
        WindowDeadline::windowCannotAppear();
    }
    if (type == QtFatalMsg && runHost) runHost->endRun(EarlyEnd::DisplayLost);
}

// A session bus or accessibility bus that accepts and never answers would
// keep Qt from ever showing the window; with no session bus at all, the bus
// library would start one (and write its address under the home folder).
// Either way the run goes on without the bus: an address that fails at once
// stands in for it, and Qt's bridge to screen readers stays off. Set as Qt
// starts, in this process only: Qt reads the buses from nowhere else.
void keepSilentBusesOut(const BusAnswers& buses) {
    constexpr const char* kNoBus = "disabled:";
    if (!buses.session) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", kNoBus);
        qputenv("AT_SPI_BUS_ADDRESS", kNoBus);
    } else if (!buses.accessibility) {
        qputenv("AT_SPI_BUS_ADDRESS", kNoBus);
    }
}

// A scale factor Qt is given, when it is a number the alert can be drawn
// with: from a tenth to ten times. Beyond that the window is too small to
// read or larger than any screen (at 50 the alert is 25000 pixels wide and
// its buttons out of reach), and Qt may never show it at all (infinity).
bool saneScale(const QByteArray& text) {
    bool number = false;
    const double factor = text.trimmed().toDouble(&number);
    return number && std::isfinite(factor) && factor >= 0.1 && factor <= 10;
}

// Settings in the parent's environment that would end the run or show
// nothing, ignored as if unset: a scale or a font resolution out of range
// (see saneScale; a font at 100000 dots per inch scales the icon to tens of
// thousands of pixels and the run to gigabytes), and fatal warnings, which
// would end the run on Qt's first harmless warning.
void dropHarmfulSettings() {
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    if (!scale.isEmpty() && !saneScale(scale)) qunsetenv("QT_SCALE_FACTOR");

    // "factor;factor" by screen number, or "name=factor;name=factor". An
    // entry out of range is dropped; a numbered one becomes 1, so that the
    // entries after it keep their screens.
    const QByteArray screens = qgetenv("QT_SCREEN_SCALE_FACTORS");
    if (!screens.isEmpty()) {
        QList<QByteArray> entries = screens.split(';');
        bool changed = false;
        for (auto it = entries.begin(); it != entries.end();) {
            const qsizetype equals = it->indexOf('=');
            if (saneScale(equals < 0 ? *it : it->mid(equals + 1))) {
                ++it;
            } else if (equals < 0) {
                *it++ = "1";
                changed = true;
            } else {
                it = entries.erase(it);
                changed = true;
            }
        }
        if (changed) qputenv("QT_SCREEN_SCALE_FACTORS", entries.join(';'));
    }

    // 24 to 960 dots per inch: a quarter of the usual 96 to ten times it.
    const QByteArray dpi = qgetenv("QT_FONT_DPI");
    bool number = false;
    const int dots = dpi.trimmed().toInt(&number);
    if (!dpi.isEmpty() && (!number || dots < 24 || dots > 960)) qunsetenv("QT_FONT_DPI");

    qunsetenv("QT_FATAL_WARNINGS");
    qunsetenv("QT_FATAL_CRITICALS");
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

QString choosePlatformForQt(const ToolkitHost& host, NoDisplayReason& why) {
    std::optional<QStringList> installed;
    const PlatformSurroundings machine{
        [&](const QString& name) {
            if (!installed) installed = installedPlatformNames();
            return installed->contains(name);
        },
        [&] { return host.x11Answers; },
        [&] { return host.waylandAnswers; },
    };
    // The displays that did not answer were reported by the probe: here
    // only a platform that Qt lacks, or one that shows nothing, is left.
    why = NoDisplayReason{};
    return choosePlatform(qEnvironmentVariable("QT_QPA_PLATFORM"), machine);
}

void captureToolkitOutput(const ToolkitHost& host) {
    runHost = &host;
    messagesShown = host.showToolkitMessages;
    static bool captured = false;
    if (captured) return;
    captured = true;
    qInstallMessageHandler(messageHandler);
}

void releaseToolkitOutput() { runHost = nullptr; }

BusAnswers busesForQt(const ToolkitHost& host) {
    if (host.buses) return host.buses();
    const platform::Buses buses = platform::probeBuses();
    return {buses.session, buses.accessibility};
}

std::unique_ptr<QApplication> startQt(const QString& platform, const BusAnswers& buses) {
    dropHarmfulSettings();
    keepSilentBusesOut(buses);
    // The platform chosen goes to Qt as its own option, which wins over
    // QT_QPA_PLATFORM without changing it. The items on the command line
    // are the parent's data, never Qt options.
    static std::string platformArgument;
    platformArgument = platform.toStdString();
    static char name[] = "setup-dialog";
    static char option[] = "-platform";
    static char* argv[] = {name, option, nullptr, nullptr};
    static int argc = 1;
    if (!platform.isEmpty()) {
        argv[2] = platformArgument.data();
        argc = 3;
    }
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}

}  // namespace ui::qt
