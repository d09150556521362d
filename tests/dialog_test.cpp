#include "ui/dialog.h"

#include <gtest/gtest.h>

#include "fake_toolkit.h"

namespace ui {
namespace {

using fake::FakeApplication;
using Calls = std::vector<std::string>;

TEST(LoadIcon, LooksForIconPngBesideTheProgramOnEveryCall) {
    struct Case {
        std::optional<std::string> execDir;
        std::string path;
    } cases[] = {
        {"/opt/tool/bin", "/opt/tool/bin/icon.png"},
        {"bin", "bin/icon.png"},
        {"", "icon.png"},
        {"/", "/icon.png"},
    };
    for (const Case& c : cases) {
        FakeApplication app;
        app.imageFiles = {c.path};
        const Image* first = loadIcon(app, c.execDir);
        const Image* second = loadIcon(app, c.execDir);
        EXPECT_NE(first, nullptr) << c.path;
        EXPECT_NE(second, nullptr);
        EXPECT_EQ(app.calls, Calls(2, "imageWithContentsOfFile(\"" + c.path + "\")"));
    }
    FakeApplication app;
    EXPECT_EQ(loadIcon(app, "/opt"), nullptr);  // no such image
    EXPECT_EQ(loadIcon(app, std::nullopt), nullptr);
    EXPECT_EQ(app.calls, Calls{"imageWithContentsOfFile(\"/opt/icon.png\")"});
}

TEST(MessageDialog, SetsUpThenPresentsInOrder) {
    FakeApplication app;
    app.imageFiles = {"dir/icon.png"};
    app.onRunModal = [](fake::FakeAlert&) { return kAlertFirstButtonReturn; };
    const DialogContext context{app, stdout, "dir"};
    EXPECT_EQ(showMessageDialog(context, "Title %s", "Text \xe2\x80\x94", 0), 1000);
    EXPECT_EQ(app.calls, (Calls{
                             "makeAlert() -> alert1",
                             "alert1.setMessageText(\"Title %s\")",
                             "alert1.setInformativeText(\"Text \xe2\x80\x94\")",
                             "alert1.setAlertStyle(0)",
                             "imageWithContentsOfFile(\"dir/icon.png\")",
                             "alert1.setIcon(dir/icon.png)",
                             "alert1.addButtonWithTitle(\"OK\")",
                             "alert1.layout()",
                             "alert1.window.setLevel(3)",
                             "app.activateIgnoringOtherApps(true)",
                             "alert1.runModal()",
                             "alert1.runModal() -> 1000",
                         }));
}

TEST(MessageDialog, InfoDialogUsesTheInformationalStyleAndReturnsTheRunResult) {
    FakeApplication app;
    app.onRunModal = [](fake::FakeAlert&) { return kModalResponseCancel; };
    const DialogContext context{app, stdout, ""};
    EXPECT_EQ(showInfoDialog(context, "T", "X"), kModalResponseCancel);
    ASSERT_EQ(app.alerts.size(), 1u);
    EXPECT_EQ(app.alerts[0]->style, kAlertStyleInformational);
    EXPECT_EQ(app.alerts[0]->icon, nullptr);  // no icon.png: the toolkit's own
    EXPECT_TRUE(app.callsStartingWith("alert1.setIcon").empty());
}

TEST(PresentAlert, PutsTheFirstResponderBetweenTheLevelAndTheActivation) {
    FakeApplication app;
    const DialogContext context{app, stdout, std::nullopt};
    Alert& alert = setUpAlert(context, "M", "I", kAlertStyleWarning);
    View& field = app.makeTextField({110, 68, 480, 24});
    app.calls.clear();
    presentAlert(context, alert, &field);
    EXPECT_EQ(app.calls, (Calls{
                             "alert1.layout()",
                             "alert1.window.setLevel(3)",
                             "alert1.window.makeFirstResponder(field1)",
                             "app.activateIgnoringOtherApps(true)",
                             "alert1.runModal()",
                             "alert1.runModal() -> 1000",
                         }));
}

}  // namespace
}  // namespace ui
