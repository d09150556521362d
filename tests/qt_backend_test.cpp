// The Qt backend with real widgets on the offscreen platform.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "ui/edit_menu.h"
#include "ui/alert/input_guard.h"
#include "ui/qt/qt_application.h"
#include "ui/qt/qt_platform.h"

namespace {

QDialog* shownAlert() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    }
    return nullptr;
}

QPushButton* button(QDialog* dialog, const QString& name) {
    for (auto* b : dialog->findChildren<QPushButton*>()) {
        if (b->accessibleName() == name) return b;
    }
    return nullptr;
}

// Runs the alert while `user` acts on it once it is on screen and active.
long runWith(ui::Alert& alert, std::function<void(QDialog*)> user) {
    QTimer::singleShot(0, [user] {
        QDialog* dialog = shownAlert();
        if (!dialog) {
            ADD_FAILURE() << "no alert on screen";
            return;
        }
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        user(dialog);
        // A failed assertion returns early; the run must still end.
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the alert was left open";
            dialog->close();
        }
    });
    return alert.runModal();
}

// An alert drops every key until it has been active for a quiet time.
void waitOutTheGuard() {
    QTest::qWait(static_cast<int>(ui::alert::InputGuard::kQuietTime.count()) + 150);
}

void key(QDialog* dialog, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : dialog;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

// QT_QPA_PLATFORM read as Qt reads it, on a machine with the usual plugins
// and an X server and a Wayland compositor that do or do not answer.
TEST(ChoosePlatform, OnlyADisplayThatAnswersAndShowsAWindowIsChosen) {
    const QStringList installed{"xcb",     "wayland", "wayland-egl", "offscreen", "minimal",
                                "eglfs",   "linuxfb", "vnc",         "minimalegl"};
    const struct Case {
        const char* requested;
        bool x11;
        bool wayland;
        const char* chosen;
    } cases[] = {
        // Nothing asked for: X11 first (XWayland too), where on-top holds.
        {"", true, true, "xcb"},
        {"", false, true, "wayland"},
        {"", false, false, ""},
        // One name, in any case, with options kept.
        {"xcb", true, true, "xcb"},
        {"XCB", true, false, "xcb"},
        {"xcb:foo=1:bar", true, false, "xcb:foo=1:bar"},
        {"xcb", false, true, ""},
        {"wayland", true, true, "wayland"},
        {"wayland", true, false, ""},  // a stale socket is not X11
        {"wayland-egl", false, true, "wayland-egl"},
        {"wayland-egl", false, false, ""},
        {"Wayland-EGL:x=1", false, true, "wayland-egl:x=1"},
        // Names no plugin answers to; Qt would end the process on them.
        {"wayland-generic", true, true, ""},
        {"no-such-platform", true, true, ""},
        {" xcb", true, true, ""},
        // Lists: the first that answers, skipping empty entries.
        {"wayland;xcb", true, true, "wayland"},
        {"wayland;xcb", true, false, "xcb"},
        {"wayland-generic;wayland-egl", false, true, "wayland-egl"},
        {";;xcb;", true, false, "xcb"},
        {";", true, true, ""},
        // Platforms that show nothing to a person are no display at all.
        {"offscreen", true, true, ""},
        {"minimal", true, true, ""},
        {"offscreen;xcb", true, false, "xcb"},
        {"vnc", true, true, ""},
        {"eglfs", true, true, ""},
        {"linuxfb", true, true, ""},
        {"minimalegl;wayland", false, true, "wayland"},
    };
    for (const Case& c : cases) {
        int x11Asked = 0;
        const ui::qt::PlatformSurroundings machine{
            [&](const QString& name) { return installed.contains(name); },
            [&] {
                ++x11Asked;
                return c.x11;
            },
            [&] { return c.wayland; },
        };
        EXPECT_EQ(ui::qt::choosePlatform(QString::fromUtf8(c.requested), machine).toStdString(),
                  c.chosen)
            << "QT_QPA_PLATFORM=" << c.requested << " x11=" << c.x11 << " wayland=" << c.wayland;
        // The X server is not bothered for a run that only asks for Wayland.
        if (QString(c.requested).startsWith("wayland") && !QString(c.requested).contains("xcb")) {
            EXPECT_EQ(x11Asked, 0) << c.requested;
        }
    }
}

class QtBackend : public ::testing::Test {
protected:
    void SetUp() override { app->activateIgnoringOtherApps(true); }
    std::unique_ptr<ui::Application> app = ui::qt::makeApplication();
};

TEST_F(QtBackend, ButtonsAnswerInTheOrderAddedAndStandRightToLeft) {
    for (int pressed = 0; pressed < 3; ++pressed) {
        ui::Alert& alert = app->makeAlert();
        alert.setMessageText("Title");
        alert.addButtonWithTitle("Continue");
        alert.addButtonWithTitle("Skip");
        alert.addButtonWithTitle("Cancel");
        alert.layout();
        const long result = runWith(alert, [&](QDialog* dialog) {
            auto* first = button(dialog, "Continue");
            auto* second = button(dialog, "Skip");
            auto* third = button(dialog, "Cancel");
            ASSERT_TRUE(first && second && third);
            EXPECT_GT(first->x(), second->x());
            EXPECT_GT(second->x(), third->x());
            EXPECT_TRUE(first->isDefault());
            EXPECT_EQ(dialog->windowTitle(), "Title");
            (pressed == 0 ? first : pressed == 1 ? second : third)->click();
        });
        EXPECT_EQ(result, 1000 + pressed);
    }
}

TEST_F(QtBackend, ReturnPressesTheFirstButtonAndEscapeOnlyACancelButton) {
    struct Case {
        std::vector<std::string> buttons;
        int key;
        long expected;
    } cases[] = {
        {{"OK"}, Qt::Key_Return, 1000},
        {{"Retry", "Skip", "Cancel"}, Qt::Key_Return, 1000},
        {{"Retry", "Skip", "Cancel"}, Qt::Key_Escape, 1002},
    };
    for (const Case& c : cases) {
        ui::Alert& alert = app->makeAlert();
        for (const auto& title : c.buttons) alert.addButtonWithTitle(title);
        EXPECT_EQ(runWith(alert, [&](QDialog* dialog) {
                      waitOutTheGuard();
                      key(dialog, c.key);
                  }),
                  c.expected);
    }

    // With no "Cancel", Escape leaves the alert up; closing it by the window
    // manager ends the run with no button's code.
    ui::Alert& alert = app->makeAlert();
    alert.addButtonWithTitle("Configure");
    alert.addButtonWithTitle("Skip");
    const long result = runWith(alert, [](QDialog* dialog) {
        waitOutTheGuard();
        key(dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog->isVisible());
        dialog->close();
    });
    EXPECT_EQ(result, ui::kModalResponseCancel);
}

// Keys aimed at another window must not answer an alert that has just taken
// the focus; a click or a screen reader's press must answer it at once.
TEST_F(QtBackend, KeysActOnlyAfterTheAlertHasBeenActiveForAQuietTime) {
    const int quiet = static_cast<int>(ui::alert::InputGuard::kQuietTime.count());
    auto makeAlert = [&]() -> ui::Alert& {
        ui::Alert& alert = app->makeAlert();
        alert.addButtonWithTitle("Configure");
        alert.addButtonWithTitle("Skip");
        return alert;
    };

    // Someone still typing never gets through; a pause, then Return answers.
    long result = runWith(makeAlert(), [&](QDialog* dialog) {
        for (int i = 0; i < 2 * quiet / 100; ++i) {
            key(dialog, i % 2 ? Qt::Key_Return : Qt::Key_Space);
            key(dialog, Qt::Key_C, Qt::ControlModifier);
            ASSERT_TRUE(dialog->isVisible()) << "a key answered after " << 150 * i << " ms";
            QTest::qWait(150);
        }
        waitOutTheGuard();
        key(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(result, ui::kAlertFirstButtonReturn);

    // A click and an accessible press act at once, even right after a key.
    for (bool accessible : {false, true}) {
        result = runWith(makeAlert(), [&](QDialog* dialog) {
            key(dialog, Qt::Key_Return);
            QPushButton* skip = button(dialog, "Skip");
            if (accessible) {
                QAccessible::queryAccessibleInterface(skip)->actionInterface()->doAction(
                    QAccessibleActionInterface::pressAction());
                // The press animates for a moment before it clicks.
                EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, quiet / 2));
            } else {
                QTest::mouseClick(skip, Qt::LeftButton);
            }
        });
        EXPECT_EQ(result, ui::kAlertSecondButtonReturn) << (accessible ? "accessible" : "click");
    }

    // Coming back after another window had the focus starts the guard again.
    result = runWith(makeAlert(), [&](QDialog* dialog) {
        waitOutTheGuard();
        QDialog other;
        other.setWindowModality(Qt::ApplicationModal);
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        waitOutTheGuard();
        other.close();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        key(dialog, Qt::Key_Return);
        ASSERT_TRUE(dialog->isVisible()) << "a key answered as the alert came back";
        waitOutTheGuard();
        key(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(result, ui::kAlertFirstButtonReturn);
}

// A key the way a keyboard sends it: press, any auto-repeats (on X11 as
// release and press pairs), release, with the scan code the platform gives,
// to the window, which hands it on to the focused widget.
void physicalKey(QDialog* dialog, int key, QEvent::Type type, bool repeat, const QString& text = {}) {
    QKeyEvent event(type, key, Qt::NoModifier, 36 + key % 64, key, 0, text, repeat);
    QApplication::sendEvent(dialog->windowHandle(), &event);
}

// A key held from the quiet time answers nothing, however long after it
// repeats or comes up; typing after the quiet time loses no key, though
// each release passes the field and then the alert.
TEST_F(QtBackend, AHeldKeyCountsOnlyWhenPressedAfterTheQuietTime) {
    ui::Alert& alert = app->makeAlert();
    alert.addButtonWithTitle("OK");
    ui::View& view = app->makeView({0, 0, 600, 40});
    ui::TextField& field = app->makeTextField({0, 8, 480, 24});
    view.addSubview(field);
    alert.setAccessoryView(view);
    alert.layout();
    alert.window().makeFirstResponder(field);

    const long result = runWith(alert, [&](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        QTest::qWait(100);
        physicalKey(dialog, Qt::Key_Return, QEvent::KeyPress, false);
        waitOutTheGuard();
        for (int i = 0; i < 3; ++i) {
            physicalKey(dialog, Qt::Key_Return, QEvent::KeyRelease, true);
            physicalKey(dialog, Qt::Key_Return, QEvent::KeyPress, true);
            QTest::qWait(50);
        }
        physicalKey(dialog, Qt::Key_Return, QEvent::KeyRelease, false);
        ASSERT_TRUE(dialog->isVisible()) << "a held Return answered";

        waitOutTheGuard();
        for (const char* letter : {"d", "k"}) {
            const int code = QChar(letter[0]).toUpper().unicode();
            physicalKey(dialog, code, QEvent::KeyPress, false, letter);
            physicalKey(dialog, code, QEvent::KeyRelease, false, letter);
            QTest::qWait(20);
        }
        EXPECT_EQ(edit->text(), "dk");
        physicalKey(dialog, Qt::Key_Return, QEvent::KeyPress, false);
    });
    EXPECT_EQ(result, ui::kAlertFirstButtonReturn);
}

TEST_F(QtBackend, FramesGivenBottomLeftLandTopLeftInQt) {
    ui::View& view = app->makeView({0, 0, 360, 140});
    ui::Checkbox& top = app->makeCheckbox("Top", {});
    top.setFrame({10, 112, 340, 24});
    view.addSubview(top);
    ui::TextField& note = app->makeWrappingLabel("note");
    view.addSubview(note);
    note.setFrame({30, 8, 320, 20});  // framed after being added

    QWidget* viewWidget = nullptr;
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* c = qobject_cast<QCheckBox*>(w); c && c->accessibleName() == "Top") {
            EXPECT_EQ(c->geometry(), QRect(10, 140 - 112 - 24, 340, 24));
            viewWidget = c->parentWidget();
        }
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() == "note") {
            EXPECT_EQ(l->geometry(), QRect(30, 140 - 8 - 20, 320, 20));
        }
    }
    ASSERT_NE(viewWidget, nullptr);
    EXPECT_EQ(viewWidget->size(), QSize(360, 140));

    // A taller parent moves every child down with its bottom edge.
    view.setFrame({0, 0, 360, 200});
    EXPECT_EQ(viewWidget->findChild<QCheckBox*>()->geometry(), QRect(10, 200 - 112 - 24, 340, 24));
}

TEST_F(QtBackend, CheckboxActionFiresOnUserChangesOnlyAndTitlesArePlainText) {
    int fired = 0;
    long seen = -5;
    ui::Checkbox& box = app->makeCheckbox("R&D <b>x</b>", [&](ui::Checkbox& sender) {
        ++fired;
        seen = sender.state();
    });
    box.setState(ui::kControlStateValueOn);
    box.setState(ui::kControlStateValueOff);
    EXPECT_EQ(fired, 0);

    QCheckBox* widget = nullptr;
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* c = qobject_cast<QCheckBox*>(w)) widget = c;
    }
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->accessibleName(), "R&D <b>x</b>");
    // Shows one "&", no markup, isolated from what stands around it.
    EXPECT_EQ(widget->text(), QChar(0x2068) + QString("R&&D <b>x</b>") + QChar(0x2069));
    widget->click();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(seen, ui::kControlStateValueOn);
    // A screen reader toggles through the accessible action, which emits no
    // clicked signal; it must still reach the action.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(seen, ui::kControlStateValueOff);
    // From the mixed state a click gives on, once.
    box.setState(ui::kControlStateValueMixed);
    widget->click();
    EXPECT_EQ(fired, 3);
    EXPECT_EQ(seen, ui::kControlStateValueOn);
    box.setEnabled(false);
    widget->click();
    EXPECT_EQ(fired, 3);
    EXPECT_EQ(box.state(), ui::kControlStateValueOn);
}

TEST_F(QtBackend, WrappingLabelGrowsWithItsText) {
    ui::TextField& shortNote = app->makeWrappingLabel("Includes apps you install later.");
    ui::TextField& longNote = app->makeWrappingLabel(
        "An advanced configuration has Orvex manage every AI app and all of its MCP servers. "
        "An advanced configuration has Orvex manage every AI app and all of its MCP servers.");
    const double one = shortNote.sizeThatFits({320, ui::kUnlimitedHeight}).height;
    const double more = longNote.sizeThatFits({320, ui::kUnlimitedHeight}).height;
    EXPECT_GT(one, 0);
    EXPECT_GT(more, 1.5 * one);
}

TEST_F(QtBackend, EditMenuKeysWorkInTheFocusedField) {
    // The menu tree as the program installs it.
    ui::Menu& main = app->makeMenu("");
    ui::MenuItem& editItem = app->makeMenuItem("Edit", ui::MenuAction::None, "");
    ui::Menu& edit = app->makeMenu("Edit");
    edit.addItemWithTitle("Select All", ui::MenuAction::SelectAll, "a")
        .setKeyEquivalentModifierMask(ui::kEventModifierFlagCommand);
    edit.addItemWithTitle("Copy", ui::MenuAction::Copy, "c")
        .setKeyEquivalentModifierMask(ui::kEventModifierFlagCommand);
    editItem.setSubmenu(edit);
    main.addItem(editItem);
    app->setMainMenu(main);

    ui::Alert& alert = app->makeAlert();
    alert.addButtonWithTitle("OK");
    ui::View& view = app->makeView({0, 0, 600, 96});
    ui::TextField& caption = app->makeLabel("Setup code");
    caption.setFrame({0, 72, 100, 20});
    view.addSubview(caption);
    ui::TextField& field = app->makeTextField({110, 68, 480, 24});
    field.setAccessibilityTitleUIElement(caption);
    field.setStringValue("dk_abc");
    view.addSubview(field);
    alert.setAccessoryView(view);
    alert.layout();
    alert.window().makeFirstResponder(field);

    runWith(alert, [&](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(QApplication::focusWidget(), edit);
        // The caption left of the field names it for assistive technology.
        QLabel* caption = nullptr;
        for (auto* label : dialog->findChildren<QLabel*>()) {
            if (label->text() == "Setup code") caption = label;
        }
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->buddy(), edit);
        waitOutTheGuard();
        key(dialog, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(edit->selectedText(), "dk_abc");
        key(dialog, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "");
        key(dialog, Qt::Key_V, Qt::ControlModifier);
        key(dialog, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "dk_abcdk_abc");
        key(dialog, Qt::Key_Return);
    });
}

// Line breaks are the input the enrollment rules reject by name, so a field
// must hand them back exactly as they were set or pasted; and both fields of
// a two-row form take focus, names and the editing keys.
TEST_F(QtBackend, FieldsKeepLineBreaksAndAnswerTheEditKeys) {
    ui::installEditMenu(*app);
    ui::Alert& alert = app->makeAlert();
    alert.addButtonWithTitle("OK");
    ui::View& view = app->makeView({0, 0, 600, 96});
    ui::TextField* fields[2];
    const char* captions[] = {"Setup code", "Work email"};
    for (int row = 0; row < 2; ++row) {
        ui::TextField& caption = app->makeLabel(captions[row]);
        caption.setFrame({0, 72.0 - 36 * row, 100, 20});
        view.addSubview(caption);
        fields[row] = &app->makeTextField({110, 68.0 - 36 * row, 480, 24});
        fields[row]->setAccessibilityTitleUIElement(caption);
        view.addSubview(*fields[row]);
    }
    ui::TextField& code = *fields[0];
    ui::TextField& email = *fields[1];
    code.setStringValue("dk_a\nb");
    email.setStringValue("kept");
    EXPECT_EQ(code.stringValue(), "dk_a\nb");
    alert.setAccessoryView(view);
    alert.layout();
    // Not the first control in Tab order, so the focus shows it was asked for.
    alert.window().makeFirstResponder(email);

    runWith(alert, [&](QDialog* dialog) {
        auto edits = dialog->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 2);
        for (int row = 0; row < 2; ++row) {
            QAccessibleInterface* named = QAccessible::queryAccessibleInterface(edits[row]);
            ASSERT_NE(named, nullptr);
            EXPECT_EQ(named->text(QAccessible::Name), captions[row]);
        }
        EXPECT_EQ(QApplication::focusWidget(), edits[1]);
        EXPECT_EQ(edits[1]->selectedText(), "kept");

        waitOutTheGuard();
        QClipboard* clipboard = QApplication::clipboard();
        for (const char* pasted : {"a@b\nc", "a\r\nb", "a\u2028b", "\n \n"}) {
            clipboard->setText(QString::fromUtf8(pasted));
            key(dialog, Qt::Key_A, Qt::ControlModifier);
            key(dialog, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(email.stringValue(), pasted);
        }
        key(dialog, Qt::Key_A, Qt::ControlModifier);
        key(dialog, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(clipboard->text(), "\n \n");

        key(dialog, Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(QApplication::focusWidget(), edits[0]);
        key(dialog, Qt::Key_A, Qt::ControlModifier);
        key(dialog, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(code.stringValue(), "");
        EXPECT_EQ(clipboard->text(), "dk_a\nb");
        key(dialog, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(code.stringValue(), "dk_a\nb");
        key(dialog, Qt::Key_Return);
    });
}

// Builds an alert with a list of checkboxes like the client dialogs do.
ui::Alert& checkboxAlert(ui::Application& app, int rows) {
    ui::Alert& alert = app.makeAlert();
    alert.setMessageText("Orvex Setup");
    alert.setInformativeText("Orvex works with these apps. Select the ones you'd like to set up:");
    alert.setAlertStyle(ui::kAlertStyleInformational);
    alert.addButtonWithTitle("Configure");
    alert.addButtonWithTitle("Skip");
    const double height = 28.0 * rows + 8;
    ui::View& view = app.makeView({0, 0, 360, height});
    for (int i = 0; i < rows; ++i) {
        ui::Checkbox& box = app.makeCheckbox("App " + std::to_string(i + 1), {});
        box.setState(ui::kControlStateValueOn);
        box.setFrame({10, height - 28.0 * (i + 1), 340, 24});
        view.addSubview(box);
    }
    alert.setAccessoryView(view);
    return alert;
}

void saveShot(QDialog* dialog, const char* name) {
    if (const char* folder = std::getenv("SETUP_DIALOG_SHOT_DIR")) {
        dialog->grab().save(QString::fromUtf8(folder) + "/" + name);
    }
}

TEST_F(QtBackend, AccessoryViewSitsBetweenTheTextsAndTheButtons) {
    ui::Alert& alert = checkboxAlert(*app, 3);
    alert.layout();
    runWith(alert, [](QDialog* dialog) {
        saveShot(dialog, "checkboxes.png");
        QLabel* text = nullptr;
        for (auto* label : dialog->findChildren<QLabel*>()) {
            if (label->text().startsWith("Orvex works")) text = label;
        }
        ASSERT_NE(text, nullptr);
        QWidget* view = dialog->findChild<QCheckBox*>()->parentWidget();
        const QRect viewBox(view->mapTo(dialog, QPoint(0, 0)), view->size());
        const QRect textBox(text->mapTo(dialog, QPoint(0, 0)), text->size());
        QPushButton* first = button(dialog, "Configure");
        EXPECT_GE(viewBox.top(), textBox.bottom());
        EXPECT_GE(first->mapTo(dialog, QPoint(0, 0)).y(), viewBox.bottom());
        EXPECT_EQ(view->size(), QSize(360, 92));
        // Tab goes through the checkboxes from the top, then the buttons
        // from the first.
        auto boxes = view->findChildren<QCheckBox*>();
        ASSERT_EQ(boxes.size(), 3);
        boxes[0]->setFocus();
        waitOutTheGuard();
        const QWidget* expected[] = {boxes[1], boxes[2], first, button(dialog, "Skip"), boxes[0]};
        for (const QWidget* next : expected) {
            key(dialog, Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), next);
        }
        first->click();
    });
}

TEST_F(QtBackend, AnAccessoryViewTallerThanTheScreenScrollsAndKeepsTheButtonsOnScreen) {
    ui::Alert& alert = checkboxAlert(*app, 80);
    alert.layout();
    const long result = runWith(alert, [](QDialog* dialog) {
        saveShot(dialog, "long-list.png");
        const QRect screen = dialog->screen()->availableGeometry();
        EXPECT_LE(dialog->frameGeometry().height(), screen.height());
        const QPushButton* skip = button(dialog, "Skip");
        const QRect skipOnScreen(skip->mapToGlobal(QPoint(0, 0)), skip->size());
        EXPECT_TRUE(screen.contains(skipOnScreen)) << skipOnScreen.y();
        // The view keeps its own size inside the scroll area.
        EXPECT_EQ(dialog->findChild<QCheckBox*>()->parentWidget()->size(), QSize(360, 28 * 80 + 8));
        waitOutTheGuard();
        key(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(result, ui::kAlertFirstButtonReturn);
}

}  // namespace
