#include "ui/qt/qt_alert.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QFontInfo>
#include <QIcon>
#include <QInputMethodEvent>
#include <QWindow>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <QApplication>

#include "ui/alert/screen_plan.h"
#include "ui/alert/tab_order.h"
#include "ui/qt/qt_window_watch.h"
#include "ui/quiet_output.h"

namespace ui::qt {

using alert::InputGuard;
using alert::KeyEvent;

namespace {

// The texts of an alert can be selected and copied, by mouse and by keyboard,
// as a command quoted in a message often must be.
void makeSelectable(QLabel* label) {
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

// A text of the alert, wrapped between words and, where a word is longer
// than the line (a long address, an error text with no spaces), inside the
// word: QLabel alone would run it past the edge, cut. Only the drawing
// wraps: what is selected and copied is the text as given. A selectable
// label draws through its own text document, whose wrap mode the label sets
// back to word boundaries whenever it lays the text out afresh (after a new
// font, palette or style): the label's layout is made first, and the mode
// set again after it.
class AlertText final : public QLabel {
public:
    explicit AlertText(const QString& text) : QLabel(text) {
        setTextFormat(Qt::PlainText);
        setWordWrap(true);
        makeSelectable(this);
    }

    int heightForWidth(int width) const override {
        const int height = QLabel::heightForWidth(width);
        stale_ = false;
        return wrapAnywhere() ? QLabel::heightForWidth(width) : height;
    }

protected:
    bool event(QEvent* event) override {
        switch (event->type()) {
            case QEvent::FontChange: case QEvent::ApplicationFontChange: case QEvent::PaletteChange:
            case QEvent::StyleChange: case QEvent::Polish: case QEvent::LayoutDirectionChange:
            case QEvent::ContentsRectChange:
                stale_ = true;
                break;
            default:
                break;
        }
        return QLabel::event(event);
    }

    void paintEvent(QPaintEvent* event) override {
        if (stale_ || !wrapsAnywhere()) {
            QLabel::heightForWidth(width());
            stale_ = false;
            if (wrapAnywhere()) updateGeometry();
        }
        QLabel::paintEvent(event);
    }

private:
    QTextDocument* document() const { return findChild<QTextDocument*>(); }
    bool wrapsAnywhere() const {
        const QTextDocument* shown = document();
        return !shown ||
               shown->defaultTextOption().wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;
    }
    // True when the mode had to be set again.
    bool wrapAnywhere() const {
        if (wrapsAnywhere()) return false;
        QTextDocument* shown = document();
        QTextOption option = shown->defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        shown->setDefaultTextOption(option);
        return true;
    }

    mutable bool stale_ = true;
};

}  // namespace

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

// A key is known by its scan code where the platform gives one, else by
// Qt's key code; on X11 without detectable auto-repeat a held key sends
// release and press pairs, both marked as auto-repeats.
bool KeyGuard::keyActs(const QKeyEvent& event, InputGuard::Clock::time_point now) {
    KeyEvent key;
    key.key = event.nativeScanCode() ? event.nativeScanCode()
                                     : (0x80000000u | static_cast<std::uint32_t>(event.key()));
    const bool release = event.type() == QEvent::KeyRelease;
    key.phase = event.isAutoRepeat() ? KeyEvent::Phase::Repeat
                : release            ? KeyEvent::Phase::Release
                                     : KeyEvent::Phase::Press;
    const Seen seen{event.timestamp(), key.key, key.phase, release};
    if (release && lastSeen_ == seen) return lastVerdict_;
    lastSeen_ = seen;
    lastVerdict_ = guard_.keyArrives(now, key);
    return lastVerdict_;
}

bool KeyGuard::eventFilter(QObject* watched, QEvent* event) {
    const auto now = InputGuard::Clock::now();
    bool acts = true;
    switch (event->type()) {
        case QEvent::WindowActivate:
            if (watched == dialog_) guard_.activated(now);
            return false;
        case QEvent::Expose:
            if (watched == static_cast<QObject*>(dialog_->windowHandle()) &&
                dialog_->windowHandle()->isExposed()) {
                WindowDeadline::windowShown();
            }
            return false;
        case QEvent::WindowDeactivate:
            if (watched == dialog_) {
                guard_.deactivated();
                lastSeen_.reset();
            }
            return false;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
            if (!inDialog(watched)) return false;
            acts = keyActs(*static_cast<QKeyEvent*>(event), now);
            break;
        case QEvent::Shortcut:
            // Fired by a key press the guard has just judged.
            if (!inDialog(watched)) return false;
            acts = guard_.keyArrives(now);
            break;
        case QEvent::InputMethod:
            // Only committed text is typing; the rest is the input method's
            // own preview.
            if (static_cast<QInputMethodEvent*>(event)->commitString().isEmpty()) return false;
            if (!inDialog(watched)) return false;
            acts = guard_.keyArrives(now);
            break;
        default:
            return false;
    }
    if (acts) return false;
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
    for (const QtMenuItem* item : actionItems(*mainMenu)) {
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

void QtAlert::addButtonWithTitle(const std::string& title) {
    const std::size_t index = buttons_.size();
    model_.buttons.push_back(title);
    auto* button = new QPushButton(plainButtonText(title), dialog_);
    button->setAccessibleName(toQString(title));
    button->setAutoDefault(false);
    if (model_.roleOf(index) == alert::ButtonRole::Default) button->setDefault(true);
    const int result = static_cast<int>(alert::resultOfButton(index));
    QObject::connect(button, &QPushButton::clicked, dialog_, [this, result] { dialog_->done(result); });
    buttons_.push_back(button);
}

namespace {

int pixels(double points) { return static_cast<int>(std::lround(points * pointScale())); }

// A part of the alert that scrolls in its own place: its scroll area, and
// the widget that stands in the grid for it.
struct Scrolled {
    QScrollArea* scroll = nullptr;
    QWidget* inGrid = nullptr;
    int below = 0;  // pixels of unscrolled controls under it, in the holder
    void setVisible(double visible) const {
        const int shown = static_cast<int>(visible) + 2 * scroll->frameWidth();
        scroll->setFixedHeight(shown);
        if (inGrid != scroll) inGrid->setFixedHeight(shown + below);
    }
};

QScrollArea* makeScrollArea() {
    auto* scroll = new QScrollArea;
    scroll->setFocusPolicy(Qt::NoFocus);  // the controls inside take the focus, not the frame
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tabbing to a control inside brings it into view.
    QObject::connect(qApp, &QApplication::focusChanged, scroll, [scroll](QWidget*, QWidget* now) {
        if (now && scroll->widget() && scroll->widget()->isAncestorOf(now)) scroll->ensureWidgetVisible(now);
    });
    return scroll;
}

int scrollBarWidth(QScrollArea* scroll) {
    return scroll->verticalScrollBar()->sizeHint().width() + 2 * scroll->frameWidth();
}

// The accessory view in a scroll area: whole, or only its leading rows.
Scrolled scrollAccessory(QtViewNode& accessory, const ScrolledRows& part, QGridLayout* grid,
                         int accessoryRow) {
    QWidget* view = accessory.widget();
    const int band = pixels(part.height);
    Scrolled scrolled;
    scrolled.scroll = makeScrollArea();
    scrolled.scroll->setWidgetResizable(false);
    const int width = view->width();
    grid->removeWidget(view);
    if (part.rows.empty()) {
        scrolled.scroll->setWidget(view);
        scrolled.scroll->setFixedWidth(width + scrollBarWidth(scrolled.scroll));
        scrolled.inGrid = scrolled.scroll;
    } else {
        // The view keeps the rows and becomes the scrolled content; what
        // stood under them moves to a holder, under the scroll area, and
        // moves down with it as it grows.
        auto* holder = new QWidget;
        auto* column = new QVBoxLayout(holder);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* under = new QWidget;
        for (ViewTreeNode* child : accessory.childNodes()) {
            if (std::find(part.rows.begin(), part.rows.end(), child) != part.rows.end()) continue;
            QWidget* widget = static_cast<QtViewNode*>(child)->widget();
            const QPoint at = widget->pos();
            widget->setParent(under);
            widget->move(at.x(), at.y() - band);
            widget->show();
        }
        scrolled.below = view->height() - band;
        under->setFixedSize(width, scrolled.below);
        view->setFixedSize(width, band);
        scrolled.scroll->setWidget(view);
        scrolled.scroll->setFixedWidth(width + scrollBarWidth(scrolled.scroll));
        column->addWidget(scrolled.scroll, 0, Qt::AlignLeft | Qt::AlignTop);
        column->addWidget(under, 0, Qt::AlignLeft | Qt::AlignTop);
        holder->setFixedWidth(scrolled.scroll->width());
        scrolled.inGrid = holder;
    }
    grid->addWidget(scrolled.inGrid, accessoryRow, 1, Qt::AlignLeft);
    return scrolled;
}

Scrolled scrollText(QLabel* informative, QGridLayout* grid) {
    Scrolled scrolled;
    scrolled.scroll = makeScrollArea();
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(grid->indexOf(informative), &row, &column, &rows, &columns);
    grid->removeWidget(informative);
    scrolled.scroll->setWidgetResizable(true);
    scrolled.scroll->setWidget(informative);
    scrolled.scroll->setFixedWidth(informative->width() + scrollBarWidth(scrolled.scroll));
    scrolled.inGrid = scrolled.scroll;
    grid->addWidget(scrolled.scroll, row, column, Qt::AlignLeft);
    return scrolled;
}

}  // namespace

// The height of what never scrolls, measured with the parts that may at
// their smallest: a layout's size stops growing far short of a long list's.
int QtAlert::fixedHeight(QGridLayout* grid, QLabel* informative, const alert::FitInput& fit) {
    const int textAtSmallest = static_cast<int>(std::min(fit.minimum, fit.text.needed));
    const int bandAtSmallest = static_cast<int>(std::min(fit.minimum, fit.band.needed));
    QWidget* view = accessory_ ? accessory_->widget() : nullptr;
    const int viewHeight = view ? view->height() : 0;
    if (fit.text.needed > 0) informative->setFixedHeight(textAtSmallest);
    if (view) view->setFixedHeight(viewHeight - static_cast<int>(fit.band.needed) + bandAtSmallest);
    grid->activate();
    const int fixed = dialog_->sizeHint().height() - textAtSmallest - bandAtSmallest;
    if (fit.text.needed > 0) {
        informative->setMinimumHeight(0);
        informative->setMaximumHeight(QWIDGETSIZE_MAX);
    }
    if (view) view->setFixedHeight(viewHeight);
    grid->activate();
    return fixed;
}

// The screen is the one under the pointer, where Qt centres the alert. The
// window manager's frame is not known before showing; a usual title bar is
// allowed for.
void QtAlert::fitToScreen(QGridLayout* grid, int accessoryRow, QLabel* informative) {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    constexpr int kTitleBar = 40;
    alert::FitInput fit;
    fit.available = screen->availableGeometry().height() - kTitleBar;
    grid->activate();
    if (dialog_->sizeHint().height() <= fit.available) return;
    const QScrollArea frame;  // what a scroll area adds around its content
    const double chrome = 2 * frame.frameWidth();
    fit.minimum = pixels(alert::kMinimumScrolledHeight);
    if (informative && kCapabilities.scrollsLongText) {
        fit.text = {static_cast<double>(informative->heightForWidth(informative->width())), chrome};
    }
    ScrolledRows band;
    if (accessory_) {
        band = scrolledRows(*accessory_);
        fit.band = {static_cast<double>(pixels(band.height)), chrome};
    }
    fit.fixed = fixedHeight(grid, informative, fit);
    const alert::FitPlan plan = alert::fitToScreen(fit);
    if (plan.textScrolls) scrollText(informative, grid).setVisible(plan.textShown);
    if (plan.bandScrolls) scrollAccessory(*accessory_, band, grid, accessoryRow).setVisible(plan.bandShown);
}

QLabel* QtAlert::makeIcon() {
    // The icon takes 64 points, drawn at the screen's own pixel density.
    const int side = pixels(64);
    const qreal density = dialog_->devicePixelRatioF();
    const int deviceSide = static_cast<int>(std::lround(side * density));
    QPixmap pixmap;
    if (model_.icon) {
        const QImage& image = static_cast<const QtImage*>(model_.icon)->image;
        pixmap = QPixmap::fromImage(
            image.scaled(deviceSide, deviceSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        dialog_->setWindowIcon(QIcon(QPixmap::fromImage(image)));
    } else {
        const auto standard = model_.style == kAlertStyleInformational ? QStyle::SP_MessageBoxInformation
                                                                       : QStyle::SP_MessageBoxWarning;
        pixmap = dialog_->style()->standardIcon(standard).pixmap(QSize(side, side), density);
        // A theme may have the sign only smaller; it still fills its place.
        if (pixmap.width() < deviceSide) {
            pixmap = pixmap.scaled(deviceSide, deviceSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    }
    pixmap.setDevicePixelRatio(density);
    auto* icon = new QLabel;
    icon->setPixmap(pixmap);
    icon->setFixedSize(side, side);
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(toQString(alert::stockSignName(model_.style)));
    return icon;
}

void QtAlert::chainTabs(QLabel* message, QLabel* informative) {
    std::vector<QWidget*> controls;
    std::vector<alert::Focus> focus;
    if (accessory_) {
        for (const PlacedNode& placed : inReadingOrder(*accessory_)) {
            controls.push_back(static_cast<QtViewNode*>(placed.node)->widget());
            focus.push_back(focusOf(*placed.node));
        }
    }
    const auto widgetOf = [&](const alert::TabStop& stop) -> QWidget* {
        switch (stop.kind) {
            case alert::TabStop::Kind::Control: return controls[stop.index];
            case alert::TabStop::Kind::Button: return buttons_[stop.index];
            case alert::TabStop::Kind::MessageText: return message;
            case alert::TabStop::Kind::InformativeText: return informative;
        }
        return nullptr;
    };
    QWidget* previous = nullptr;
    for (const alert::TabStop& stop : alert::tabOrder(focus, buttons_.size(), informative, kCapabilities)) {
        QWidget* next = widgetOf(stop);
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

void QtAlert::layout() {
    if (laidOut_) return;
    laidOut_ = true;

    dialog_->setWindowTitle(toQString(model_.messageText));
    installMenuShortcuts();
    if (const auto escape = model_.answerFor(alert::Ending::Escape)) {
        dialog_->escapeButton = buttons_[static_cast<std::size_t>(*escape - kAlertFirstButtonReturn)];
    }

    auto* grid = new QGridLayout(dialog_);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setContentsMargins(20, 20, 20, 16);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    grid->addWidget(makeIcon(), 0, 0, 3, 1, Qt::AlignTop);

    const int textWidth = pixels(alert::textWidth(accessory_ ? accessory_->nodeFrame().width : 0));
    auto* message = new AlertText(toQString(model_.messageText));
    message->setFixedWidth(textWidth);
    QFont bold = message->font();
    bold.setBold(true);
    // A desktop font may be given in pixels; its real size is asked for.
    bold.setPointSizeF(QFontInfo(bold).pointSizeF() + 1);
    message->setFont(bold);
    grid->addWidget(message, 0, 1);

    int row = 1;
    QLabel* informative = nullptr;
    if (!model_.informativeText.empty()) {
        informative = new AlertText(toQString(model_.informativeText));
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

    fitToScreen(grid, accessoryRow, informative);
    chainTabs(message, informative);
    new WindowWatch(dialog_);
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
