#include "platform/display_probe.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A Unix socket that takes connections (the kernel's backlog) and never
// says a word: a display or bus that froze.
class SilentSocket {
public:
    explicit SilentSocket(std::string path) : path_(std::move(path)) {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        unlink(path_.c_str());
        listening_ = fd_ >= 0 &&
                     bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                     listen(fd_, 16) == 0;
    }
    ~SilentSocket() {
        close(fd_);
        unlink(path_.c_str());
    }
    bool listening() const { return listening_; }

private:
    std::string path_;
    int fd_;
    bool listening_;
};

// Sets environment variables for one test (nullopt: unset), and puts the
// old values back.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            set(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) set(name, value);
    }

private:
    static void set(const std::string& name, const std::optional<std::string>& value) {
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

std::string temporaryFolder() {
    char pattern[] = "/tmp/setup-dialog-probe-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

// Two seconds is the one deadline of the probes; one deadline each, one
// after another, would take twice that.
constexpr auto kOneDeadline = std::chrono::milliseconds(3500);

TEST(DisplayProbe, FrozenDisplaysCostOneDeadlineTogetherWithWorkAlongside) {
    const std::string runtime = temporaryFolder();
    ASSERT_FALSE(runtime.empty());
    chmod(runtime.c_str(), 0700);
    mkdir("/tmp/.X11-unix", 01777);
    const int number = 6000 + getpid() % 1000;
    const SilentSocket x11("/tmp/.X11-unix/X" + std::to_string(number));
    const SilentSocket wayland(runtime + "/wayland-frozen");
    ASSERT_TRUE(x11.listening() && wayland.listening());

    struct Case {
        const char* what;
        bool x11Named, waylandNamed;
    };
    // With no display named nothing runs alongside: a terminal run starts
    // no bus probes.
    for (const Case& c : {Case{"none", false, false}, Case{"Wayland alone", false, true},
                          Case{"both", true, true}}) {
        SCOPED_TRACE(c.what);
        const ScopedEnvironment env({
            {"DISPLAY", c.x11Named ? std::optional<std::string>(":" + std::to_string(number))
                                   : std::nullopt},
            {"WAYLAND_DISPLAY", c.waylandNamed ? std::optional<std::string>("wayland-frozen")
                                               : std::nullopt},
            {"WAYLAND_SOCKET", std::nullopt},
            {"XDG_RUNTIME_DIR", runtime},
            {"XAUTHORITY", std::nullopt},
        });
        const auto start = Clock::now();
        bool ranAlongside = false;
        const Displays found = probeDisplays([&] { ranAlongside = true; });
        const auto took = Clock::now() - start;
        EXPECT_EQ(ranAlongside, c.x11Named || c.waylandNamed);
        EXPECT_EQ(found.x11, c.x11Named ? Answer::Silent : Answer::NotNamed);
        EXPECT_EQ(found.wayland, c.waylandNamed ? Answer::Silent : Answer::NotNamed);
        EXPECT_LT(took, kOneDeadline)
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    }
    rmdir(runtime.c_str());
}

// The bus probes run on while the program loads a toolkit; a run that ends
// meanwhile (a module that aborts as it loads ends it with _exit) leaves
// them behind, and one stuck on a frozen bus must still end by itself.
TEST(BusProbe, ProbesLeftBehindByARunThatEndedEndThemselves) {
    const std::string folder = temporaryFolder();
    ASSERT_FALSE(folder.empty());
    const SilentSocket bus(folder + "/bus");
    ASSERT_TRUE(bus.listening());
    const ScopedEnvironment env({{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder + "/bus"}});

    // Orphans come back to this process, to be waited for here; the run
    // and its probes form a process group of their own.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const pid_t run = fork();
    if (run == 0) {
        setpgid(0, 0);
        new PendingBuses;  // never waited for, never ended
        _exit(0);
    }
    ASSERT_GT(run, 0);
    setpgid(run, run);
    const auto start = Clock::now();
    bool allEnded = false;
    while (!allEnded && Clock::now() - start < std::chrono::seconds(8)) {
        const pid_t ended = waitpid(-1, nullptr, WNOHANG);
        allEnded = ended < 0 && errno == ECHILD;
        if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!allEnded) {
        kill(-run, SIGKILL);
        while (waitpid(-1, nullptr, 0) > 0) {
        }
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(allEnded) << "a probe stuck on a frozen bus outlived its run by 8 s";
    rmdir(folder.c_str());
}

}  // namespace
}  // namespace platform
