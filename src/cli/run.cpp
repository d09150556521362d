#include "cli/run.h"

#include <cstdlib>
#include <string_view>
#include <type_traits>

#include "cli/command.h"
#include "cli/manners.h"
#include "enroll/enroll_dialog.h"
#include "setup/setup_dialogs.h"
#include "ui/dialog.h"
#include "ui/edit_menu.h"

namespace cli {

namespace {

constexpr const char* kUsage =
    "Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|enforcement-error> "
    "[items...]\n";

// Shows the dialog a call names; it writes its own record.
void showDialog(const Command& command, const ui::DialogContext& context) {
    std::visit(
        [&](const auto& call) {
            using Call = std::decay_t<decltype(call)>;
            if constexpr (std::is_same_v<Call, ClientSetupCall>) {
                setup::showClientSetupDialog(context, call.enforcementWord, call.clientNames);
            } else if constexpr (std::is_same_v<Call, NoClientsCall>) {
                setup::showNoClientsDialog(context, call.enforcementWord);
            } else if constexpr (std::is_same_v<Call, EnforcementErrorCall>) {
                setup::showEnforcementErrorDialog(context, call.operation);
            } else if constexpr (std::is_same_v<Call, MigrateEmptyCall>) {
                setup::showMigrateEmptyDialog(context);
            } else if constexpr (std::is_same_v<Call, MigrateCall>) {
                setup::showMigrateDialog(context, call.toolNames);
            } else if constexpr (std::is_same_v<Call, EnrollCall>) {
                enroll::showEnrollDialog(context, call.errorText);
            }
            // The error alternatives were answered before any window.
        },
        command);
}

// Writes a text asked for on the command line; false when it could not be
// written whole.
bool writeWhole(std::string_view text, std::FILE* out) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0 &&
           !std::ferror(out);
}

}  // namespace

int runSetupDialog(int argc, const char* const* argv, const ApplicationSource& source,
                   std::FILE* out, std::FILE* err) {
    // Answered before anything else: no toolkit, no display.
    if (argc >= 2 && argv[1]) {
        const std::string_view word = argv[1];
        if (word == "--help" || word == "--version") {
            if (writeWhole(word == "--help" ? helpText() : versionText(), out)) return 0;
            std::fprintf(err, "setup-dialog: could not write the answer to standard output\n");
            return 1;
        }
    }
    const std::optional<std::string> execDir = executableDirectory(argc, argv);

    const Command command = parseCommandLine(argc, argv);
    if (std::holds_alternative<UsageError>(command)) {
        std::fprintf(err, "%s", kUsage);
        return 1;
    }
    if (const auto* unknown = std::get_if<UnknownModeError>(&command)) {
        std::fprintf(err, "Unknown mode: %s\n", printableBytes(unknown->rawMode).c_str());
        return 1;
    }
    if (const auto* invalid = std::get_if<InvalidItemError>(&command)) {
        std::fprintf(err, "setup-dialog: item %d is not valid UTF-8\n", invalid->position);
        return 1;
    }

    std::string whyNone;
    ui::Application* const app = source(whyNone);
    if (!app) {
        std::fprintf(err, "%s", whyNone.c_str());
        return 1;
    }
    app->setActivationPolicy(ui::kApplicationActivationPolicyRegular);
    ui::installEditMenu(*app);
    showDialog(command, {*app, out, execDir});

    // Status 0 promises the parent that the whole record arrived.
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "setup-dialog: could not write the answer to standard output\n");
        return 1;
    }
    return 0;
}

int runSetupDialog(int argc, const char* const* argv, ui::Application& app, std::FILE* out,
                   std::FILE* err) {
    return runSetupDialog(
        argc, argv,
        [&app](std::string& line) -> ui::Application* {
            if (app.canShowWindows()) return &app;
            line = noDisplayLine(app.whyNoWindows());
            return nullptr;
        },
        out, err);
}

}  // namespace cli
