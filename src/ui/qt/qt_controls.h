// The controls of the Qt backend: views, checkboxes, labels and fields,
// fonts, colours, images and the Edit menu's items, each holding its widget
// or value.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/alert/tab_order.h"
#include "ui/arena.h"
#include "ui/menu_list.h"
#include "ui/qt/qt_checkbox_widget.h"
#include "ui/toolkit.h"
#include "ui/view_tree.h"

namespace ui::qt {

// Pixels per point: the dialogs' numbers are points made for a 13-pixel
// system font, and a desktop with a larger font grows the layout by the same
// ratio, so that no text is cut. Never below 1: the layout at the usual fonts
// stays as it was drawn.
double pointScale();

QString toQString(const std::string& text);
std::string toStdString(const QString& text);
// Buttons and checkboxes read "&" as a mnemonic marker; callers' titles are
// plain text, so every "&" is doubled to show as itself.
QString plainButtonText(const std::string& title);

class QtFont final : public Font, public Owned {
public:
    explicit QtFont(QFont font) : font(std::move(font)) {}
    QFont font;
};

class QtColor final : public Color, public Owned {
public:
    explicit QtColor(QColor color) : color(color) {}
    QColor color;
};

class QtImage final : public Image, public Owned {
public:
    explicit QtImage(QImage image) : image(std::move(image)) {}
    QImage image;
};

// The Qt side of a view: its widget, and its frame and subviews as the
// interface gives them. Qt counts y downward from the parent's top, so a
// widget's geometry follows from its frame and its parent's height, and is
// laid again when either changes.
class QtViewNode : public ViewTreeNode, public Owned {
public:
    explicit QtViewNode(QWidget* widget) : widget_(widget) {}
    ~QtViewNode() override {
        // Widgets in a parent are deleted with it; a widget never added
        // anywhere is this node's to delete.
        if (widget_ && !widget_->parent()) delete widget_;
    }

    QWidget* widget() const { return widget_; }

protected:
    void frameChanged() override { applyGeometry(); }
    void childAdded(ViewTreeNode& child) override;

private:
    void applyGeometry();

    QPointer<QWidget> widget_;
};

template <class Interface>
using QtViewOf = ViewOf<Interface, QtViewNode>;

class QtPlainView final : public QtViewOf<View> {
public:
    explicit QtPlainView(Rect frame) : QtViewOf<View>(new QWidget) { setFrame(frame); }
};

class QtCheckbox final : public QtViewOf<Checkbox> {
public:
    QtCheckbox(const std::string& title, Action action)
        : QtViewOf<Checkbox>(new AlertCheckBox), title_(title), action_(std::move(action)) {
        box()->setFullText(toQString(title));
        box()->setAccessibleName(toQString(title));
        // Every change the user makes fires the action: a click, Space, or a
        // screen reader's toggle (which never emits clicked). A state set by
        // code does not, since the action itself sets states.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
        QObject::connect(box(), &QCheckBox::checkStateChanged, box(), [this] {
#else
        QObject::connect(box(), &QCheckBox::stateChanged, box(), [this] {
#endif
            if (settingState_) return;
            box()->setTristate(false);
            if (action_) action_(*this);
        });
    }

    std::string title() const override { return title_; }

    void setState(long state) override {
        settingState_ = true;
        if (state == kControlStateValueOn) {
            box()->setTristate(false);
            box()->setCheckState(Qt::Checked);
        } else if (state == kControlStateValueOff) {
            box()->setTristate(false);
            box()->setCheckState(Qt::Unchecked);
        } else {
            box()->setTristate(true);
            box()->setCheckState(Qt::PartiallyChecked);
        }
        settingState_ = false;
    }

    long state() const override {
        switch (box()->checkState()) {
            case Qt::Checked: return kControlStateValueOn;
            case Qt::Unchecked: return kControlStateValueOff;
            default: return kControlStateValueMixed;
        }
    }

    // A disabled box is locked: it keeps its place in the Tab order so that a
    // screen reader can still reach it and say that it is unavailable.
    void setEnabled(bool enabled) override { box()->setLocked(!enabled); }
    bool isEnabled() const override { return !box()->isLocked(); }
    void setAccessibilityHelp(const std::string& help) override {
        box()->setAccessibleDescription(toQString(help));
    }

private:
    AlertCheckBox* box() const { return static_cast<AlertCheckBox*>(widget()); }
    std::string title_;
    Action action_;
    bool settingState_ = false;
};

class QtTextField final : public QtViewOf<TextField> {
public:
    enum class Kind { Label, WrappingLabel, Field };

    QtTextField(Kind kind, const std::string& text)
        : QtViewOf<TextField>(makeWidget(kind)), kind_(kind) {
        setStringValue(text);
    }

    void setFont(const Font& font) override {
        widget()->setFont(static_cast<const QtFont&>(font).font);
    }

    void setTextColor(const Color& color) override {
        QPalette palette = widget()->palette();
        const QColor qcolor = static_cast<const QtColor&>(color).color;
        palette.setColor(QPalette::WindowText, qcolor);
        palette.setColor(QPalette::Text, qcolor);
        widget()->setPalette(palette);
    }

    void setPlaceholderString(const std::string& placeholder) override {
        if (auto* edit = lineEdit()) edit->setPlaceholderText(toQString(placeholder));
    }

    void setStringValue(const std::string& value) override {
        if (auto* edit = lineEdit()) {
            edit->setText(toQString(value));
        } else {
            label()->setText(toQString(value));
        }
    }

    std::string stringValue() const override {
        if (auto* edit = lineEdit()) return toStdString(edit->text());
        return toStdString(label()->text());
    }

    void setAccessibilityTitleUIElement(TextField& caption) override {
        // A label's buddy takes its name; Qt reads that name out for the field.
        if (auto* label = qobject_cast<QLabel*>(nodeOf<QtViewNode>(caption).widget())) {
            label->setBuddy(widget());
        }
    }

    Size sizeThatFits(Size bounds) const override;
    bool isField() const { return kind_ == Kind::Field; }

private:
    QLabel* label() const { return qobject_cast<QLabel*>(widget()); }

    static QWidget* makeWidget(Kind kind);
    QLineEdit* lineEdit() const { return qobject_cast<QLineEdit*>(widget()); }

    Kind kind_;
};

// What a control of an accessory view is to the Tab key.
alert::Focus focusOf(const ViewTreeNode& node);

// The Edit menu, kept as a list whose keys each alert binds.
using QtMenuItem = ListedMenuItem;
using QtMenu = ListedMenu;

// The key a menu item binds; on Linux both Command and Control mean Ctrl.
QKeySequence keySequenceOf(const QtMenuItem& item);

// Sends a standard editing action to the widget with the keyboard focus.
void sendToFirstResponder(MenuAction action);

}  // namespace ui::qt
