// The dialogs of first-run client setup. Each shows one alert and writes its
// record, if it has one, to context.out before it returns.
#pragma once

#include <string>
#include <vector>

#include "ui/dialog.h"

namespace setup {

// Which AI apps to set up, and whether to set up apps automatically.
void showClientSetupDialog(const ui::DialogContext& context, const std::string& enforcementWord,
                           const std::vector<std::string>& clientNames);

// No supported app was found; only the automatic-setup choice is asked.
void showNoClientsDialog(const ui::DialogContext& context, const std::string& enforcementWord);

// Which of the tools already configured in the user's AI apps to take over.
void showMigrateDialog(const ui::DialogContext& context, const std::vector<std::string>& toolNames);

// Nothing to take over: a notice only.
void showMigrateEmptyDialog(const ui::DialogContext& context);

// Turning automatic setup off ("disable") or on (anything else) failed: a
// warning that says how to try again.
void showEnforcementErrorDialog(const ui::DialogContext& context, const std::string& operation);

// A list of checkboxes, all checked, with a confirm and a decline button.
void showCheckboxDialog(const ui::DialogContext& context, const std::string& title,
                        const std::string& text, const std::vector<std::string>& items,
                        const std::string& confirmTitle, const std::string& declineTitle);

}  // namespace setup
