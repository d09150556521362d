#include "ui/qt/qt_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace ui::qt {

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString& text) { return text.toUtf8().toStdString(); }

QString plainButtonText(const std::string& title) {
    return toQString(title).replace(QLatin1Char('&'), QLatin1String("&&"));
}

double pointScale() {
    constexpr double kDesignedFontPixels = 13;
    return std::max(1.0, QFontInfo(QApplication::font()).pixelSize() / kDesignedFontPixels);
}

QWidget* QtTextField::makeWidget(Kind kind) {
    if (kind == Kind::Field) {
        auto* edit = new QLineEdit;
        // Qt would cut a longer paste at 32,767 characters, and the cut value
        // would reach the record as if it were what the user gave.
        edit->setMaxLength(std::numeric_limits<int>::max());
        return edit;
    }
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(kind == Kind::WrappingLabel);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

Size QtTextField::sizeThatFits(Size bounds) const {
    const double scale = pointScale();
    const QSize hint = widget()->sizeHint();
    if (kind_ != Kind::WrappingLabel) return {hint.width() / scale, hint.height() / scale};
    const double limit = std::min(bounds.width * scale, double(QWIDGETSIZE_MAX));
    const int width = std::max(1, static_cast<int>(std::floor(limit)));
    const int height = label()->heightForWidth(width);
    return {std::min(width, hint.width()) / scale,
            std::min(bounds.height, (height >= 0 ? height : hint.height()) / scale)};
}

void QtViewNode::childAdded(ViewTreeNode& child) {
    auto& node = static_cast<QtViewNode&>(child);
    // Sized alone, before it had a parent, it was fixed to its frame; in a
    // parent its geometry alone places it.
    node.widget_->setMinimumSize(0, 0);
    node.widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    node.widget_->setParent(widget_);
    node.applyGeometry();
    node.widget_->show();
}

void QtViewNode::applyGeometry() {
    if (!widget_) return;
    const double scale = pointScale();
    const auto pixels = [scale](double points) { return static_cast<int>(std::lround(points * scale)); };
    const Rect frame = nodeFrame();
    if (const ViewTreeNode* parent = parentNode()) {
        // Round the edges, not the sizes, so that neighbours stay flush.
        const double parentHeight = parent->nodeFrame().height;
        const int left = pixels(frame.x);
        const int right = pixels(frame.x + frame.width);
        int top = pixels(parentHeight - frame.y - frame.height);
        int bottom = pixels(parentHeight - frame.y);
        // A field is never shorter than its text and frame need: it grows
        // about its middle, into the space its row leaves around it.
        const int needed = qobject_cast<QLineEdit*>(widget_) ? widget_->minimumSizeHint().height() : 0;
        if (bottom - top < needed) {
            top -= (needed - (bottom - top)) / 2;
            bottom = top + needed;
        }
        widget_->setGeometry(left, top, right - left, bottom - top);
    } else {
        widget_->setFixedSize(pixels(frame.width), pixels(frame.height));
    }
    for (ViewTreeNode* child : childNodes()) static_cast<QtViewNode*>(child)->applyGeometry();
}

alert::Focus focusOf(const ViewTreeNode& node) {
    if (const auto* box = dynamic_cast<const QtCheckbox*>(&node)) {
        return box->isEnabled() ? alert::Focus::Checkbox : alert::Focus::LockedCheckbox;
    }
    if (const auto* field = dynamic_cast<const QtTextField*>(&node); field && field->isField()) {
        return alert::Focus::Field;
    }
    return alert::Focus::None;
}

QKeySequence keySequenceOf(const QtMenuItem& item) {
    if (item.key.empty()) return {};
    Qt::KeyboardModifiers modifiers;
    if (item.mask & (kEventModifierFlagCommand | kEventModifierFlagControl)) modifiers |= Qt::ControlModifier;
    if (item.mask & kEventModifierFlagOption) modifiers |= Qt::AltModifier;
    if (item.mask & kEventModifierFlagShift) modifiers |= Qt::ShiftModifier;
    const QKeySequence key = QKeySequence::fromString(toQString(item.key).toUpper());
    if (key.isEmpty()) return {};
    return QKeySequence(QKeyCombination(modifiers, key[0].key()));
}

void sendToFirstResponder(MenuAction action) {
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        switch (action) {
            case MenuAction::Cut: edit->cut(); break;
            case MenuAction::Copy: edit->copy(); break;
            case MenuAction::Paste: edit->paste(); break;
            case MenuAction::SelectAll: edit->selectAll(); break;
            case MenuAction::None: break;
        }
    } else if (auto* label = qobject_cast<QLabel*>(focus)) {
        // A selectable text: copy and select all; nothing to cut or paste.
        if (action == MenuAction::Copy && label->hasSelectedText()) {
            QApplication::clipboard()->setText(label->selectedText());
        } else if (action == MenuAction::SelectAll) {
            label->setSelection(0, static_cast<int>(label->text().size()));
        }
    }
}

}  // namespace ui::qt
