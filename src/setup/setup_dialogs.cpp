#include "setup/setup_dialogs.h"

#include "records/records.h"
#include "setup/auto_install_block.h"
#include "setup/client_linker.h"

namespace setup {

namespace {

constexpr const char* kSetupTitle = "Orvex Setup";
constexpr double kRowPitch = 28;
// The space between the client rows and the block, and below the block.
constexpr double kGap = 8;

// One checked checkbox per title, rows from the top of a view of height
// viewHeight down; returns them in title order.
std::vector<ui::Checkbox*> addCheckboxRows(ui::Application& app, ui::View& view,
                                           const std::vector<std::string>& titles,
                                           double viewHeight, double width) {
    std::vector<ui::Checkbox*> checkboxes;
    for (size_t i = 0; i < titles.size(); ++i) {
        ui::Checkbox& checkbox = app.makeCheckbox(titles[i], nullptr);
        checkbox.setState(ui::kControlStateValueOn);
        checkbox.setFrame({10, viewHeight - kRowPitch * static_cast<double>(i + 1), width, 24});
        view.addSubview(checkbox);
        checkboxes.push_back(&checkbox);
    }
    return checkboxes;
}

std::vector<bool> checkedFlags(const std::vector<ui::Checkbox*>& checkboxes) {
    std::vector<bool> on;
    for (const ui::Checkbox* checkbox : checkboxes)
        on.push_back(checkbox->state() == ui::kControlStateValueOn);
    return on;
}

bool isOn(const ui::Checkbox* checkbox) {
    return checkbox && checkbox->state() == ui::kControlStateValueOn;
}

}  // namespace

void showClientSetupDialog(const ui::DialogContext& context, const std::string& enforcementWord,
                           const std::vector<std::string>& clientNames) {
    ui::Application& app = context.app;
    const AutoInstallState state = autoInstallStateForEnforcement(enforcementWord);
    ui::Alert& alert =
        ui::setUpAlert(context, kSetupTitle,
                       "Orvex works with these apps. Select the ones you'd like to set up:",
                       ui::kAlertStyleInformational);
    alert.addButtonWithTitle("Configure");
    alert.addButtonWithTitle("Skip");

    const double R = kRowPitch * static_cast<double>(clientNames.size());
    const double B = autoInstallBlockHeight(app, state);
    const double H = R + kGap + B + kGap;
    ui::View& view = app.makeView({0, 0, 360, H});
    const std::vector<ui::Checkbox*> clientCheckboxes =
        addCheckboxRows(app, view, clientNames, H, 340);

    // Lives on this frame until the record is written: the automatic-setup
    // checkbox only refers to it.
    OrvexClientLinker linker;
    linker.setClientCheckboxes(clientCheckboxes);
    const ui::Checkbox* autoInstall =
        addAutoInstallControls(app, view, state, H - R - kGap,
                               [&linker](ui::Checkbox& sender) { linker.toggleAutoInstall(sender); });
    if (state.lockClients) linker.setClientsLocked(true);
    alert.setAccessoryView(view);

    const long result = ui::presentAlert(context, alert);
    const char* action = result == ui::kAlertFirstButtonReturn ? "configure" : "skip";
    records::writeClientsResult(context.out, action, records::flagWord(isOn(autoInstall)),
                            records::joinSelection(clientNames, checkedFlags(clientCheckboxes)));
}

void showNoClientsDialog(const ui::DialogContext& context, const std::string& enforcementWord) {
    ui::Application& app = context.app;
    const AutoInstallState state = autoInstallStateForEnforcement(enforcementWord);
    ui::Alert& alert = ui::setUpAlert(
        context, kSetupTitle,
        "We didn't find any supported AI apps installed yet.\n\n"
        "Once you install Claude Desktop, Cursor, or another AI app, Orvex will be ready to go.",
        ui::kAlertStyleInformational);
    alert.addButtonWithTitle("Continue");
    alert.addButtonWithTitle("Close");

    const double B = autoInstallBlockHeight(app, state);
    const double H = B + kGap;
    ui::View& view = app.makeView({0, 0, 360, H});
    const ui::Checkbox* autoInstall = addAutoInstallControls(app, view, state, H, nullptr);
    alert.setAccessoryView(view);

    const long result = ui::presentAlert(context, alert);
    const char* action = result == ui::kAlertFirstButtonReturn ? "continue" : "close";
    records::writeNoClientsResult(context.out, action, records::flagWord(isOn(autoInstall)));
}

void showCheckboxDialog(const ui::DialogContext& context, const std::string& title,
                        const std::string& text, const std::vector<std::string>& items,
                        const std::string& confirmTitle, const std::string& declineTitle) {
    ui::Application& app = context.app;
    ui::Alert& alert = ui::setUpAlert(context, title, text, ui::kAlertStyleInformational);
    alert.addButtonWithTitle(confirmTitle);
    alert.addButtonWithTitle(declineTitle);

    const double H = kRowPitch * static_cast<double>(items.size()) + kGap;
    ui::View& view = app.makeView({0, 0, 300, H});
    const std::vector<ui::Checkbox*> checkboxes = addCheckboxRows(app, view, items, H, 280);
    alert.setAccessoryView(view);

    const long result = ui::presentAlert(context, alert);
    if (result == ui::kAlertFirstButtonReturn)
        records::writeMigrateResult(context.out, records::joinSelection(items, checkedFlags(checkboxes)));
    else
        records::writeMigrateDeclined(context.out);
}

void showMigrateDialog(const ui::DialogContext& context, const std::vector<std::string>& toolNames) {
    showCheckboxDialog(context, kSetupTitle,
                       "These tools are currently configured in your AI apps. "
                       "Select the ones you'd like Orvex to manage:",
                       toolNames, "Migrate", "Do This Later");
}

void showMigrateEmptyDialog(const ui::DialogContext& context) {
    ui::showInfoDialog(context, kSetupTitle,
                       "We didn't find any existing tools to migrate to Orvex. "
                       "You're ready to get started!");
}

void showEnforcementErrorDialog(const ui::DialogContext& context, const std::string& operation) {
    const char* text = operation == "disable"
                           ? "Orvex couldn't turn off automatic setup. To try again later, run: "
                             "orvex config set drift-enforcement default"
                           : "Orvex couldn't turn on automatic setup. To try again later, run: "
                             "orvex config set drift-enforcement auto_install";
    ui::showMessageDialog(context, kSetupTitle, text, ui::kAlertStyleWarning);
}

}  // namespace setup
