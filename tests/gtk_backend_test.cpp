// The GTK module's controls, on a real GTK (the test runs on its own X
// display): what a checkbox does with each way of toggling it, locked or
// not, and that no name or text is ever read as markup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/display_text.h"
#include "ui/gtk/gtk_controls.h"

namespace ui::gtk {
namespace {

class GtkBackend : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool started = gtk_init_check();
        if (!started) GTEST_SKIP() << "no display for GTK";
    }
};

enum class Toggle { Activate, SetActive };

struct ToggleCase {
    const char* name;
    bool locked;
    long before;
    Toggle how;
    long after;
    int actions;
};

// A user's toggle (a click or Space, which activate the box, or a screen
// reader setting its state) changes an unlocked box and fires its action
// once; a locked one keeps its state and fires nothing, however it came.
TEST_F(GtkBackend, EveryWayOfTogglingRespectsTheLock) {
    const ToggleCase cases[] = {
        {"activated on", false, kControlStateValueOn, Toggle::Activate, kControlStateValueOff, 1},
        {"activated off", false, kControlStateValueOff, Toggle::Activate, kControlStateValueOn, 1},
        {"activated mixed", false, kControlStateValueMixed, Toggle::Activate, kControlStateValueOn, 1},
        {"set from outside", false, kControlStateValueOff, Toggle::SetActive, kControlStateValueOn, 1},
        {"locked, activated on", true, kControlStateValueOn, Toggle::Activate, kControlStateValueOn, 0},
        {"locked, activated off", true, kControlStateValueOff, Toggle::Activate, kControlStateValueOff, 0},
        {"locked, set from outside", true, kControlStateValueOn, Toggle::SetActive, kControlStateValueOn, 0},
    };
    for (const ToggleCase& c : cases) {
        int actions = 0;
        GtkCheckbox box("A", [&](Checkbox&) { ++actions; });
        box.setState(c.before);
        box.setEnabled(!c.locked);
        auto* button = GTK_CHECK_BUTTON(box.widget());
        if (c.how == Toggle::Activate) {
            gtk_widget_activate(box.widget());
        } else {
            gtk_check_button_set_active(button, !gtk_check_button_get_active(button));
        }
        EXPECT_EQ(box.state(), c.after) << c.name;
        EXPECT_EQ(actions, c.actions) << c.name;
        EXPECT_EQ(gtk_check_button_get_active(button) != FALSE, c.after == kControlStateValueOn) << c.name;
        EXPECT_EQ(gtk_check_button_get_inconsistent(button) != FALSE, c.after == kControlStateValueMixed)
            << c.name;
        EXPECT_EQ(box.isEnabled(), !c.locked) << c.name;
    }
}

// States set by the program show as set and never fire the action.
TEST_F(GtkBackend, StatesSetByTheProgramFireNothing) {
    int actions = 0;
    GtkCheckbox box("A", [&](Checkbox&) { ++actions; });
    for (long state : {kControlStateValueOn, kControlStateValueMixed, kControlStateValueOff,
                       kControlStateValueOn}) {
        box.setState(state);
        EXPECT_EQ(box.state(), state);
    }
    EXPECT_EQ(actions, 0);
}

const char* const kMarkupLooking[] = {"<b>x</b>", "&amp;", "a < b & c", "_under", "R&D",
                                      "<span foreground='red'>x</span>"};

// What a box shows is the name on one line, never parsed; a label and a
// field give back exactly what they were given.
TEST_F(GtkBackend, NamesAndTextsAreNeverMarkup) {
    for (const char* name : kMarkupLooking) {
        GtkCheckbox box(name, {});
        GtkWidget* label = gtk_check_button_get_child(GTK_CHECK_BUTTON(box.widget()));
        ASSERT_TRUE(GTK_IS_LABEL(label)) << name;
        EXPECT_EQ(gtk_label_get_text(GTK_LABEL(label)), withoutDirectionControls(name)) << name;
        EXPECT_FALSE(gtk_label_get_use_markup(GTK_LABEL(label))) << name;
        EXPECT_FALSE(gtk_label_get_use_underline(GTK_LABEL(label))) << name;
        EXPECT_EQ(box.title(), name);
        for (auto kind : {GtkTextField::Kind::Label, GtkTextField::Kind::WrappingLabel,
                          GtkTextField::Kind::Field}) {
            GtkTextField text(kind, name);
            EXPECT_EQ(text.stringValue(), name) << name;
        }
    }
}

// The whole name is in the tooltip exactly when the row cuts it.
TEST_F(GtkBackend, ATooltipOnlyWhereTheRowCutsTheName) {
    const std::string longName(200, 'w');
    struct Row {
        std::string name;
        double width;
        bool cut;
    };
    for (const Row& row : {Row{"Cursor", 340, false}, Row{longName, 340, true}, Row{"Cursor", 20, true}}) {
        GtkCheckbox box(row.name, {});
        box.setFrame({0, 0, row.width, 24});
        const char* tooltip = gtk_widget_get_tooltip_text(box.widget());
        EXPECT_EQ(tooltip != nullptr, row.cut) << row.name << " at " << row.width;
        if (tooltip) {
            EXPECT_EQ(tooltip, row.name);
        }
    }
}

}  // namespace
}  // namespace ui::gtk
