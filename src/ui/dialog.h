// What every dialog function needs, and the two step lists that every alert
// of the program goes through: the set-up and the presentation sequence.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "ui/toolkit.h"

namespace ui {

// Passed to every dialog function, so that a test can run any dialog against
// a fake toolkit, a captured output stream and a directory of its choice.
struct DialogContext {
    Application& app;
    // Where the result record goes (standard output in a real run).
    std::FILE* out;
    // The directory the program was started from; none when argv[0] was not
    // valid UTF-8. The alert icon is looked for here.
    std::optional<std::string> execDir;
};

// Joins a directory and a file name with exactly one separator; an empty
// directory gives the name alone.
std::string appendingPathComponent(const std::string& directory, const std::string& component);

// The alert icon read from "icon.png" in execDir, read anew on every call;
// null when there is no such file or it is not an image.
const Image* loadIcon(Application& app, const std::optional<std::string>& execDir);

// Creates an alert and gives it its texts, style and (when it loads) icon.
Alert& setUpAlert(const DialogContext& context, const std::string& messageText,
                  const std::string& informativeText, int style);

// Lays the finished alert out, floats its window, makes firstResponder (when
// given) the window's first responder, brings the program to the front and
// runs the alert. Returns the run result.
long presentAlert(const DialogContext& context, Alert& alert, View* firstResponder = nullptr);

// Releases what a pass of a dialog made when the pass ends, so that a dialog
// that asks again and again does not pile up alerts and icons.
class PassScope {
public:
    explicit PassScope(Application& app) : app_(app), scope_(app.openScope()) {}
    ~PassScope() { app_.closeScope(scope_); }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    Application& app_;
    std::size_t scope_;
};

// A plain alert with one "OK" button.
long showMessageDialog(const DialogContext& context, const std::string& title,
                       const std::string& text, int style);
long showInfoDialog(const DialogContext& context, const std::string& title,
                    const std::string& text);

}  // namespace ui
