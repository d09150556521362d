// What a backend can and cannot do, declared once as data. This is the
// checklist a new backend fills in, and the one place where backends may
// differ on purpose; every other rule of the alert is the engine's.
#pragma once

namespace ui::alert {

// What Return presses.
enum class ReturnKey {
    // The default button (the first), wherever the focus is.
    DefaultButton,
    // The focused button, and the default button when the focus is elsewhere
    // (the platform's own convention, as on Windows).
    FocusedButton,
};

// Where cut, copy, paste and select all come from in a field.
enum class EditKeys {
    // The Edit menu's items, bound by the alert as its own keys.
    MenuBindings,
    // The platform's menu bar sends them to the focused field.
    MenuBar,
    // The terminal's own line editing.
    LineEditing,
};

// How keys aimed at another window are kept from answering.
enum class KeyGuard {
    // The quiet time of input_guard.h, from when the window is active.
    QuietTime,
    // Keys typed before the question was asked are thrown away.
    DropTypeAhead,
};

struct Capabilities {
    // The platform draws its own alert; the engine gives it only what that
    // alert leaves to its caller (the fit to the screen, the Tab order).
    bool nativeAlert = false;
    // A floating alert stays above the other windows, not only on top once.
    bool keepsOnTop = false;
    // Shows an icon: the dialog's, else the style's stock sign.
    bool showsIcon = false;
    // Tab reaches the checkboxes, not only the fields and buttons.
    bool tabReachesBoxes = false;
    // A locked checkbox keeps its place in the Tab order, so that a screen
    // reader reaches it and says that it cannot be changed.
    bool lockedBoxInTabOrder = false;
    // The message and informative texts take the focus after the buttons,
    // so that they can be selected and copied by keyboard.
    bool textsInTabOrder = false;
    // A long informative text scrolls in its place before the accessory view
    // gives up any room.
    bool scrollsLongText = false;
    ReturnKey returnKey = ReturnKey::DefaultButton;
    EditKeys editKeys = EditKeys::MenuBindings;
    KeyGuard keyGuard = KeyGuard::QuietTime;
};

}  // namespace ui::alert
