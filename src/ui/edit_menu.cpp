#include "ui/edit_menu.h"

namespace ui {

namespace {

MenuItem& addEditEntry(Menu& menu, const char* title, MenuAction action, const char* key,
                       unsigned long mask) {
    MenuItem& item = menu.addItemWithTitle(title, action, key);
    item.setTarget(nullptr);  // to the first responder: the focused field
    item.setKeyEquivalentModifierMask(mask);
    return item;
}

}  // namespace

void installEditMenu(Application& app) {
    Menu& mainMenu = app.makeMenu("");
    MenuItem& editItem = app.makeMenuItem("Edit", MenuAction::None, "");
    Menu& editMenu = app.makeMenu("Edit");

    addEditEntry(editMenu, "Cut", MenuAction::Cut, "x", kEventModifierFlagCommand);
    addEditEntry(editMenu, "Copy", MenuAction::Copy, "c", kEventModifierFlagCommand);
    addEditEntry(editMenu, "Paste", MenuAction::Paste, "v", kEventModifierFlagCommand);
    // Control-V pastes too; in an open menu it stands in for the line above.
    MenuItem& controlPaste =
        addEditEntry(editMenu, "Paste", MenuAction::Paste, "v", kEventModifierFlagControl);
    controlPaste.setAlternate(true);

    editMenu.addItem(app.separatorItem());

    addEditEntry(editMenu, "Select All", MenuAction::SelectAll, "a", kEventModifierFlagCommand);

    editItem.setSubmenu(editMenu);
    mainMenu.addItem(editItem);
    app.setMainMenu(mainMenu);
}

}  // namespace ui
