#include "ui/qt/qt_alert.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QWindow>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "ui/screen_fit.h"

namespace ui::qt {

KeyGuard::KeyGuard(QWidget* dialog) : dialog_(dialog) {
    qApp->installEventFilter(this);
    if (dialog_->isActiveWindow()) guard_.activated(InputGuard::Clock::now());
}

bool KeyGuard::inDialog(QObject* object) const {
    if (object == static_cast<QObject*>(dialog_->windowHandle())) return true;
    for (; object; object = object->parent()) {
        if (object == dialog_) return true;
    }
    return false;
}

bool KeyGuard::eventFilter(QObject* watched, QEvent* event) {
    const auto now = InputGuard::Clock::now();
    switch (event->type()) {
        case QEvent::WindowActivate:
            if (watched == dialog_) guard_.activated(now);
            return false;
        case QEvent::WindowDeactivate:
            if (watched == dialog_) guard_.deactivated();
            return false;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            break;
        case QEvent::InputMethod:
            // Only committed text is typing; the rest is the input method's
            // own preview.
            if (static_cast<QInputMethodEvent*>(event)->commitString().isEmpty()) return false;
            break;
        default:
            return false;
    }
    if (!inDialog(watched) || guard_.keyArrives(now)) return false;
    // An accepted override also keeps the key from firing a shortcut.
    event->accept();
    return true;
}

void QtWindow::setLevel(int level) { alert_.setFloating(level >= kFloatingWindowLevel); }

void QtWindow::makeFirstResponder(View& view) { alert_.setFirstResponder(nodeOf<QtViewNode>(view).widget()); }

void QtAlert::installMenuShortcuts() {
    const QtMenu* mainMenu = app_.mainMenu();
    if (!mainMenu) return;
    std::vector<QKeySequence> bound;
    std::vector<const QtMenu*> pending{mainMenu};
    while (!pending.empty()) {
        const QtMenu* menu = pending.back();
        pending.pop_back();
        for (const QtMenuItem* item : menu->items) {
            if (item->submenu) pending.push_back(item->submenu);
            if (item->action == MenuAction::None) continue;
            const QKeySequence sequence = keySequenceOf(*item);
            // An alternate entry may land on a key already bound (Control and
            // Command are one key here); a second binding would make both
            // ambiguous and neither would fire.
            if (sequence.isEmpty() ||
                std::find(bound.begin(), bound.end(), sequence) != bound.end()) {
                continue;
            }
            bound.push_back(sequence);
            auto* shortcut = new QAction(dialog_);
            shortcut->setShortcut(sequence);
            shortcut->setShortcutContext(Qt::WindowShortcut);
            const MenuAction action = item->action;
            QObject::connect(shortcut, &QAction::triggered, dialog_,
                             [action] { sendToFirstResponder(action); });
            dialog_->addAction(shortcut);
        }
    }
}

// An accessory view taller than the screen would push the buttons out of
// reach; it scrolls instead, keeping its own geometry inside, so that the
// whole alert fits on the screen it opens on (the one under the pointer,
// where Qt centres it).
void QtAlert::fitAccessoryToScreen(QGridLayout* grid, int accessoryRow) {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    constexpr int kTitleBar = 40;  // the window manager's frame, not known before showing
    grid->activate();
    const int overflow =
        dialog_->sizeHint().height() + kTitleBar - screen->availableGeometry().height();
    if (overflow <= 0) return;

    QWidget* view = accessory_->widget();
    grid->removeWidget(view);
    auto* scroll = new QScrollArea;
    scroll->setWidget(view);
    scroll->setWidgetResizable(false);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    const int frame = 2 * scroll->frameWidth();
    const double visible = scrolledAccessoryHeight(view->height(), overflow);
    scroll->setFixedSize(view->width() + bar + frame, static_cast<int>(visible) + frame);
    grid->addWidget(scroll, accessoryRow, 1, Qt::AlignLeft);
}

void QtAlert::layout() {
    if (laidOut_) return;
    laidOut_ = true;

    dialog_->setWindowTitle(messageText_);
    installMenuShortcuts();

    auto* grid = new QGridLayout(dialog_);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setContentsMargins(20, 20, 20, 16);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);

    auto* icon = new QLabel;
    QPixmap pixmap;
    if (!icon_.isNull()) {
        pixmap = QPixmap::fromImage(icon_).scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } else {
        const auto standard = style_ == kAlertStyleInformational ? QStyle::SP_MessageBoxInformation
                                                                 : QStyle::SP_MessageBoxWarning;
        pixmap = dialog_->style()->standardIcon(standard).pixmap(64, 64);
    }
    icon->setPixmap(pixmap);
    icon->setFixedSize(64, 64);
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(style_ == kAlertStyleInformational ? "Information" : "Warning");
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);

    const int accessoryWidth = accessory_ ? accessory_->widget()->width() : 0;
    const int textWidth = std::max(380, accessoryWidth);

    auto* message = new QLabel(messageText_);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setFixedWidth(textWidth);
    QFont bold = message->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() + 1);
    message->setFont(bold);
    grid->addWidget(message, 0, 1);

    int row = 1;
    if (!informativeText_.isEmpty()) {
        auto* informative = new QLabel(informativeText_);
        informative->setTextFormat(Qt::PlainText);
        informative->setWordWrap(true);
        informative->setFixedWidth(textWidth);
        grid->addWidget(informative, row++, 1);
    }

    int accessoryRow = -1;
    if (accessory_) {
        accessoryRow = row++;
        grid->addWidget(accessory_->widget(), accessoryRow, 1, Qt::AlignLeft);
    }

    // The first button stands rightmost, the others leftward in order.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
        (*it)->setMinimumWidth(std::max(84, (*it)->sizeHint().width()));
        buttons->addWidget(*it);
    }
    grid->addLayout(buttons, std::max(row, 3), 0, 1, 2);

    if (accessory_) fitAccessoryToScreen(grid, accessoryRow);

    // Tab runs through the accessory view's controls from the top, then the
    // buttons from the first.
    QWidget* previous = nullptr;
    auto chain = [&](QWidget* next) {
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    };
    if (accessory_) {
        for (QWidget* child : accessory_->widget()->findChildren<QWidget*>()) {
            if (child->focusPolicy() & Qt::TabFocus) chain(child);
        }
    }
    for (QPushButton* button : buttons_) chain(button);
}

long QtAlert::runModal() {
    layout();
    KeyGuard guard(dialog_);
    dialog_->show();
    if (app_.activationRequested()) {
        dialog_->raise();
        dialog_->activateWindow();
    }
    if (firstResponder_) {
        firstResponder_->setFocus(Qt::ActiveWindowFocusReason);
        // As in AppKit, a field made first responder starts with its whole
        // text selected, so that typing replaces a value put back into it.
        if (auto* edit = qobject_cast<QLineEdit*>(firstResponder_.data())) edit->selectAll();
    } else if (!buttons_.empty()) {
        buttons_.front()->setFocus(Qt::ActiveWindowFocusReason);
    }
    return dialog_->exec();
}

}  // namespace ui::qt
