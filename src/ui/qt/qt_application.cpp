#include "ui/qt/qt_application.h"

#include "ui/arena.h"
#include "ui/window_backend.h"
#include "setup_dialog_version.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace ui::qt {

namespace {

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString& text) { return text.toUtf8().toStdString(); }

// Buttons and checkboxes read "&" as a mnemonic marker; callers' titles are
// plain text, so every "&" is doubled to show as itself.
QString plainButtonText(const std::string& title) {
    return toQString(title).replace(QLatin1Char('&'), QLatin1String("&&"));
}

// Where a fatal toolkit message still goes once standard error is silenced.
int fatalMessageFd = -1;

// Qt's own warnings would land on standard error, which a run that shows a
// dialog keeps silent. Only a fatal message, which ends the process, is let
// through.
void silentMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg || fatalMessageFd < 0) return;
    const QByteArray line = "setup-dialog: " + message.toLocal8Bit() + "\n";
    [[maybe_unused]] const auto written = write(fatalMessageFd, line.constData(), line.size());
}

// The libraries under Qt (X, fonts, input methods, accessibility) may write
// to descriptor 2 directly. Once the toolkit starts, that descriptor points
// at /dev/null; the program's own error lines go through a copy made before
// (see main). SETUP_DIALOG_DEBUG=1 keeps everything on standard error.
void silenceToolkitOutput() {
    const char* debug = std::getenv("SETUP_DIALOG_DEBUG");
    if (debug && std::strcmp(debug, "1") == 0) {
        std::fprintf(stderr, "%s\n", setupDialogVersionLine());
        fatalMessageFd = STDERR_FILENO;
        return;
    }
    qInstallMessageHandler(silentMessageHandler);
    fatalMessageFd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDERR_FILENO);
        close(null);
    }
}

// The connection that found the X server answering, kept open until Qt has
// its own: closing it earlier could leave the server with no client, free to
// reset and refuse Qt's connection a moment later (and Qt then aborts).
struct X11Probe {
    void* library = nullptr;
    void* connection = nullptr;
    void (*disconnect)(void*) = nullptr;
} x11Probe;

void closeX11Probe() {
    if (x11Probe.connection) x11Probe.disconnect(x11Probe.connection);
    if (x11Probe.library) dlclose(x11Probe.library);
    x11Probe = {};
}

// Asks the X server named by DISPLAY whether it takes a connection, without
// letting Qt try (Qt aborts the process when it cannot open its display).
bool x11DisplayOpens(const char* display) {
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool opens = false;
    if (connect && hasError && disconnect) {
        void* connection = connect(display, nullptr);
        opens = connection && hasError(connection) == 0;
        if (opens) {
            closeX11Probe();
            x11Probe = {xcb, connection, disconnect};
            return true;
        }
        if (connection) disconnect(connection);
    }
    dlclose(xcb);
    return opens;
}

bool platformPluginInstalled(const QString& name) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/";
    return QFileInfo::exists(folder + "libq" + name + ".so");
}

// Whether Qt will be able to open its platform: Qt ends the process when it
// cannot, so the run finds out first. QT_QPA_PLATFORM may name a list of
// platforms, each with options after a colon; Qt takes the first that starts.
bool platformWillStart() {
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QStringList platforms =
        chosen.isEmpty() ? QStringList{"xcb"} : chosen.split(';', Qt::SkipEmptyParts);
    for (const QString& entry : platforms) {
        const QString name = entry.section(':', 0, 0).trimmed();
        if (name == "xcb") {
            const QByteArray display = qgetenv("DISPLAY");
            if (!display.isEmpty() && x11DisplayOpens(display.constData())) return true;
        } else if (name.startsWith("wayland")) {
            if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && platformPluginInstalled(name)) {
                return true;
            }
        } else if (platformPluginInstalled(name)) {
            return true;
        }
    }
    return false;
}

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

// The Qt side of a view: its widget and its frame in bottom-left coordinates.
// Qt counts y downward from the parent's top, so a widget's geometry follows
// from its frame and its parent's height, and is laid again when either
// changes.
class QtViewNode : public Owned {
public:
    explicit QtViewNode(QWidget* widget) : widget_(widget) {}
    ~QtViewNode() override {
        // Widgets in a parent are deleted with it; a widget never added
        // anywhere is this node's to delete.
        if (widget_ && !widget_->parent()) delete widget_;
    }

    QWidget* widget() const { return widget_; }
    Rect nodeFrame() const { return frame_; }

    void setNodeFrame(Rect frame) {
        frame_ = frame;
        applyGeometry();
    }

    void addChild(QtViewNode& child) {
        if (child.parent_) {
            auto& siblings = child.parent_->children_;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), &child), siblings.end());
        }
        child.parent_ = this;
        children_.push_back(&child);
        child.widget_->setParent(widget_);
        child.applyGeometry();
        child.widget_->show();
    }

private:
    void applyGeometry() {
        if (!widget_) return;
        if (parent_) {
            // Round the edges, not the sizes, so that neighbours stay flush.
            const double parentHeight = parent_->frame_.height;
            const int left = static_cast<int>(std::lround(frame_.x));
            const int right = static_cast<int>(std::lround(frame_.x + frame_.width));
            const int top = static_cast<int>(std::lround(parentHeight - frame_.y - frame_.height));
            const int bottom = static_cast<int>(std::lround(parentHeight - frame_.y));
            widget_->setGeometry(left, top, right - left, bottom - top);
        } else {
            widget_->setFixedSize(static_cast<int>(std::lround(frame_.width)),
                                  static_cast<int>(std::lround(frame_.height)));
        }
        for (QtViewNode* child : children_) child->applyGeometry();
    }

    QPointer<QWidget> widget_;
    Rect frame_;
    QtViewNode* parent_ = nullptr;
    std::vector<QtViewNode*> children_;
};

QtViewNode& nodeOf(View& view) {
    auto* node = dynamic_cast<QtViewNode*>(&view);
    if (!node) std::abort();  // a view from another toolkit: a programming error
    return *node;
}

template <class Interface>
class QtViewOf : public Interface, public QtViewNode {
public:
    explicit QtViewOf(QWidget* widget) : QtViewNode(widget) {}
    void setFrame(Rect frame) override { setNodeFrame(frame); }
    Rect frame() const override { return nodeFrame(); }
    void addSubview(View& subview) override { addChild(nodeOf(subview)); }
};

class QtPlainView final : public QtViewOf<View> {
public:
    explicit QtPlainView(Rect frame) : QtViewOf<View>(new QWidget) { setFrame(frame); }
};

class QtCheckbox final : public QtViewOf<Checkbox> {
public:
    QtCheckbox(const std::string& title, Action action)
        : QtViewOf<Checkbox>(new QCheckBox), title_(title), action_(std::move(action)) {
        box()->setText(plainButtonText(title));
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

    void setEnabled(bool enabled) override { box()->setEnabled(enabled); }
    bool isEnabled() const override { return box()->isEnabled(); }

private:
    QCheckBox* box() const { return static_cast<QCheckBox*>(widget()); }
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

    Size sizeThatFits(Size bounds) const override {
        const QSize hint = widget()->sizeHint();
        if (kind_ != Kind::WrappingLabel) return {double(hint.width()), double(hint.height())};
        const double limit = std::min(bounds.width, double(QWIDGETSIZE_MAX));
        const int width = std::max(1, static_cast<int>(std::floor(limit)));
        const int height = label()->heightForWidth(width);
        return {double(std::min(width, hint.width())),
                std::min(bounds.height, double(height >= 0 ? height : hint.height()))};
    }

private:
    QLabel* label() const { return qobject_cast<QLabel*>(widget()); }

    static QWidget* makeWidget(Kind kind) {
        if (kind == Kind::Field) return new QLineEdit;
        auto* label = new QLabel;
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(kind == Kind::WrappingLabel);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    QLineEdit* lineEdit() const { return qobject_cast<QLineEdit*>(widget()); }

    Kind kind_;
};

class QtMenu;

class QtMenuItem final : public MenuItem, public Owned {
public:
    QtMenuItem(std::string title, MenuAction action, std::string key)
        : title(std::move(title)), action(action), key(std::move(key)) {}

    void setTarget(std::nullptr_t) override {}  // the first responder is the only target
    void setKeyEquivalentModifierMask(unsigned long value) override { mask = value; }
    void setAlternate(bool value) override { alternate = value; }
    void setSubmenu(Menu& menu) override;

    std::string title;
    MenuAction action;
    std::string key;
    unsigned long mask = kEventModifierFlagCommand;
    bool alternate = false;
    QtMenu* submenu = nullptr;
};

class QtMenu final : public Menu, public Owned {
public:
    QtMenu(std::string title, Arena& arena)
        : title(std::move(title)), arena_(arena) {}

    MenuItem& addItemWithTitle(const std::string& itemTitle, MenuAction action,
                               const std::string& keyEquivalent) override {
        auto item = std::make_unique<QtMenuItem>(itemTitle, action, keyEquivalent);
        QtMenuItem& ref = arena_.own(std::move(item));
        items.push_back(&ref);
        return ref;
    }

    void addItem(MenuItem& item) override { items.push_back(&static_cast<QtMenuItem&>(item)); }

    std::string title;
    std::vector<QtMenuItem*> items;

private:
    Arena& arena_;
};

void QtMenuItem::setSubmenu(Menu& menu) { submenu = &static_cast<QtMenu&>(menu); }

// On Linux both Command and Control mean Ctrl.
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

// Sends a standard editing action to the widget with the keyboard focus.
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

class AlertDialog final : public QDialog {
public:
    QPushButton* cancelButton = nullptr;

protected:
    // Escape presses "Cancel" where there is one and does nothing otherwise:
    // an alert is never dismissed without an answer the dialog knows.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
            if (cancelButton) cancelButton->click();
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

class QtApplicationImpl;

class QtAlert;

class QtWindow final : public Window {
public:
    explicit QtWindow(QtAlert& alert) : alert_(alert) {}
    void setLevel(int level) override;
    void makeFirstResponder(View& view) override;

private:
    QtAlert& alert_;
};

class QtAlert final : public Alert, public Owned {
public:
    explicit QtAlert(QtApplicationImpl& app) : app_(app), window_(*this) {
        dialog_ = new AlertDialog;
        dialog_->setSizeGripEnabled(false);
    }
    ~QtAlert() override { delete dialog_; }

    void setMessageText(const std::string& text) override { messageText_ = toQString(text); }
    void setInformativeText(const std::string& text) override { informativeText_ = toQString(text); }
    void setAlertStyle(int style) override { style_ = style; }
    void setIcon(const Image& icon) override { icon_ = static_cast<const QtImage&>(icon).image; }

    void addButtonWithTitle(const std::string& title) override {
        const int result = kAlertFirstButtonReturn + static_cast<int>(buttons_.size());
        auto* button = new QPushButton(plainButtonText(title), dialog_);
        button->setAccessibleName(toQString(title));
        button->setAutoDefault(false);
        if (buttons_.empty()) button->setDefault(true);
        if (title == "Cancel" && !dialog_->cancelButton) dialog_->cancelButton = button;
        QObject::connect(button, &QPushButton::clicked, dialog_, [this, result] { dialog_->done(result); });
        buttons_.push_back(button);
    }

    void setAccessoryView(View& view) override { accessory_ = &nodeOf(view); }

    void layout() override;
    Window& window() override { return window_; }
    long runModal() override;

    void setFloating(bool floating) { dialog_->setWindowFlag(Qt::WindowStaysOnTopHint, floating); }
    void setFirstResponder(QWidget* widget) { firstResponder_ = widget; }

private:
    void installMenuShortcuts();
    void labelFieldsByCaptions(QWidget* container);
    void fitAccessoryToScreen(QGridLayout* grid, int accessoryRow);

    QtApplicationImpl& app_;
    QtWindow window_;
    AlertDialog* dialog_;
    QString messageText_;
    QString informativeText_;
    int style_ = kAlertStyleWarning;
    QImage icon_;
    std::vector<QPushButton*> buttons_;
    QtViewNode* accessory_ = nullptr;
    QPointer<QWidget> firstResponder_;
    bool laidOut_ = false;
};

void QtWindow::setLevel(int level) { alert_.setFloating(level >= kFloatingWindowLevel); }

void QtWindow::makeFirstResponder(View& view) { alert_.setFirstResponder(nodeOf(view).widget()); }

class QtApplicationImpl final : public Application {
public:
    ~QtApplicationImpl() override {
        // Widgets first, the Qt application object last.
        arena_.clear();
        closeX11Probe();
    }

    void setActivationPolicy(int) override {}  // every Qt program is a regular one
    void setMainMenu(Menu& menu) override { mainMenu_ = &static_cast<QtMenu&>(menu); }
    void activateIgnoringOtherApps(bool) override { activationRequested_ = true; }

    // Asked once when the backend is chosen and again before the dialog: the
    // display is probed only the first time.
    bool canShowWindows() override {
        if (qApp) return true;
        if (!platformStarts_) platformStarts_ = platformWillStart();
        return *platformStarts_;
    }

    Alert& makeAlert() override {
        ensureQt();
        return arena_.own(std::make_unique<QtAlert>(*this));
    }

    View& makeView(Rect frame) override {
        ensureQt();
        return arena_.own(std::make_unique<QtPlainView>(frame));
    }

    Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) override {
        ensureQt();
        return arena_.own(std::make_unique<QtCheckbox>(title, std::move(action)));
    }

    TextField& makeLabel(const std::string& text) override {
        ensureQt();
        return arena_.own(std::make_unique<QtTextField>(QtTextField::Kind::Label, text));
    }

    TextField& makeWrappingLabel(const std::string& text) override {
        ensureQt();
        return arena_.own(std::make_unique<QtTextField>(QtTextField::Kind::WrappingLabel, text));
    }

    TextField& makeTextField(Rect frame) override {
        ensureQt();
        auto& field = arena_.own(std::make_unique<QtTextField>(QtTextField::Kind::Field, ""));
        field.setFrame(frame);
        return field;
    }

    const Font& systemFontOfSize(double size) override {
        ensureQt();
        QFont font = QApplication::font();
        font.setPointSizeF(size);
        return arena_.own(std::make_unique<QtFont>(font));
    }

    double smallSystemFontSize() override {
        ensureQt();
        return std::max(7.0, QApplication::font().pointSizeF() - 1.0);
    }

    const Font& monospacedSystemFontOfSize(double size, FontWeight) override {
        ensureQt();
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(size);
        font.setWeight(QFont::Normal);
        return arena_.own(std::make_unique<QtFont>(font));
    }

    const Color& secondaryLabelColor() override {
        ensureQt();
        // The platform's secondary text: the text colour, partly transparent.
        QColor color = QApplication::palette().color(QPalette::Active, QPalette::WindowText);
        color.setAlphaF(0.6f);
        return arena_.own(std::make_unique<QtColor>(color));
    }

    const Image* imageWithContentsOfFile(const std::string& path) override {
        ensureQt();
        // Only a regular file: a pipe or a device under that name would block
        // the read, and the alert would never appear.
        const QFileInfo file(toQString(path));
        if (!file.isFile()) return nullptr;
        QImage image;
        if (!image.load(file.filePath())) return nullptr;
        return &arena_.own(std::make_unique<QtImage>(std::move(image)));
    }

    Menu& makeMenu(const std::string& title) override {
        return arena_.own(std::make_unique<QtMenu>(title, arena_));
    }

    MenuItem& makeMenuItem(const std::string& title, MenuAction action,
                           const std::string& keyEquivalent) override {
        return arena_.own(std::make_unique<QtMenuItem>(title, action, keyEquivalent));
    }

    MenuItem& separatorItem() override {
        return arena_.own(std::make_unique<QtMenuItem>("", MenuAction::None, ""));
    }

    const QtMenu* mainMenu() const { return mainMenu_; }
    bool activationRequested() const { return activationRequested_; }

private:
    void ensureQt() {
        if (qt_) return;
        silenceToolkitOutput();
        // The Qt application object is made from the program name alone: the
        // items on the command line are the parent's data, never Qt options.
        static int argc = 1;
        static char name[] = "setup-dialog";
        static char* argv[] = {name, nullptr};
        qt_ = std::make_unique<QApplication>(argc, argv);
        closeX11Probe();
        QApplication::setQuitOnLastWindowClosed(false);
    }

    std::unique_ptr<QApplication> qt_;
    Arena arena_;
    QtMenu* mainMenu_ = nullptr;
    bool activationRequested_ = false;
    std::optional<bool> platformStarts_;
};

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
    scroll->setFixedSize(view->width() + bar + frame, std::max(120, view->height() + frame - overflow));
    grid->addWidget(scroll, accessoryRow, 1, Qt::AlignLeft);
}

// A caption stands left of its field with its top edge level with the
// field's: that caption names the field for assistive technology.
void QtAlert::labelFieldsByCaptions(QWidget* container) {
    const auto fields = container->findChildren<QLineEdit*>();
    const auto labels = container->findChildren<QLabel*>();
    for (QLineEdit* field : fields) {
        if (!field->accessibleName().isEmpty()) continue;
        const QRect box = field->geometry();
        QLabel* best = nullptr;
        for (QLabel* label : labels) {
            if (label->parentWidget() != field->parentWidget() || label->buddy()) continue;
            const QRect lb = label->geometry();
            if (lb.right() < box.left() && std::abs(lb.top() - box.top()) <= 8 &&
                (!best || lb.right() > best->geometry().right())) {
                best = label;
            }
        }
        if (best) best->setBuddy(field);
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
        labelFieldsByCaptions(accessory_->widget());
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

}  // namespace

std::unique_ptr<Application> makeApplication() { return std::make_unique<QtApplicationImpl>(); }

}  // namespace ui::qt

std::unique_ptr<ui::Application> ui::makeWindowApplication() { return qt::makeApplication(); }
