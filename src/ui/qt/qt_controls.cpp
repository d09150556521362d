#include "ui/qt/qt_controls.h"

#include <QApplication>
#include <algorithm>
#include <cmath>

namespace ui::qt {

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString& text) { return text.toUtf8().toStdString(); }

QString plainButtonText(const std::string& title) {
    return toQString(title).replace(QLatin1Char('&'), QLatin1String("&&"));
}

void QtViewNode::childAdded(ViewTreeNode& child) {
    auto& node = static_cast<QtViewNode&>(child);
    node.widget_->setParent(widget_);
    node.applyGeometry();
    node.widget_->show();
}

void QtViewNode::applyGeometry() {
    if (!widget_) return;
    const Rect frame = nodeFrame();
    if (const ViewTreeNode* parent = parentNode()) {
        // Round the edges, not the sizes, so that neighbours stay flush.
        const double parentHeight = parent->nodeFrame().height;
        const int left = static_cast<int>(std::lround(frame.x));
        const int right = static_cast<int>(std::lround(frame.x + frame.width));
        const int top = static_cast<int>(std::lround(parentHeight - frame.y - frame.height));
        const int bottom = static_cast<int>(std::lround(parentHeight - frame.y));
        widget_->setGeometry(left, top, right - left, bottom - top);
    } else {
        widget_->setFixedSize(static_cast<int>(std::lround(frame.width)),
                              static_cast<int>(std::lround(frame.height)));
    }
    for (ViewTreeNode* child : childNodes()) static_cast<QtViewNode*>(child)->applyGeometry();
}

void QtMenuItem::setSubmenu(Menu& menu) { submenu = &static_cast<QtMenu&>(menu); }

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
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!edit) return;
    switch (action) {
        case MenuAction::Cut: edit->cut(); break;
        case MenuAction::Copy: edit->copy(); break;
        case MenuAction::Paste: edit->paste(); break;
        case MenuAction::SelectAll: edit->selectAll(); break;
        case MenuAction::None: break;
    }
}


}  // namespace ui::qt
