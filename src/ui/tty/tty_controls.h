// The controls of the terminal backend: they hold what the dialogs set, and
// the conversation reads them when the alert runs.
#pragma once

#include <string>

#include "ui/arena.h"
#include "ui/toolkit.h"
#include "ui/view_tree.h"

namespace ui::tty {

// The backend's own measure of text in points, so that the dialogs' layout
// arithmetic gives sensible frames: a character cell of a small font.
inline constexpr double kCharacterWidth = 7;
inline constexpr double kLineHeight = 16;

class TtyNode : public ViewTreeNode, public Owned {};

template <class Interface>
using TtyViewOf = ViewOf<Interface, TtyNode>;

class TtyPlainView final : public TtyViewOf<View> {
public:
    explicit TtyPlainView(Rect frame) { setFrame(frame); }
};

class TtyCheckbox final : public TtyViewOf<Checkbox> {
public:
    TtyCheckbox(std::string title, Action action)
        : title_(std::move(title)), action_(std::move(action)) {}

    std::string title() const override { return title_; }
    void setState(long state) override { state_ = state; }
    long state() const override { return state_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    // The note under the box is listed as text already.
    void setAccessibilityHelp(const std::string&) override {}

    // What a click does: the box flips (a mixed one turns on), then its
    // action is sent.
    void click() {
        state_ = state_ == kControlStateValueOn ? kControlStateValueOff : kControlStateValueOn;
        if (action_) action_(*this);
    }

private:
    std::string title_;
    Action action_;
    long state_ = kControlStateValueOff;
    bool enabled_ = true;
};

class TtyTextField final : public TtyViewOf<TextField> {
public:
    enum class Kind { Label, WrappingLabel, Field };

    TtyTextField(Kind kind, std::string value) : kind_(kind), value_(std::move(value)) {}

    void setFont(const Font&) override {}
    void setTextColor(const Color&) override {}
    void setPlaceholderString(const std::string& placeholder) override { placeholder_ = placeholder; }
    void setStringValue(const std::string& value) override { value_ = value; }
    std::string stringValue() const override { return value_; }
    Size sizeThatFits(Size bounds) const override;
    void setAccessibilityTitleUIElement(TextField& caption) override {
        caption_ = &nodeOf<TtyTextField>(caption);
    }

    Kind kind() const { return kind_; }
    const std::string& placeholder() const { return placeholder_; }
    // The label that names this field, if one was given.
    const TtyTextField* caption() const { return caption_; }

private:
    Kind kind_;
    std::string value_;
    std::string placeholder_;
    const TtyTextField* caption_ = nullptr;
};

}  // namespace ui::tty
