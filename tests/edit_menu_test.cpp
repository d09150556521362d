#include "ui/edit_menu.h"

#include <gtest/gtest.h>

#include "fake_toolkit.h"

namespace ui {
namespace {

TEST(EditMenu, IsOneEditItemWithTheSixEntriesInOrder) {
    fake::FakeApplication app;
    installEditMenu(app);

    ASSERT_NE(app.mainMenu, nullptr);
    EXPECT_EQ(app.mainMenu->title, "");
    ASSERT_EQ(app.mainMenu->items.size(), 1u);
    const fake::FakeMenuItem& edit = *app.mainMenu->items[0];
    EXPECT_EQ(edit.title, "Edit");
    EXPECT_EQ(edit.action, MenuAction::None);
    EXPECT_EQ(edit.keyEquivalent, "");
    ASSERT_NE(edit.submenu, nullptr);
    EXPECT_EQ(edit.submenu->title, "Edit");

    struct Entry {
        std::string title;
        MenuAction action;
        std::string key;
        unsigned long mask;
        bool alternate;
        bool separator;
    };
    const Entry expected[] = {
        {"Cut", MenuAction::Cut, "x", 0x100000, false, false},
        {"Copy", MenuAction::Copy, "c", 0x100000, false, false},
        {"Paste", MenuAction::Paste, "v", 0x100000, false, false},
        {"Paste", MenuAction::Paste, "v", 0x40000, true, false},
        {"", MenuAction::None, "", 0, false, true},
        {"Select All", MenuAction::SelectAll, "a", 0x100000, false, false},
    };
    const auto& items = edit.submenu->items;
    ASSERT_EQ(items.size(), std::size(expected));
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const Entry& want = expected[i];
        EXPECT_EQ(items[i]->isSeparator, want.separator);
        if (want.separator) continue;
        EXPECT_EQ(items[i]->title, want.title);
        EXPECT_EQ(items[i]->action, want.action);
        EXPECT_EQ(items[i]->keyEquivalent, want.key);
        EXPECT_TRUE(items[i]->targetSet);  // no target: the first responder
        EXPECT_TRUE(items[i]->modifierMaskSet);
        EXPECT_EQ(items[i]->modifierMask, want.mask);
        EXPECT_EQ(items[i]->alternate, want.alternate);
    }
    // The menu goes in once, after it is complete.
    EXPECT_EQ(app.callsStartingWith("app.setMainMenu").size(), 1u);
    EXPECT_EQ(app.calls.back(), "app.setMainMenu(menu1)");
}

}  // namespace
}  // namespace ui
