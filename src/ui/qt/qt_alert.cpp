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

#include "ui/qt/qt_window_watch.h"
#include "ui/quiet_output.h"
#include "ui/screen_fit.h"

namespace ui::qt {

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

namespace {

// A part of the alert that scrolls in its own place: its scroll area, the
// widget that stands in the grid for it, and the height it would need.
struct Scrolled {
    QScrollArea* scroll = nullptr;
    QWidget* inGrid = nullptr;
    int needed = 0;  // pixels
    int below = 0;   // pixels of unscrolled controls under it, in the holder
    void setVisible(int visible) const {
        const int frame = 2 * scroll->frameWidth();
        scroll->setFixedHeight(visible + frame);
        if (inGrid != scroll) inGrid->setFixedHeight(visible + frame + below);
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
Scrolled scrollAccessory(QtViewNode& accessory, QGridLayout* grid, int accessoryRow) {
    QWidget* view = accessory.widget();
    const double scale = pointScale();
    const double viewHeight = accessory.nodeFrame().height;

    // The rows of a leading list, if there is one, in the view's own points.
    std::vector<ViewTreeNode*> rows;
    std::vector<Rect> frames;
    for (const PlacedNode& placed : inReadingOrder(accessory)) {
        if (placed.node->parentNode() != &accessory) continue;
        frames.push_back(placed.frame);
        rows.push_back(placed.node);
    }
    rows.resize(leadingRowCount(frames));
    // A view that is all list scrolls whole, its margins with it.
    if (rows.size() == accessory.childNodes().size()) rows.clear();
    // The scrolled band runs from the view's top down to the last row's
    // bottom edge; with no list it is the whole view.
    const double bandPoints = rows.empty() ? viewHeight : viewHeight - frames[rows.size() - 1].y;
    const int band = static_cast<int>(std::lround(bandPoints * scale));

    Scrolled part;
    part.scroll = makeScrollArea();
    part.scroll->setWidgetResizable(false);
    part.needed = band;
    const int width = view->width();
    grid->removeWidget(view);
    if (rows.empty()) {
        part.scroll->setWidget(view);
        part.scroll->setFixedWidth(width + scrollBarWidth(part.scroll));
        part.inGrid = part.scroll;
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
            if (std::find(rows.begin(), rows.end(), child) != rows.end()) continue;
            QWidget* widget = static_cast<QtViewNode*>(child)->widget();
            const QPoint at = widget->pos();
            widget->setParent(under);
            widget->move(at.x(), at.y() - band);
            widget->show();
        }
        part.below = view->height() - band;
        under->setFixedSize(width, part.below);
        view->setFixedSize(width, band);
        part.scroll->setWidget(view);
        part.scroll->setFixedWidth(width + scrollBarWidth(part.scroll));
        column->addWidget(part.scroll, 0, Qt::AlignLeft | Qt::AlignTop);
        column->addWidget(under, 0, Qt::AlignLeft | Qt::AlignTop);
        holder->setFixedWidth(part.scroll->width());
        part.inGrid = holder;
    }
    grid->addWidget(part.inGrid, accessoryRow, 1, Qt::AlignLeft);
    return part;
}

}  // namespace

// An alert taller than the screen it opens on (the one under the pointer,
// where Qt centres it) would push the buttons out of reach. The parts that
// can be long scroll instead, each in its own place: the accessory view (only
// its rows, where it starts with a list of them, so that what stands under
// them stays in view) and a long informative text. Their heights come from
// the screen, not from their content, so that the alert fits however long
// the list or the text.
void QtAlert::fitToScreen(QGridLayout* grid, int accessoryRow, QLabel* informative) {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    constexpr int kTitleBar = 40;  // the window manager's frame, not known before showing
    const int available = screen->availableGeometry().height() - kTitleBar;
    grid->activate();
    if (dialog_->sizeHint().height() <= available) return;

    const int minimum = static_cast<int>(std::lround(kMinimumScrolledHeight * pointScale()));
    std::vector<Scrolled> parts;
    // How much the alert overflows with every scrolled part at its smallest.
    auto overflowAtSmallest = [&] {
        for (const Scrolled& part : parts) part.setVisible(std::min(minimum, part.needed));
        grid->activate();
        return dialog_->sizeHint().height() - available;
    };

    // A long text scrolls first: it is what made the alert long, and the
    // controls under it then keep their place.
    if (informative && informative->heightForWidth(informative->width()) > minimum) {
        Scrolled text;
        text.scroll = makeScrollArea();
        text.needed = informative->heightForWidth(informative->width());
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(informative), &row, &column, &rows, &columns);
        grid->removeWidget(informative);
        text.scroll->setWidgetResizable(true);
        text.scroll->setWidget(informative);
        text.scroll->setFixedWidth(informative->width() + scrollBarWidth(text.scroll));
        text.inGrid = text.scroll;
        grid->addWidget(text.scroll, row, column, Qt::AlignLeft);
        parts.push_back(text);
    }
    if ((parts.empty() || overflowAtSmallest() > 0) && accessory_) {
        parts.push_back(scrollAccessory(*accessory_, grid, accessoryRow));
    }
    if (parts.empty()) return;

    // Share out the room left beside the smallest parts: the list first, up
    // to half of it when the text scrolls too, then the text.
    int room = -overflowAtSmallest();
    for (const Scrolled& part : parts) room += std::min(minimum, part.needed);
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        const bool last = std::next(it) == parts.rend();
        const int share = last ? room : std::max(minimum, room / 2);
        const int visible = std::clamp(share, std::min(minimum, it->needed), it->needed);
        it->setVisible(visible);
        room -= visible;
    }
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

    // The icon takes 64 points, drawn at the screen's own pixel density.
    const int side = static_cast<int>(std::lround(64 * pointScale()));
    const qreal density = dialog_->devicePixelRatioF();
    const int deviceSide = static_cast<int>(std::lround(side * density));
    QPixmap pixmap;
    if (!icon_.isNull()) {
        pixmap = QPixmap::fromImage(
            icon_.scaled(deviceSide, deviceSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        dialog_->setWindowIcon(QIcon(QPixmap::fromImage(icon_)));
    } else {
        const auto standard = style_ == kAlertStyleInformational ? QStyle::SP_MessageBoxInformation
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
    icon->setAccessibleName(style_ == kAlertStyleInformational ? "Information" : "Warning");
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);

    const int accessoryWidth = accessory_ ? accessory_->widget()->width() : 0;
    const int textWidth = std::max(static_cast<int>(std::lround(380 * pointScale())), accessoryWidth);

    auto* message = new AlertText(messageText_);
    message->setFixedWidth(textWidth);
    QFont bold = message->font();
    bold.setBold(true);
    // A desktop font may be given in pixels; its real size is asked for.
    bold.setPointSizeF(QFontInfo(bold).pointSizeF() + 1);
    message->setFont(bold);
    grid->addWidget(message, 0, 1);

    int row = 1;
    QLabel* informative = nullptr;
    if (!informativeText_.isEmpty()) {
        informative = new AlertText(informativeText_);
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

    // Tab runs through the accessory view's controls in reading order, then
    // the buttons from the first, then the texts.
    QWidget* previous = nullptr;
    auto chain = [&](QWidget* next) {
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    };
    if (accessory_) {
        for (const PlacedNode& placed : inReadingOrder(*accessory_)) {
            QWidget* widget = static_cast<QtViewNode*>(placed.node)->widget();
            if (widget && (widget->focusPolicy() & Qt::TabFocus)) chain(widget);
        }
    }
    for (QPushButton* button : buttons_) chain(button);
    chain(message);
    if (informative) chain(informative);

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
