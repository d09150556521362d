#include "setup/auto_install_block.h"

namespace setup {

namespace {
constexpr double kCheckboxRowHeight = 28;
constexpr double kNoteX = 30;
constexpr double kNoteWidth = 320;
constexpr const char* kCheckboxTitle = "Automatically configure all AI apps";
constexpr const char* kCheckboxNote = "Includes apps you install later.";

// The policy never gives a state with neither a checkbox nor a note; should
// one appear, the block is simply empty rather than reading a null note.
std::string noteOf(const AutoInstallState& state) { return state.note ? state.note : ""; }
}  // namespace

ui::TextField& makeNoteLabel(ui::Application& app, const std::string& text) {
    ui::TextField& label = app.makeWrappingLabel(text);
    label.setFont(app.systemFontOfSize(app.smallSystemFontSize()));
    label.setTextColor(app.secondaryLabelColor());
    return label;
}

double noteHeight(ui::Application& app, const std::string& text) {
    // A label made like the shown one, so that font and wrapping match.
    const ui::TextField& label = makeNoteLabel(app, text);
    return label.sizeThatFits({kNoteWidth, ui::kUnlimitedHeight}).height;
}

double autoInstallBlockHeight(ui::Application& app, const AutoInstallState& state) {
    if (state.showCheckbox) return kCheckboxRowHeight + noteHeight(app, kCheckboxNote);
    return noteHeight(app, noteOf(state));
}

ui::Checkbox* addAutoInstallControls(ui::Application& app, ui::View& view,
                                     const AutoInstallState& state, double top,
                                     ui::Checkbox::Action action) {
    if (!state.showCheckbox) {
        const std::string note = noteOf(state);
        const double h = noteHeight(app, note);
        ui::TextField& label = makeNoteLabel(app, note);
        label.setFrame({kNoteX, top - h, kNoteWidth, h});
        view.addSubview(label);
        return nullptr;
    }

    ui::Checkbox& checkbox = app.makeCheckbox(kCheckboxTitle, std::move(action));
    checkbox.setState(state.checkboxOn ? ui::kControlStateValueOn : ui::kControlStateValueOff);
    checkbox.setFrame({10, top - kCheckboxRowHeight, 340, 24});
    view.addSubview(checkbox);
    const double h = noteHeight(app, kCheckboxNote);
    ui::TextField& label = makeNoteLabel(app, kCheckboxNote);
    label.setFrame({kNoteX, top - kCheckboxRowHeight - h, kNoteWidth, h});
    view.addSubview(label);
    // The note belongs to the box: a screen reader says it with the box.
    checkbox.setAccessibilityHelp(kCheckboxNote);
    return &checkbox;
}

}  // namespace setup
