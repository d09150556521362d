#include <gtest/gtest.h>

#include <functional>

#include "fake_toolkit.h"
#include "setup/auto_install_policy.h"
#include "setup/client_linker.h"
#include "setup/setup_dialogs.h"

namespace setup {
namespace {

using fake::FakeAlert;
using fake::FakeApplication;
using fake::FakeCheckbox;
using Calls = std::vector<std::string>;
using Names = std::vector<std::string>;

constexpr const char* kAuto = "Automatically configure all AI apps";
constexpr const char* kLater = "Includes apps you install later.";
constexpr const char* kEnforceAllNote =
    "An advanced configuration has Orvex manage every AI app and all of its MCP servers.";
constexpr const char* kTurnedOffNote = "Automatic setup is turned off by an advanced configuration.";

TEST(AutoInstallPolicy, OnlyTheExactWordsChangeTheDefault) {
    struct Case {
        std::string word;
        bool showCheckbox, checkboxOn, lockClients;
        const char* note;
    } cases[] = {
        {"auto_install", true, true, true, nullptr},
        {"enforce_all", false, false, true, kEnforceAllNote},
        {"detect_only", false, false, false, kTurnedOffNote},
        {"off", false, false, false, kTurnedOffNote},
        {"default", true, false, false, nullptr},
        {"", true, false, false, nullptr},
        {"Auto_Install", true, false, false, nullptr},
        {"ENFORCE_ALL", true, false, false, nullptr},
        {" off", true, false, false, nullptr},
        {"detect_only\n", true, false, false, nullptr},
        {"auto_install ", true, false, false, nullptr},
        {"enforce-all", true, false, false, nullptr},
    };
    for (const Case& c : cases) {
        const AutoInstallState state = autoInstallStateForEnforcement(c.word);
        SCOPED_TRACE("word \"" + c.word + "\"");
        EXPECT_EQ(state.showCheckbox, c.showCheckbox);
        EXPECT_EQ(state.checkboxOn, c.checkboxOn);
        EXPECT_EQ(state.lockClients, c.lockClients);
        EXPECT_STREQ(state.note, c.note);
        // A note exactly when there is no checkbox; checked only when shown.
        EXPECT_EQ(state.note == nullptr, state.showCheckbox);
        EXPECT_TRUE(!state.checkboxOn || state.showCheckbox);
    }
}

// Plays the user on the client setup dialog: each step clicks a client by
// index, or the automatic-setup checkbox ("auto").
struct ClientRun {
    std::string out;
    std::vector<long> states;
    std::vector<bool> enabled;
    FakeApplication app;

    ClientRun(const std::string& word, const Names& names, const Calls& clicks,
              long result = ui::kAlertFirstButtonReturn) {
        fake::CapturedOutput output;
        app.onRunModal = [&](FakeAlert& alert) {
            const std::vector<FakeCheckbox*> boxes = alert.checkboxes();
            for (const std::string& click : clicks) {
                if (click == "auto")
                    alert.checkbox(kAuto).click();
                else
                    boxes.at(std::stoul(click))->click();
            }
            for (size_t i = 0; i < names.size(); ++i) {
                states.push_back(boxes[i]->state());
                enabled.push_back(boxes[i]->isEnabled());
            }
            return result;
        };
        showClientSetupDialog({app, output.file(), std::nullopt}, word, names);
        out = output.text();
    }
};

TEST(ClientSetupDialog, TheLockSavesAndRestoresWhatTheUserChose) {
    const Names names{"A", "B", "C"};
    struct Case {
        std::string word;
        Calls clicks;
        std::vector<long> states;
        std::vector<bool> enabled;
        std::string out;
    } cases[] = {
        {"default", {}, {1, 1, 1}, {true, true, true}, "configure\nfalse\nA,B,C\n"},
        {"default", {"1"}, {1, 0, 1}, {true, true, true}, "configure\nfalse\nA,C\n"},
        {"default", {"1", "auto"}, {1, 1, 1}, {false, false, false}, "configure\ntrue\nA,B,C\n"},
        // The unlock gives back the user's earlier unchecking.
        {"default", {"1", "auto", "auto"}, {1, 0, 1}, {true, true, true}, "configure\nfalse\nA,C\n"},
        // Clicks on a locked client do nothing.
        {"default", {"auto", "0", "2"}, {1, 1, 1}, {false, false, false}, "configure\ntrue\nA,B,C\n"},
        {"default", {"0", "auto", "auto", "2", "auto", "auto"}, {0, 1, 0}, {true, true, true},
         "configure\nfalse\nB\n"},
        {"auto_install", {}, {1, 1, 1}, {false, false, false}, "configure\ntrue\nA,B,C\n"},
        {"auto_install", {"auto"}, {1, 1, 1}, {true, true, true}, "configure\nfalse\nA,B,C\n"},
        {"auto_install", {"auto", "0", "1", "2"}, {0, 0, 0}, {true, true, true},
         "configure\nfalse\n\n"},
        {"auto_install", {"auto", "0", "auto"}, {1, 1, 1}, {false, false, false},
         "configure\ntrue\nA,B,C\n"},
        {"enforce_all", {"0", "1"}, {1, 1, 1}, {false, false, false}, "configure\nfalse\nA,B,C\n"},
        {"detect_only", {"0"}, {0, 1, 1}, {true, true, true}, "configure\nfalse\nB,C\n"},
    };
    for (const Case& c : cases) {
        std::string trace = c.word + ":";
        for (const std::string& click : c.clicks) trace += " " + click;
        SCOPED_TRACE(trace);
        ClientRun run(c.word, names, c.clicks);
        EXPECT_EQ(run.states, c.states);
        EXPECT_EQ(run.enabled, c.enabled);
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(ClientSetupDialog, AnyOtherResultSkipsButReportsTheSameChoices) {
    for (long result : {ui::kAlertSecondButtonReturn, ui::kModalResponseCancel, 1002L}) {
        EXPECT_EQ(ClientRun("default", {"A", "B"}, {"0", "auto"}, result).out, "skip\ntrue\nA,B\n");
        EXPECT_EQ(ClientRun("default", {"A", "B"}, {"0"}, result).out, "skip\nfalse\nB\n");
        EXPECT_EQ(ClientRun("enforce_all", {}, {}, result).out, "skip\nfalse\n\n");
    }
    // Names are neither trimmed, merged nor interpreted.
    const Names odd{" A ", "A", "100% %s", "x,y", "\xe4\xb8\xad\xe2\x80\x94"};
    EXPECT_EQ(ClientRun("default", odd, {}).out,
              "configure\nfalse\n A ,A,100% %s,x,y,\xe4\xb8\xad\xe2\x80\x94\n");
}

TEST(ClientSetupDialog, BuildsTheAlertInOrderWithTheRowsAboveTheBlock) {
    FakeApplication app;
    app.measure = [](const std::string&, double) { return 12.0; };  // block height 40
    fake::CapturedOutput output;
    showClientSetupDialog({app, output.file(), "dir"}, "auto_install", {"A", "B", "C"});
    const std::string big = "1.79769e+308";
    EXPECT_EQ(app.calls, (Calls{
        "makeAlert() -> alert1",
        "alert1.setMessageText(\"Orvex Setup\")",
        "alert1.setInformativeText(\"Orvex works with these apps. Select the ones you'd like to set up:\")",
        "alert1.setAlertStyle(1)",
        "imageWithContentsOfFile(\"dir/icon.png\")",
        "alert1.addButtonWithTitle(\"Configure\")",
        "alert1.addButtonWithTitle(\"Skip\")",
        "makeWrappingLabel(\"Includes apps you install later.\") -> label1",
        "label1.setFont(system 11)",
        "label1.setTextColor(secondaryLabelColor)",
        "label1.sizeThatFits(320, " + big + ")",
        "makeView(0, 0, 360, 140) -> view1",
        "makeCheckbox(\"A\", none) -> checkbox1",
        "checkbox1.setState(1)",
        "checkbox1.setFrame(10, 112, 340, 24)",
        "view1.addSubview(checkbox1)",
        "makeCheckbox(\"B\", none) -> checkbox2",
        "checkbox2.setState(1)",
        "checkbox2.setFrame(10, 84, 340, 24)",
        "view1.addSubview(checkbox2)",
        "makeCheckbox(\"C\", none) -> checkbox3",
        "checkbox3.setState(1)",
        "checkbox3.setFrame(10, 56, 340, 24)",
        "view1.addSubview(checkbox3)",
        "makeCheckbox(\"Automatically configure all AI apps\", action) -> checkbox4",
        "checkbox4.setState(1)",
        "checkbox4.setFrame(10, 20, 340, 24)",
        "view1.addSubview(checkbox4)",
        "makeWrappingLabel(\"Includes apps you install later.\") -> label2",
        "label2.setFont(system 11)",
        "label2.setTextColor(secondaryLabelColor)",
        "label2.sizeThatFits(320, " + big + ")",
        "makeWrappingLabel(\"Includes apps you install later.\") -> label3",
        "label3.setFont(system 11)",
        "label3.setTextColor(secondaryLabelColor)",
        "label3.setFrame(30, 8, 320, 12)",
        "view1.addSubview(label3)",
        "checkbox4.setAccessibilityHelp(\"Includes apps you install later.\")",
        // The initial lock, before the alert is shown.
        "checkbox1.setState(1)",
        "checkbox1.setEnabled(false)",
        "checkbox2.setState(1)",
        "checkbox2.setEnabled(false)",
        "checkbox3.setState(1)",
        "checkbox3.setEnabled(false)",
        "alert1.setAccessoryView(view1)",
        "alert1.layout()",
        "alert1.window.setLevel(3)",
        "app.activateIgnoringOtherApps(true)",
        "alert1.runModal()",
        "alert1.runModal() -> 1000",
    }));
    EXPECT_EQ(output.text(), "configure\ntrue\nA,B,C\n");
}

TEST(ClientSetupDialog, WithNoNamesTheViewHoldsOnlyTheBlock) {
    FakeApplication app;
    app.measure = [](const std::string&, double) { return 30.0; };
    fake::CapturedOutput output;
    showClientSetupDialog({app, output.file(), std::nullopt}, "enforce_all", {});
    EXPECT_EQ(app.callsStartingWith("makeView"), Calls{"makeView(0, 0, 360, 46) -> view1"});
    EXPECT_EQ(app.callsStartingWith("view1.addSubview"), Calls{"view1.addSubview(label3)"});
    EXPECT_EQ(app.callsStartingWith("label3.setFrame"), Calls{"label3.setFrame(30, 8, 320, 30)"});
    EXPECT_EQ(output.text(), "configure\nfalse\n\n");
}

TEST(OrvexClientLinker, RepeatedLocksAndStrayUnlocksFollowTheSavedStates) {
    FakeApplication app;
    std::vector<ui::Checkbox*> boxes;
    for (long state : {1, 0, 1}) {
        boxes.push_back(&app.makeCheckbox("c", nullptr));
        boxes.back()->setState(state);
    }
    OrvexClientLinker linker;
    linker.setClientCheckboxes(boxes);
    const auto states = [&] {
        std::vector<long> s;
        for (ui::Checkbox* box : boxes) s.push_back(box->state());
        return s;
    };

    linker.setClientsLocked(false);  // before any lock: only enables
    EXPECT_EQ(states(), (std::vector<long>{1, 0, 1}));
    EXPECT_FALSE(linker.savedStates());
    linker.setClientsLocked(true);
    EXPECT_EQ(*linker.savedStates(), (std::vector<long>{1, 0, 1}));
    linker.setClientsLocked(true);  // a second lock saves the locked states
    EXPECT_EQ(*linker.savedStates(), (std::vector<long>{1, 1, 1}));
    linker.setClientsLocked(false);
    EXPECT_EQ(states(), (std::vector<long>{1, 1, 1}));
    EXPECT_TRUE(boxes[1]->isEnabled());
    EXPECT_EQ(*linker.savedStates(), (std::vector<long>{1, 1, 1}));  // kept after an unlock

    // A sender in the mixed state unlocks; saved states shorter than the list
    // restore what they cover and only enable the rest.
    ui::Checkbox& sender = app.makeCheckbox(kAuto, nullptr);
    linker.setClientsLocked(true);
    linker.setSavedStates(std::vector<long>{0});
    sender.setState(ui::kControlStateValueMixed);
    linker.toggleAutoInstall(sender);
    EXPECT_EQ(states(), (std::vector<long>{0, 1, 1}));
    for (ui::Checkbox* box : boxes) EXPECT_TRUE(box->isEnabled());

    OrvexClientLinker empty;
    empty.setClientsLocked(true);
    EXPECT_EQ(empty.savedStates(), std::vector<long>{});
    empty.setClientsLocked(false);
}

TEST(NoClientsDialog, OnlyTheBlockAndTheTwoLines) {
    struct Case {
        std::string word;
        bool click;
        long result;
        std::string out;
    } cases[] = {
        {"default", false, 1000, "continue\nfalse\n"},
        {"default", true, 1000, "continue\ntrue\n"},
        {"auto_install", false, 1000, "continue\ntrue\n"},
        {"auto_install", false, 1001, "close\ntrue\n"},
        {"auto_install", true, 0, "close\nfalse\n"},
        {"enforce_all", false, 1000, "continue\nfalse\n"},
        {"off", false, 1001, "close\nfalse\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word + " " + std::to_string(c.result));
        FakeApplication app;
        app.measure = [](const std::string& text, double) { return text == kLater ? 16.0 : 32.0; };
        app.onRunModal = [&](FakeAlert& alert) {
            if (c.click) alert.checkbox(kAuto).click();
            return c.result;
        };
        fake::CapturedOutput output;
        showNoClientsDialog({app, output.file(), std::nullopt}, c.word);
        EXPECT_EQ(output.text(), c.out);
        const FakeAlert& alert = *app.alerts.at(0);
        EXPECT_EQ(alert.informativeText,
                  "We didn't find any supported AI apps installed yet.\n\n"
                  "Once you install Claude Desktop, Cursor, or another AI app, Orvex will be ready "
                  "to go.");
        EXPECT_EQ(alert.buttons, (Names{"Continue", "Close"}));
        const bool box = autoInstallStateForEnforcement(c.word).showCheckbox;
        // B + 8, with the block's top at the view's top edge.
        EXPECT_EQ(app.callsStartingWith("makeView"),
                  Calls{box ? "makeView(0, 0, 360, 52) -> view1" : "makeView(0, 0, 360, 40) -> view1"});
        EXPECT_EQ(app.callsStartingWith("checkbox1.setFrame"),
                  box ? Calls{"checkbox1.setFrame(10, 24, 340, 24)"} : Calls{});
        if (box) {
            EXPECT_FALSE(alert.checkbox(kAuto).hasAction());
        }
    }
}

TEST(CheckboxDialog, TheSelectionOnlyAfterTheFirstButton) {
    struct Case {
        Names items;
        Calls clicks;
        long result;
        std::string out;
    } cases[] = {
        {{"a", "b"}, {}, 1000, "a,b\n"},
        {{"a", "b"}, {"0"}, 1000, "b\n"},
        {{"a", "b"}, {"0", "1"}, 1000, "\n"},
        {{"a", "b"}, {"0"}, 1001, "false\n"},
        {{"a", "b"}, {}, 0, "false\n"},
        {{}, {}, 1000, "\n"},
        {{}, {}, 1001, "false\n"},
        {{"false"}, {}, 1000, "false\n"},
        {{"x", "x", " %n "}, {"1"}, 1000, "x, %n \n"},
    };
    for (const Case& c : cases) {
        FakeApplication app;
        app.onRunModal = [&](FakeAlert& alert) {
            for (const std::string& click : c.clicks) alert.checkboxes().at(std::stoul(click))->click();
            return c.result;
        };
        fake::CapturedOutput output;
        showCheckboxDialog({app, output.file(), std::nullopt}, "T", "X", c.items, "Migrate",
                           "Do This Later");
        EXPECT_EQ(output.text(), c.out);
        EXPECT_EQ(app.alerts.at(0)->buttons, (Names{"Migrate", "Do This Later"}));
    }

    FakeApplication app;
    fake::CapturedOutput output;
    showCheckboxDialog({app, output.file(), std::nullopt}, "T", "X", {"a", "b"}, "Y", "N");
    EXPECT_EQ(app.callsStartingWith("makeView"), Calls{"makeView(0, 0, 300, 64) -> view1"});
    EXPECT_EQ(app.callsStartingWith("checkbox1.setFrame"), Calls{"checkbox1.setFrame(10, 36, 280, 24)"});
    EXPECT_EQ(app.callsStartingWith("checkbox2.setFrame"), Calls{"checkbox2.setFrame(10, 8, 280, 24)"});
    EXPECT_EQ(app.callsStartingWith("makeCheckbox"),
              (Calls{"makeCheckbox(\"a\", none) -> checkbox1", "makeCheckbox(\"b\", none) -> checkbox2"}));
}

// The fixed texts of the notice and migration dialogs, as each mode shows them.
TEST(NoticeDialogs, ShowTheirOwnTextsAndStyles) {
    const std::string turnOn =
        "Orvex couldn't turn on automatic setup. To try again later, run: "
        "orvex config set drift-enforcement auto_install";
    const std::string turnOff =
        "Orvex couldn't turn off automatic setup. To try again later, run: "
        "orvex config set drift-enforcement default";
    struct Case {
        std::function<void(const ui::DialogContext&)> show;
        std::string text;
        int style;
        Names buttons;
    } cases[] = {
        {[](auto& c) { showEnforcementErrorDialog(c, "disable"); }, turnOff, 0, {"OK"}},
        {[](auto& c) { showEnforcementErrorDialog(c, ""); }, turnOn, 0, {"OK"}},
        {[](auto& c) { showEnforcementErrorDialog(c, "enable"); }, turnOn, 0, {"OK"}},
        {[](auto& c) { showEnforcementErrorDialog(c, "Disable"); }, turnOn, 0, {"OK"}},
        {[](auto& c) { showEnforcementErrorDialog(c, " disable"); }, turnOn, 0, {"OK"}},
        {[](auto& c) { showMigrateEmptyDialog(c); },
         "We didn't find any existing tools to migrate to Orvex. You're ready to get started!", 1,
         {"OK"}},
        {[](auto& c) { showMigrateDialog(c, {}); },
         "These tools are currently configured in your AI apps. Select the ones you'd like Orvex "
         "to manage:",
         1, {"Migrate", "Do This Later"}},
    };
    for (const Case& c : cases) {
        FakeApplication app;
        fake::CapturedOutput out;
        c.show({app, out.file(), std::nullopt});
        ASSERT_EQ(app.alerts.size(), 1u);
        EXPECT_EQ(app.alerts[0]->messageText, "Orvex Setup");
        EXPECT_EQ(app.alerts[0]->informativeText, c.text);
        EXPECT_EQ(app.alerts[0]->style, c.style);
        EXPECT_EQ(app.alerts[0]->buttons, c.buttons);
    }
}

}  // namespace
}  // namespace setup
