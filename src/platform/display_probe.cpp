#include "platform/display_probe.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace platform {

namespace {

bool isNamed(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// The probe's X connection, kept open for the rest of the run: an X server
// with no other client resets when the last one leaves, and would refuse the
// toolkit's own connection while it does.
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

// A pipe whose ends close on exec (pipe2 is not everywhere). The probes
// start before the program starts any thread that could fork meanwhile.
bool closingPipe(int ends[2]) {
    if (pipe(ends) != 0) return false;
    fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    return true;
}

// In a child: closes every descriptor above standard error but `a` and `b`.
void keepOnly(int a, int b) {
    if (a > b) std::swap(a, b);
    const auto closeFrom = [](int first, int last) {
        if (first <= last) close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0);
    };
    closeFrom(STDERR_FILENO + 1, a - 1);
    closeFrom(a + 1, b - 1);
    if (b < INT_MAX) close_range(static_cast<unsigned>(b) + 1, ~0U, 0);
}

using Clock = std::chrono::steady_clock;

// How long a display may take to answer before it counts as none.
constexpr auto kProbeDeadline = std::chrono::seconds(2);
// A probing child that nobody waits for any more (the program ended
// without a word to it) ends itself this long after it started.
constexpr unsigned kChildLifeSeconds = 4;
static_assert(std::chrono::seconds(kChildLifeSeconds) > kProbeDeadline);

// A check run in a child process, with the child's standard error at
// /dev/null (libraries report their failures there), waited for under a
// deadline. A display that accepts a connection and never answers, or an
// authority file that never ends (a FIFO, /dev/zero), would otherwise hang
// the run: the child is killed instead. The child starts at once, so that
// several probes run side by side and share one deadline. A child that
// passed can stay connected until release(): an X server whose last client
// leaves resets or ends, and would refuse the connection that follows.
class Probe {
public:
    Probe(bool (*check)(const char*), const char* argument) {
        int ready[2], hold[2];
        if (!closingPipe(ready)) return;
        if (!closingPipe(hold)) {
            close(ready[0]);
            close(ready[1]);
            return;
        }
        child_ = fork();
        if (child_ == 0) {
            // A child left hanging in a library, with nobody left to kill it.
            signal(SIGALRM, SIG_DFL);
            sigset_t alarmOnly;
            sigemptyset(&alarmOnly);
            sigaddset(&alarmOnly, SIGALRM);
            sigprocmask(SIG_UNBLOCK, &alarmOnly, nullptr);
            alarm(kChildLifeSeconds);
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) dup2(null, STDERR_FILENO);
            // Its own ends of the pipes alone: a sibling probe's hold kept
            // open here would keep that probe's child from seeing its release.
            keepOnly(ready[1], hold[0]);
            if (!check(argument)) _exit(1);
            [[maybe_unused]] const auto told = write(ready[1], "1", 1);
            char gone;
            [[maybe_unused]] const auto held = read(hold[0], &gone, 1);  // until released
            _exit(0);
        }
        close(ready[1]);
        close(hold[0]);
        holdFd_ = hold[1];
        if (child_ > 0) {
            readyFd_ = ready[0];
        } else {
            close(ready[0]);
        }
    }
    ~Probe() {
        if (readyFd_ >= 0) close(readyFd_);
        release();
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    // Waits for the child's answer until `deadline`; a child that did not
    // pass by then is ended. Answers the same when asked again.
    bool await(Clock::time_point deadline) {
        if (readyFd_ < 0) return passed_;
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd answer{readyFd_, POLLIN, 0};
            const int ready = poll(&answer, 1, static_cast<int>(std::max<decltype(left)>(left, 0)));
            if (ready < 0 && errno == EINTR) continue;
            char told = 0;
            passed_ = ready > 0 && read(readyFd_, &told, 1) == 1 && told == '1';
            ranOut_ = ready == 0;
            break;
        }
        close(readyFd_);
        readyFd_ = -1;
        if (!passed_) release();
        return passed_;
    }

    bool passed() const { return passed_; }
    // The deadline came before the child said anything.
    bool ranOut() const { return ranOut_; }

    // Lets the child go: it ends once it sees the hold closed, or is killed
    // when it did not pass.
    void release() {
        if (holdFd_ >= 0) close(holdFd_);
        holdFd_ = -1;
        if (child_ <= 0) return;
        if (!passed_) kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
        child_ = -1;
    }

private:
    pid_t child_ = -1;
    int readyFd_ = -1;
    int holdFd_ = -1;
    bool passed_ = false;
    bool ranOut_ = false;
};

bool passesWithin(std::chrono::milliseconds deadline, bool (*check)(const char*), const char* argument) {
    return Probe(check, argument).await(Clock::now() + deadline);
}

// In the probing child: the X server answers a round trip, and has the
// screen that DISPLAY names (Qt aborts on a screen the server lacks).
bool x11ServerAnswers(const char* display) {
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using GetSetup = const void* (*)(void*);
    using RootsLength = int (*)(const void*);
    using GetInputFocus = unsigned (*)(void*);
    using GetInputFocusReply = void* (*)(void*, unsigned, void**);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto getSetup = reinterpret_cast<GetSetup>(dlsym(xcb, "xcb_get_setup"));
    auto rootsLength = reinterpret_cast<RootsLength>(dlsym(xcb, "xcb_setup_roots_length"));
    auto getInputFocus = reinterpret_cast<GetInputFocus>(dlsym(xcb, "xcb_get_input_focus"));
    auto focusReply = reinterpret_cast<GetInputFocusReply>(dlsym(xcb, "xcb_get_input_focus_reply"));
    if (!connect || !hasError || !getSetup || !rootsLength || !getInputFocus || !focusReply) {
        return false;
    }
    int screen = -1;
    void* connection = connect(display, &screen);
    if (!connection || hasError(connection) != 0) return false;
    if (screen < 0 || screen >= rootsLength(getSetup(connection))) return false;
    void* reply = focusReply(connection, getInputFocus(connection), nullptr);
    return reply != nullptr;  // the process ends here: nothing to free
}

// Whether something listens where the X display `number` on `host` takes
// connections, as libxcb looks for it: the local socket (abstract, then in
// the file system) for no host or "unix", else TCP port 6000 + number.
bool x11SocketAccepts(const std::string& host, int number) {
    const auto connects = [](int family, const sockaddr* address, socklen_t length) {
        const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        const bool accepted = connect(fd, address, length) == 0;
        close(fd);
        return accepted;
    };
    if (host.empty() || host == "unix" || host[0] == '/') {
        const std::string path =
            host[0] == '/' ? host : "/tmp/.X11-unix/X" + std::to_string(number);
        for (const std::size_t lead : {std::size_t{1}, std::size_t{0}}) {  // abstract first
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (lead + path.size() >= sizeof address.sun_path) return false;
            std::memcpy(address.sun_path + lead, path.data(), path.size());
            const auto length =
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + lead + path.size());
            if (connects(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length)) return true;
        }
        return false;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(6000 + number).c_str(), &hints, &found) != 0) {
        return false;
    }
    bool accepted = false;
    for (const addrinfo* at = found; at && !accepted; at = at->ai_next) {
        accepted = connects(at->ai_family, at->ai_addr, at->ai_addrlen);
    }
    freeaddrinfo(found);
    return accepted;
}

// In the probing child: the X server is there, its socket takes the
// connection, and it turns the connection away at set-up, as it does a user
// without its authority (or when it has no room for another client).
bool x11ServerRefuses(const char* display) {
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using ParseDisplay = int (*)(const char*, char**, int*, int*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto parse = reinterpret_cast<ParseDisplay>(dlsym(xcb, "xcb_parse_display"));
    if (!connect || !hasError || !parse) return false;
    // XCB_CONN_ERROR: the socket or the set-up failed. A wrong screen or a
    // name that does not parse has codes of its own, and is no refusal.
    constexpr int kConnectionError = 1;
    if (hasError(connect(display, nullptr)) != kConnectionError) return false;
    char* host = nullptr;
    int number = 0, screen = 0;
    if (!parse(display, &host, &number, &screen)) return false;
    return x11SocketAccepts(host ? host : "", number);  // the process ends here: nothing to free
}

enum class X11Answer { Opens, Silent, Refused };

// What the X server named by DISPLAY said to `probe` (a probe of
// x11ServerAnswers, started by the caller), asked without letting Qt try (Qt
// aborts the process when it cannot open its display). When it does not
// open, tells a server that is gone or never answers from one that turned
// this user away: the line the parent sees says which. An X server that
// opens is connected to from this process before the probe lets go.
X11Answer x11DisplayOpens(Probe& probe, Clock::time_point deadline, const char* display) {
    if (!probe.await(deadline)) {
        // A probe that ran out its deadline met a server that never answered.
        if (probe.ranOut()) return X11Answer::Silent;
        return passesWithin(kProbeDeadline, x11ServerRefuses, display) ? X11Answer::Refused
                                                                       : X11Answer::Silent;
    }
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return X11Answer::Silent;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    if (!connect || !hasError || !disconnect) {
        dlclose(xcb);
        return X11Answer::Silent;
    }
    // xcb_connect never returns null: a failed connection is an error object.
    heldX11 = {xcb, connect(display, nullptr), disconnect};
    if (hasError(heldX11.connection) == 0) return X11Answer::Opens;
    heldX11.release();
    return X11Answer::Silent;
}

// In the probing child: the Wayland compositor of this session answers a
// round trip, the way Qt will connect to it.
bool waylandCompositorAnswers(const char*) {
    void* wayland = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!wayland) return false;
    using Connect = void* (*)(const char*);
    using Roundtrip = int (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(wayland, "wl_display_connect"));
    auto roundtrip = reinterpret_cast<Roundtrip>(dlsym(wayland, "wl_display_roundtrip"));
    if (!connect || !roundtrip) return false;
    // A socket file left by a compositor that is gone refuses the
    // connection; one that never answers runs out the deadline.
    void* display = connect(nullptr);
    return display && roundtrip(display) >= 0;
}

// Whether the Wayland compositor of this session is there, when that is
// known without asking it: a socket handed down in WAYLAND_SOCKET is checked
// without connecting, since a connection would use it up; without
// WAYLAND_DISPLAY there is no session to show in (a login over SSH, say),
// even where a compositor's socket is at its default place. Empty when the
// compositor is to be asked.
std::optional<bool> waylandKnownAnswer() {
    if (const char* handed = std::getenv("WAYLAND_SOCKET"); handed && *handed) {
        char* end = nullptr;
        const long fd = std::strtol(handed, &end, 10);
        struct stat info {};
        return *end == '\0' && fd >= 0 && fd <= 65535 && fstat(static_cast<int>(fd), &info) == 0 &&
               S_ISSOCK(info.st_mode);
    }
    if (!isNamed("WAYLAND_DISPLAY")) return false;
    return std::nullopt;
}

// In the probing child: the session bus answers, and, when `accessibility`
// is set, so does the accessibility bus it names (the one Qt's bridge to
// screen readers joins before any window shows).
bool busesAnswer(const char* accessibility) {
    void* dbus = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
    if (!dbus) return false;
    using BusGet = void* (*)(int, void*);
    using NewCall = void* (*)(const char*, const char*, const char*, const char*);
    using SendAndBlock = void* (*)(void*, void*, int, void*);
    using GetArgs = unsigned (*)(void*, void*, int, ...);
    using Open = void* (*)(const char*, void*);
    using Register = unsigned (*)(void*, void*);
    auto busGet = reinterpret_cast<BusGet>(dlsym(dbus, "dbus_bus_get_private"));
    auto newCall = reinterpret_cast<NewCall>(dlsym(dbus, "dbus_message_new_method_call"));
    auto sendAndBlock =
        reinterpret_cast<SendAndBlock>(dlsym(dbus, "dbus_connection_send_with_reply_and_block"));
    auto getArgs = reinterpret_cast<GetArgs>(dlsym(dbus, "dbus_message_get_args"));
    auto open = reinterpret_cast<Open>(dlsym(dbus, "dbus_connection_open_private"));
    auto registerOn = reinterpret_cast<Register>(dlsym(dbus, "dbus_bus_register"));
    if (!busGet || !newCall || !sendAndBlock || !getArgs || !open || !registerOn) return false;
    constexpr int kSessionBus = 0, kTypeString = 's', kTypeInvalid = 0;
    void* session = busGet(kSessionBus, nullptr);
    if (!session) return false;
    if (!accessibility) return true;
    const char* address = std::getenv("AT_SPI_BUS_ADDRESS");
    if (!address || !*address) {
        void* call = newCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
        void* reply = call ? sendAndBlock(session, call, 1000, nullptr) : nullptr;
        if (!reply || !getArgs(reply, nullptr, kTypeString, &address, kTypeInvalid)) return false;
    }
    void* bus = open(address, nullptr);
    return bus && registerOn(bus, nullptr);
}

}  // namespace

// The two bus probes, side by side under one deadline: the session bus
// alone, and the session bus with the accessibility bus it names.
struct PendingBuses::Probes {
    Clock::time_point deadline = Clock::now() + kProbeDeadline;
    Probe session{busesAnswer, nullptr};
    Probe accessibility{busesAnswer, "accessibility"};
};

Displays probeDisplays(const std::function<void()>& alongside) {
    Displays found;
    if (isNamed("DISPLAY")) found.x11Name = std::getenv("DISPLAY");
    if (isNamed("WAYLAND_DISPLAY")) found.waylandName = std::getenv("WAYLAND_DISPLAY");
    const bool waylandNamed = isNamed("WAYLAND_SOCKET") || isNamed("WAYLAND_DISPLAY");
    const std::optional<bool> waylandKnown = waylandKnownAnswer();

    // Every probe starts before any is waited for, and all share one
    // deadline: displays that never answer cost it once, however many.
    heldX11.release();
    const auto deadline = Clock::now() + kProbeDeadline;
    std::optional<Probe> x11, wayland;
    if (!found.x11Name.empty()) x11.emplace(x11ServerAnswers, found.x11Name.c_str());
    if (waylandNamed && !waylandKnown) wayland.emplace(waylandCompositorAnswers, nullptr);
    if ((x11 || waylandNamed) && alongside) alongside();
    // The library this process connects with once the server answers,
    // loaded while the child asks: loading connects to nothing.
    void* const xcb = x11 ? dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL) : nullptr;

    const bool waylandOpens = wayland ? wayland->await(deadline) : waylandKnown.value_or(false);
    wayland.reset();
    if (x11) {
        const X11Answer x11Answer = x11DisplayOpens(*x11, deadline, found.x11Name.c_str());
        if (xcb) dlclose(xcb);  // the held connection keeps its own
        switch (x11Answer) {
        case X11Answer::Opens:
            found.x11 = Answer::Opens;
            break;
        case X11Answer::Silent:
            found.x11 = Answer::Silent;
            break;
        case X11Answer::Refused:
            found.x11 = Answer::Refused;
            break;
        }
    }
    if (waylandNamed) {
        found.wayland = waylandOpens ? Answer::Opens
                        : isNamed("WAYLAND_DISPLAY") ? Answer::Silent
                                                      : Answer::NotNamed;
    }
    return found;
}

PendingBuses::PendingBuses() {
    if (!isNamed("DBUS_SESSION_BUS_ADDRESS")) {
        answer_ = Buses{};
        return;
    }
    probes_ = std::make_unique<Probes>();
}

PendingBuses::~PendingBuses() = default;

Buses PendingBuses::wait() {
    if (answer_) return *answer_;
    if (!probes_) probes_ = std::make_unique<Probes>();
    Buses buses;
    // The accessibility probe asks the session bus first: it passes only
    // where that one does too.
    buses.session = probes_->session.await(probes_->deadline);
    buses.accessibility = buses.session && probes_->accessibility.await(probes_->deadline);
    probes_.reset();
    answer_ = buses;
    return buses;
}

void PendingBuses::end() { probes_.reset(); }

Buses probeBuses() { return PendingBuses().wait(); }

}  // namespace platform
