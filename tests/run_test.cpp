#include "cli/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_toolkit.h"

namespace cli {
namespace {

std::string contents(std::FILE* file) {
    std::string bytes;
    std::fflush(file);
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<char>(c));
    return bytes;
}

struct ProgramRun {
    fake::FakeApplication app;
    int status = -1;
    std::string out;
    std::string err;

    explicit ProgramRun(std::vector<const char*> args, bool display = true,
                        ui::NoDisplayReason why = {}) {
        app.displayAvailable = display;
        app.noDisplayReason = std::move(why);
        std::FILE* outFile = std::tmpfile();
        std::FILE* errFile = std::tmpfile();
        status = runSetupDialog(static_cast<int>(args.size()), args.data(), app, outFile, errFile);
        out = contents(outFile);
        err = contents(errFile);
        std::fclose(outFile);
        std::fclose(errFile);
    }
};

const char* const kUsage =
    "Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|enforcement-error> "
    "[items...]\n";

TEST(Run, CommandLineErrorsAreOneLineOnStandardErrorAndStatusOne) {
    struct Case {
        std::vector<const char*> args;
        std::string err;
    } cases[] = {
        // The binary's own lines are checked byte for byte end to end; here,
        // what needs a fake: an empty argument vector, and the set-up order.
        {{}, kUsage},
        {{"sd", "%s%n"}, "Unknown mode: %s%n\n"},
        {{"sd", "migrate", "ok", "\xc3"}, "setup-dialog: item 2 is not valid UTF-8\n"},
    };
    for (const Case& c : cases) {
        ProgramRun run(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
        // No toolkit is asked for, no display probed.
        EXPECT_TRUE(run.app.calls.empty()) << run.app.calls.front();
        EXPECT_EQ(run.app.displayProbes, 0);
    }
}

TEST(Run, TheToolkitIsAskedForOnceTheCommandLineHoldsADialog) {
    struct Case {
        std::vector<const char*> args;
        int asked;
        int status;
    } cases[] = {
        {{"sd"}, 0, 1},
        {{"sd", "--help"}, 0, 0},
        {{"sd", "nope"}, 0, 1},
        {{"sd", "migrate", "\xff"}, 0, 1},
        {{"sd", "migrate-empty"}, 1, 0},
    };
    for (const Case& c : cases) {
        fake::FakeApplication app;
        fake::CapturedOutput out, err;
        int asked = 0;
        const int status = runSetupDialog(
            static_cast<int>(c.args.size()), c.args.data(),
            [&](std::string&) -> ui::Application* { return ++asked, &app; }, out.file(), err.file());
        EXPECT_EQ(asked, c.asked) << c.args.back();
        EXPECT_EQ(status, c.status) << c.args.back();
    }
    // None can ask: its line, and status 1.
    fake::CapturedOutput out, err;
    const char* args[] = {"sd", "clients"};
    EXPECT_EQ(runSetupDialog(
                  2, args,
                  [](std::string& line) -> ui::Application* { return line = "why\n", nullptr; },
                  out.file(), err.file()),
              1);
    EXPECT_EQ(err.text(), "why\n");
    EXPECT_EQ(out.text(), "");
    // The one that asks is set up, Edit menu and all, before its alert.
    ProgramRun run({"sd", "migrate-empty"});
    ASSERT_GE(run.app.calls.size(), 3u);
    EXPECT_EQ(run.app.calls[0], "app.setActivationPolicy(0)");
    const auto menu = std::find(run.app.calls.begin(), run.app.calls.end(), "app.setMainMenu(menu1)");
    const auto alert = std::find_if(run.app.calls.begin(), run.app.calls.end(),
                                    [](const std::string& call) { return call.rfind("alert", 0) == 0; });
    EXPECT_LT(menu, alert);
}

TEST(Run, MessageModesShowTheirAlertAndEndWithStatusZeroHoweverClosed) {
    struct Case {
        std::vector<const char*> args;
        int style;
    } cases[] = {
        {{"sd", "enforcement-error", "disable"}, 0},
        {{"sd", "migrate-empty", "x"}, 1},
    };
    for (const Case& c : cases) {
        for (long result : {ui::kAlertFirstButtonReturn, ui::kModalResponseCancel}) {
            fake::FakeApplication app;
            app.onRunModal = [&](fake::FakeAlert&) { return result; };
            std::FILE* out = std::tmpfile();
            std::FILE* err = std::tmpfile();
            const int status =
                runSetupDialog(static_cast<int>(c.args.size()), c.args.data(), app, out, err);
            EXPECT_EQ(status, 0);
            EXPECT_EQ(contents(out), "");
            EXPECT_EQ(contents(err), "");
            std::fclose(out);
            std::fclose(err);
            ASSERT_EQ(app.alerts.size(), 1u);
            const fake::FakeAlert& alert = *app.alerts[0];
            EXPECT_EQ(alert.messageText, "Orvex Setup");
            EXPECT_EQ(alert.style, c.style);
            EXPECT_EQ(alert.buttons, std::vector<std::string>{"OK"});
        }
    }
}

TEST(Run, RecordModesReachTheirDialogsWithTheirItems) {
    struct Case {
        std::vector<const char*> args;
        std::string message;
        std::vector<std::string> buttons;
        std::string out;
    } cases[] = {
        // Without items the enforcement word is "default": unchecked, free.
        {{"sd", "clients"}, "Orvex Setup", {"Configure", "Skip"}, "configure\nfalse\n\n"},
        {{"sd", "clients", "auto_install", "A", "B"}, "Orvex Setup", {"Configure", "Skip"},
         "configure\ntrue\nA,B\n"},
        {{"sd", "no-clients"}, "Orvex Setup", {"Continue", "Close"}, "continue\nfalse\n"},
        {{"sd", "migrate", "x", "y"}, "Orvex Setup", {"Migrate", "Do This Later"}, "x,y\n"},
        {{"sd", "enroll", "Expired"}, "Orvex Enrollment", {"Retry", "Skip", "Cancel"}, "false\n"},
    };
    for (const Case& c : cases) {
        fake::FakeApplication app;
        // The enrollment loop would ask again for empty fields; cancel it.
        app.onRunModal = [&](fake::FakeAlert& alert) {
            return alert.buttons.size() == 3 ? ui::kAlertThirdButtonReturn : ui::kAlertFirstButtonReturn;
        };
        fake::CapturedOutput out, err;
        EXPECT_EQ(runSetupDialog(static_cast<int>(c.args.size()), c.args.data(), app, out.file(),
                                 err.file()),
                  0);
        EXPECT_EQ(out.text(), c.out);
        EXPECT_EQ(err.text(), "");
        ASSERT_EQ(app.alerts.size(), 1u);
        EXPECT_EQ(app.alerts[0]->messageText, c.message);
        EXPECT_EQ(app.alerts[0]->buttons, c.buttons);
    }
}

TEST(Run, ARecordThatCannotBeWrittenIsNoAnswer) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    fake::FakeApplication app;
    fake::CapturedOutput err;
    const char* args[] = {"sd", "migrate", "x"};
    EXPECT_EQ(runSetupDialog(3, args, app, full, err.file()), 1);
    EXPECT_EQ(err.text(), "setup-dialog: could not write the answer to standard output\n");
    std::fclose(full);
}

TEST(Run, TheIconIsLookedForBesideArgvZero) {
    ProgramRun run({"/opt/tool/bin/setup-dialog", "migrate-empty"});
    EXPECT_EQ(run.app.callsStartingWith("imageWithContentsOfFile"),
              std::vector<std::string>{"imageWithContentsOfFile(\"/opt/tool/bin/icon.png\")"});
    ProgramRun bare({"setup-dialog", "migrate-empty"});
    EXPECT_EQ(bare.app.callsStartingWith("imageWithContentsOfFile"),
              std::vector<std::string>{"imageWithContentsOfFile(\"icon.png\")"});
    ProgramRun invalid({"/opt/\xff/setup-dialog", "migrate-empty"});
    EXPECT_TRUE(invalid.app.callsStartingWith("imageWithContentsOfFile").empty());
    EXPECT_EQ(invalid.status, 0);
}

TEST(Run, HelpAndVersionAnswerOnStandardOutputWithoutTheToolkit) {
    struct Case {
        std::vector<const char*> args;
        std::string outStart;
    } cases[] = {
        {{"sd", "--help"}, kUsage},
        {{"sd", "--help", "clients"}, kUsage},
        {{"sd", "--version"}, "setup-dialog 0.1\n"},
    };
    for (const Case& c : cases) {
        for (bool display : {true, false}) {
            ProgramRun run(c.args, display);
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.err, "");
            EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart);
            EXPECT_TRUE(run.app.calls.empty()) << run.app.calls.front();
            EXPECT_EQ(run.app.displayProbes, 0);
        }
    }
    ProgramRun help({"sd", "--help"});
    for (const char* mode : {"clients [", "no-clients [", "migrate [", "migrate-empty", "enroll [",
                             "enforcement-error [", "setup-dialog(1)", "--version"}) {
        EXPECT_NE(help.out.find(mode), std::string::npos) << mode;
    }
    ProgramRun version({"sd", "--version"});
    EXPECT_EQ(version.out, "setup-dialog 0.1\n");

    // Only the exact words: the rest stay unknown modes.
    for (const char* word : {"-h", "--Help", "help", "-v", "--version=1", "--help "}) {
        ProgramRun run({"sd", word});
        EXPECT_EQ(run.status, 1) << word;
        EXPECT_EQ(run.err, std::string("Unknown mode: ") + word + "\n");
        EXPECT_EQ(run.out, "");
    }

    fake::FakeApplication app;
    fake::CapturedOutput err;
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    const char* args[] = {"sd", "--help"};
    EXPECT_EQ(runSetupDialog(2, args, app, full, err.file()), 1);
    EXPECT_EQ(err.text(), "setup-dialog: could not write the answer to standard output\n");
    std::fclose(full);
}

TEST(Run, TheNoDisplayLineSaysWhyAndKeepsItsFirstWords) {
    using Kind = ui::NoDisplayReason::Kind;
    const std::string start = "setup-dialog: no display: cannot show the dialog (";
    struct Case {
        ui::NoDisplayReason why;
        std::string reason;
    } cases[] = {
        {{Kind::NoneNamed, "", false}, "is DISPLAY set?"},
        {{Kind::NotAnswering, ":0", false}, "the display :0 does not answer"},
        {{Kind::Refused, "host:1.0", false}, "the display host:1.0 refused this user"},
        {{Kind::NotAnswering, "wayland-1", true}, "the Wayland display wayland-1 does not answer"},
        // The display's name comes from the environment: it stays one line.
        {{Kind::Refused, ":0\n\x1b[2J", false}, "the display :0\\x0a\\x1b[2J refused this user"},
    };
    for (const Case& c : cases) {
        ProgramRun run({"sd", "clients"}, /*display=*/false, c.why);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, start + c.reason + ")\n");
    }
}

TEST(Run, WithoutADisplayAKnownModeFailsBeforeAnyWindow) {
    ProgramRun run({"sd", "enforcement-error"}, /*display=*/false);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "setup-dialog: no display: cannot show the dialog (is DISPLAY set?)\n");
    EXPECT_TRUE(run.app.alerts.empty());
    // A command-line error needs no display at all.
    ProgramRun usage({"sd"}, /*display=*/false);
    EXPECT_EQ(usage.err, kUsage);
}

}  // namespace
}  // namespace cli
