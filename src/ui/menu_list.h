// The main menu as a backend without a menu bar keeps it: a list of items
// with their key equivalents, which each alert binds as its own keys.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/arena.h"
#include "ui/toolkit.h"

namespace ui {

class ListedMenu;

class ListedMenuItem final : public MenuItem, public Owned {
public:
    ListedMenuItem(MenuAction action, std::string key) : action(action), key(std::move(key)) {}

    void setTarget(std::nullptr_t) override {}  // the focused control is the only target
    void setKeyEquivalentModifierMask(unsigned long value) override { mask = value; }
    void setAlternate(bool value) override { alternate = value; }
    void setSubmenu(Menu& menu) override;

    MenuAction action;
    std::string key;
    unsigned long mask = kEventModifierFlagCommand;
    bool alternate = false;
    ListedMenu* submenu = nullptr;
};

class ListedMenu final : public Menu, public Owned {
public:
    explicit ListedMenu(Arena& arena) : arena_(arena) {}

    // A title shows nowhere: the menu only binds its keys in the alert.
    MenuItem& addItemWithTitle(const std::string&, MenuAction action,
                               const std::string& keyEquivalent) override {
        ListedMenuItem& item = arena_.own(std::make_unique<ListedMenuItem>(action, keyEquivalent));
        items.push_back(&item);
        return item;
    }

    void addItem(MenuItem& item) override { items.push_back(&static_cast<ListedMenuItem&>(item)); }

    std::vector<ListedMenuItem*> items;

private:
    Arena& arena_;
};

inline void ListedMenuItem::setSubmenu(Menu& menu) { submenu = &static_cast<ListedMenu&>(menu); }

// Every item of the menu and its submenus that sends an action: the items
// whose keys an alert binds.
inline std::vector<const ListedMenuItem*> actionItems(const ListedMenu& menu) {
    std::vector<const ListedMenuItem*> found;
    std::vector<const ListedMenu*> pending{&menu};
    while (!pending.empty()) {
        const ListedMenu* current = pending.back();
        pending.pop_back();
        for (const ListedMenuItem* item : current->items) {
            if (item->submenu) pending.push_back(item->submenu);
            if (item->action != MenuAction::None) found.push_back(item);
        }
    }
    return found;
}

}  // namespace ui
