#include "cli/run.h"

#include <type_traits>

#include "cli/command.h"
#include "ui/dialog.h"
#include "ui/edit_menu.h"

namespace cli {

namespace {

constexpr const char* kUsage =
    "Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|enforcement-error> "
    "[items...]\n";

// The dialog a call names. Returns false when that dialog cannot be shown by
// this build, which is reported rather than answered with silence.
bool showDialog(const Command& command, const ui::DialogContext& context) {
    return std::visit(
        [&](const auto& call) {
            using Call = std::decay_t<decltype(call)>;
            if constexpr (std::is_same_v<Call, MessageCall>) {
                ui::showMessageDialog(context, call.title, call.text, call.style);
                return true;
            } else if constexpr (std::is_same_v<Call, InfoCall>) {
                ui::showInfoDialog(context, call.title, call.text);
                return true;
            } else {
                return false;
            }
        },
        command);
}

}  // namespace

int runSetupDialog(int argc, const char* const* argv, ui::Application& app, std::FILE* out,
                   std::FILE* err) {
    app.setActivationPolicy(ui::kApplicationActivationPolicyRegular);
    ui::installEditMenu(app);
    const ui::DialogContext context{app, out, executableDirectory(argc, argv)};

    const Command command = parseCommandLine(argc, argv);
    if (std::holds_alternative<UsageError>(command)) {
        std::fprintf(err, "%s", kUsage);
        return 1;
    }
    if (const auto* unknown = std::get_if<UnknownModeError>(&command)) {
        std::fprintf(err, "Unknown mode: %s\n", unknown->rawMode.c_str());
        return 1;
    }
    if (const auto* invalid = std::get_if<InvalidItemError>(&command)) {
        std::fprintf(err, "setup-dialog: item %d is not valid UTF-8\n", invalid->position);
        return 1;
    }

    if (!app.canShowWindows()) {
        std::fprintf(err, "setup-dialog: no display: cannot show the dialog (is DISPLAY set?)\n");
        return 1;
    }
    if (!showDialog(command, context)) {
        std::fprintf(err, "setup-dialog: the %s mode is not available in this build\n", argv[1]);
        return 1;
    }

    // Status 0 promises the parent that the whole record arrived.
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "setup-dialog: could not write the answer to standard output\n");
        return 1;
    }
    return 0;
}

}  // namespace cli
