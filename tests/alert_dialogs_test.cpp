// What of each dialog's accessory view scrolls when the alert is taller than
// its screen: a list of names scrolls, and what stands under the list (the
// automatic-setup choice and its note) stays in view with the buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "enroll/enroll_dialog.h"
#include "fake_toolkit.h"
#include "setup/setup_dialogs.h"
#include "ui/view_tree.h"

namespace {

using fake::FakeAlert;
using fake::FakeApplication;

TEST(AlertDialogs, OnlyTheListOfNamesScrollsAndWhatExplainsItStaysInView) {
    const std::vector<std::string> names = {"Claude Desktop", "Cursor", "Zed"};
    const struct {
        const char* name;
        std::function<void(const ui::DialogContext&)> show;
        std::vector<std::string> rows;  // empty: the whole view scrolls
    } cases[] = {
        {"clients, the choice under the list",
         [&](auto& c) { setup::showClientSetupDialog(c, "auto_install", names); }, names},
        {"clients, a note under the list",
         [&](auto& c) { setup::showClientSetupDialog(c, "enforce_all", names); }, names},
        {"clients, automatic setup off", [&](auto& c) { setup::showClientSetupDialog(c, "off", names); },
         names},
        {"migrate: all list", [&](auto& c) { setup::showMigrateDialog(c, names); }, {}},
        {"no clients: no list", [](auto& c) { setup::showNoClientsDialog(c, "default"); }, {}},
        {"enroll: fields, no list", [](auto& c) { enroll::showEnrollDialog(c, ""); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeApplication app;
        fake::CapturedOutput output;
        bool ran = false;
        app.onRunModal = [&](FakeAlert& alert) {
            ran = true;
            const ui::ViewTreeNode& view = fake::nodeOf(*alert.accessoryView);
            const ui::ScrolledRows part = ui::scrolledRows(view);
            std::vector<std::string> titles;
            for (const ui::ViewTreeNode* row : part.rows) {
                titles.push_back(dynamic_cast<const ui::Checkbox&>(*row).title());
            }
            EXPECT_EQ(titles, c.rows);
            const double height = view.nodeFrame().height;
            EXPECT_GT(part.height, 0);
            EXPECT_LE(part.height, height);
            if (part.rows.empty()) {
                EXPECT_EQ(part.height, height);
            }
            // Each control under the band lies wholly under it.
            for (const ui::ViewTreeNode* child : view.childNodes()) {
                if (std::find(part.rows.begin(), part.rows.end(), child) != part.rows.end()) continue;
                if (part.rows.empty()) break;
                const ui::Rect f = child->nodeFrame();
                EXPECT_LE(f.y + f.height, height - part.height);
            }
            return ui::kAlertThirdButtonReturn;
        };
        c.show({app, output.file(), std::nullopt});
        EXPECT_TRUE(ran);
    }
}

}  // namespace
