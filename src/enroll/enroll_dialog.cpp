#include "enroll/enroll_dialog.h"

#include "records/records.h"
#include "enroll/enroll_rules.h"

namespace enroll {

static_assert(kWarningStyle == ui::kAlertStyleWarning);
static_assert(kInformationalStyle == ui::kAlertStyleInformational);

namespace {
constexpr const char* kEmailPlaceholder = "name@example.com";
}  // namespace

ui::TextField& addLabeledField(ui::Application& app, ui::View& view, const std::string& caption,
                               double captionY, double fieldY, const std::string& placeholder) {
    ui::TextField& label = app.makeLabel(caption);
    label.setFrame({0, captionY, 100, 20});
    view.addSubview(label);
    ui::TextField& field = app.makeTextField({110, fieldY, 480, 24});
    field.setPlaceholderString(placeholder);
    // A screen reader names the field by its caption.
    field.setAccessibilityTitleUIElement(label);
    return field;
}

void showEnrollDialog(const ui::DialogContext& context, const std::string& errorText) {
    ui::Application& app = context.app;
    std::string error = errorText;
    std::string rememberedCode;
    std::string rememberedEmail;

    for (;;) {
        // A rejected pass's alert, controls and icon go when the next begins.
        const ui::PassScope pass(app);
        ui::Alert& alert = ui::setUpAlert(context, "Orvex Enrollment",
                                          enrollInformativeText(error), enrollAlertStyle(error));
        alert.addButtonWithTitle(enrollFirstButtonTitle(error));
        alert.addButtonWithTitle("Skip");
        alert.addButtonWithTitle("Cancel");

        ui::View& view = app.makeView({0, 0, 600, 96});
        ui::TextField& codeField = addLabeledField(app, view, "Setup code", 72, 68, "dk_...");
        codeField.setFont(
            app.monospacedSystemFontOfSize(app.smallSystemFontSize(), ui::kFontWeightRegular));
        codeField.setStringValue(rememberedCode);
        view.addSubview(codeField);
        ui::TextField& emailField =
            addLabeledField(app, view, "Work email", 36, 32, kEmailPlaceholder);
        emailField.setStringValue(rememberedEmail);
        view.addSubview(emailField);
        alert.setAccessoryView(view);

        const long result = ui::presentAlert(context, alert, &codeField);
        if (result == ui::kAlertFirstButtonReturn) {
            EnrollVerdict verdict = judgeEnrollInput(codeField.stringValue(), emailField.stringValue());
            rememberedCode = verdict.code;
            rememberedEmail = verdict.email;
            if (!verdict.message) {
                records::writeEnrollResult(context.out, verdict.code, verdict.email);
                return;
            }
            error = *verdict.message;
        } else if (result == ui::kAlertSecondButtonReturn) {
            records::writeEnrollSkipped(context.out);
            return;
        } else {
            records::writeEnrollDeclined(context.out);
            return;
        }
    }
}

}  // namespace enroll
