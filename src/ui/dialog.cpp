#include "ui/dialog.h"

namespace ui {

std::string appendingPathComponent(const std::string& directory, const std::string& component) {
    if (directory.empty()) return component;
    if (directory.back() == '/') return directory + component;
    return directory + "/" + component;
}

const Image* loadIcon(Application& app, const std::optional<std::string>& execDir) {
    if (!execDir) return nullptr;
    return app.imageWithContentsOfFile(appendingPathComponent(*execDir, "icon.png"));
}

Alert& setUpAlert(const DialogContext& context, const std::string& messageText,
                  const std::string& informativeText, int style) {
    Alert& alert = context.app.makeAlert();
    alert.setMessageText(messageText);
    alert.setInformativeText(informativeText);
    alert.setAlertStyle(style);
    if (const Image* icon = loadIcon(context.app, context.execDir)) alert.setIcon(*icon);
    return alert;
}

long presentAlert(const DialogContext& context, Alert& alert, View* firstResponder) {
    alert.layout();
    alert.window().setLevel(kFloatingWindowLevel);
    if (firstResponder) alert.window().makeFirstResponder(*firstResponder);
    context.app.activateIgnoringOtherApps(true);
    return alert.runModal();
}

long showMessageDialog(const DialogContext& context, const std::string& title,
                       const std::string& text, int style) {
    Alert& alert = setUpAlert(context, title, text, style);
    alert.addButtonWithTitle("OK");
    return presentAlert(context, alert);
}

long showInfoDialog(const DialogContext& context, const std::string& title,
                    const std::string& text) {
    return showMessageDialog(context, title, text, kAlertStyleInformational);
}

}  // namespace ui
