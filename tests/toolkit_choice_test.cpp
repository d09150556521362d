#include "cli/toolkit_choice.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fake_toolkit.h"

namespace cli {
namespace {

// Window toolkits and a terminal as a test describes them: which load and
// start, which start but find no platform, whether the terminal can ask.
class FakeStarter final : public ToolkitStarter {
public:
    std::vector<std::string> modules{"qt", "gtk"};
    std::set<std::string> starting;    // load and can show windows
    std::set<std::string> windowless;  // load, but canShowWindows() is false
    bool terminal = false;
    std::vector<std::string> tried;

    std::vector<std::string> windowToolkits() const override { return modules; }

    std::unique_ptr<ui::Application> startWindowToolkit(const std::string& name,
                                                        std::string& why) override {
        tried.push_back(name);
        if (windowless.count(name)) {
            auto app = std::make_unique<fake::FakeApplication>();
            app->displayAvailable = false;
            app->noDisplayReason = {ui::NoDisplayReason::Kind::NotAnswering, name, false};
            return app;
        }
        if (!starting.count(name)) {
            why = "missing";
            return nullptr;
        }
        return std::make_unique<fake::FakeApplication>();
    }

    std::unique_ptr<ui::Application> startTerminal(std::string& why) override {
        tried.push_back("terminal");
        if (!terminal) {
            why = "no terminal opens";
            return nullptr;
        }
        return std::make_unique<fake::FakeApplication>();
    }
};

TEST(ToolkitChoice, TriesTheRequestedThenTheDesktopsThenAnyThenTheTerminal) {
    struct Case {
        const char* requested;
        const char* desktop;
        bool display;
        std::set<std::string> starting;
        bool terminal;
        std::string chosen;  // empty: none
        std::vector<std::string> tried;
    } cases[] = {
        // Nothing asked for: Qt first, then GTK.
        {"", "", true, {"qt", "gtk"}, true, "qt", {"qt"}},
        {"", "", true, {"gtk"}, true, "gtk", {"qt", "gtk"}},
        // The desktop's toolkit first, in any case, anywhere in the list.
        {"", "GNOME", true, {"qt", "gtk"}, true, "gtk", {"gtk"}},
        {"", "ubuntu:GNOME", true, {"qt", "gtk"}, true, "gtk", {"gtk"}},
        {"", "X-Cinnamon:cinnamon", true, {"qt", "gtk"}, true, "gtk", {"gtk"}},
        {"", "xfce", true, {"qt", "gtk"}, true, "gtk", {"gtk"}},
        {"", "KDE", true, {"qt", "gtk"}, true, "qt", {"qt"}},
        {"", "LXQt", true, {"qt", "gtk"}, true, "qt", {"qt"}},
        {"", "sway", true, {"qt", "gtk"}, true, "qt", {"qt"}},
        // The desktop's toolkit missing: the other one.
        {"", "GNOME", true, {"qt"}, true, "qt", {"gtk", "qt"}},
        {"", "KDE", true, {"gtk"}, true, "gtk", {"qt", "gtk"}},
        // Asked for: tried before the desktop's, and skipped when missing.
        {"gtk", "KDE", true, {"qt", "gtk"}, true, "gtk", {"gtk"}},
        {"QT", "GNOME", true, {"qt", "gtk"}, true, "qt", {"qt"}},
        {"gtk", "KDE", true, {"qt"}, true, "qt", {"gtk", "qt"}},
        {"terminal", "GNOME", true, {"qt", "gtk"}, true, "terminal", {"terminal"}},
        // The terminal asked for and unusable: the windows after all.
        {"terminal", "", true, {"qt"}, false, "qt", {"terminal", "qt"}},
        // A name that is no toolkit is passed over.
        {"motif", "", true, {"qt"}, true, "qt", {"qt"}},
        // No module starts: the terminal, else none.
        {"", "GNOME", true, {}, true, "terminal", {"gtk", "qt", "terminal"}},
        {"", "", true, {}, false, "", {"qt", "gtk", "terminal"}},
        // No display: no module is even loaded.
        {"qt", "KDE", false, {"qt", "gtk"}, true, "terminal", {"terminal"}},
        {"", "", false, {"qt", "gtk"}, false, "", {"terminal"}},
    };
    for (const Case& c : cases) {
        FakeStarter starter;
        starter.starting = c.starting;
        starter.terminal = c.terminal;
        int probes = 0;
        const ToolkitChoice choice = chooseToolkit(
            {c.requested, c.desktop, [&] { return ++probes, c.display; }}, starter);
        const std::string where = std::string("requested '") + c.requested + "', desktop '" +
                                  c.desktop + "', display " + (c.display ? "yes" : "no");
        EXPECT_EQ(choice.chosen, c.chosen) << where;
        EXPECT_EQ(choice.app != nullptr, !c.chosen.empty()) << where;
        EXPECT_EQ(starter.tried, c.tried) << where;
        // Every toolkit not taken says why, once.
        std::size_t notTaken = 0;
        for (const std::string& passed : choice.passedOver) notTaken += passed.find(": ") != std::string::npos;
        EXPECT_GE(notTaken, c.tried.size() - (c.chosen.empty() ? 0 : 1)) << where;
        // The terminal asked for, and asking, needs no display probed.
        if (std::string(c.requested) == "terminal" && c.chosen == "terminal") {
            EXPECT_EQ(probes, 0) << where;
        }
    }
}

TEST(ToolkitChoice, AToolkitThatFindsNoPlatformIsSkippedAndItsReasonKept) {
    FakeStarter starter;
    starter.windowless = {"qt"};
    starter.starting = {"gtk"};
    ToolkitChoice choice = chooseToolkit({"", "", [] { return true; }}, starter);
    EXPECT_EQ(choice.chosen, "gtk");

    starter.starting.clear();
    choice = chooseToolkit({"", "", [] { return true; }}, starter);
    EXPECT_EQ(choice.app, nullptr);
    ASSERT_TRUE(choice.noWindowReason);
    EXPECT_EQ(choice.noWindowReason->display, "qt");
}

TEST(ToolkitChoice, TheNoDisplayReasonNamesTheXDisplayFirst) {
    using platform::Answer;
    using Kind = ui::NoDisplayReason::Kind;
    struct Case {
        Answer x11, wayland;
        Kind kind;
        std::string display;
        bool wayland_;
    } cases[] = {
        {Answer::NotNamed, Answer::NotNamed, Kind::NoneNamed, "", false},
        {Answer::Silent, Answer::NotNamed, Kind::NotAnswering, ":5", false},
        {Answer::Refused, Answer::Silent, Kind::Refused, ":5", false},
        {Answer::NotNamed, Answer::Silent, Kind::NotAnswering, "wl-1", true},
        {Answer::Silent, Answer::Silent, Kind::NotAnswering, ":5", false},
    };
    for (const Case& c : cases) {
        const ui::NoDisplayReason why = noDisplayReason({c.x11, c.wayland, ":5", "wl-1"});
        EXPECT_EQ(why.kind, c.kind);
        EXPECT_EQ(why.display, c.display);
        EXPECT_EQ(why.wayland, c.wayland_);
    }
}

}  // namespace
}  // namespace cli
