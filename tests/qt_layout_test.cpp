// The alert at the desktop's font sizes and with hard names: every text fits
// its control, long names are cut visibly and read whole, and locked boxes
// are still announced.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "enroll/enroll_dialog.h"
#include "setup/setup_dialogs.h"
#include "ui/qt/qt_application.h"
#include "ui/qt/qt_checkbox_widget.h"

namespace {

using Show = std::function<void(const ui::DialogContext&)>;

// Shows the dialog and, once it is up, lets `look` inspect it; then presses
// the button added last, which ends every dialog without asking again.
void inspect(ui::Application& app, const Show& show, const std::function<void(QDialog*)>& look) {
    QTimer::singleShot(0, [&] {
        QDialog* dialog = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QDialog*>(widget); d && d->isVisible()) dialog = d;
        }
        if (!dialog) return ADD_FAILURE() << "no alert on screen";
        look(dialog);
        QPushButton* last = nullptr;
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (!last || button->x() < last->x()) last = button;
        }
        last->click();
    });
    std::FILE* out = std::tmpfile();
    show({app, out, std::nullopt});
    std::fclose(out);
}

QString describe(const QWidget* widget) {
    if (auto* box = qobject_cast<const QCheckBox*>(widget)) return "checkbox " + box->text();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return "label " + label->text();
    return "field " + widget->objectName();
}

TEST(QtLayout, EveryTextFitsItsControlAtTheDefaultAndALargeFont) {
    const Show dialogs[] = {
        [](auto& c) { setup::showClientSetupDialog(c, "auto_install", {"Claude Desktop", "Cursor"}); },
        [](auto& c) { setup::showClientSetupDialog(c, "enforce_all", {"Claude Desktop"}); },
        [](auto& c) { setup::showNoClientsDialog(c, "detect_only"); },
        [](auto& c) { setup::showMigrateDialog(c, {"filesystem", "github"}); },
        [](auto& c) { enroll::showEnrollDialog(c, "That code has expired."); },
        [](auto& c) { setup::showEnforcementErrorDialog(c, "disable"); },
    };
    for (const int pixels : {0, 20}) {
        auto app = ui::qt::makeApplication();
        app->makeView({0, 0, 1, 1});  // starts Qt, with the desktop's font
        const QFont original = QApplication::font();
        QFont font = original;
        if (pixels) font.setPixelSize(pixels);
        QApplication::setFont(font);
        for (const Show& show : dialogs) {
            inspect(*app, show, [&](QDialog* dialog) {
                for (QWidget* widget : dialog->findChildren<QWidget*>()) {
                    if (!widget->isVisible()) continue;
                    const QSize size = widget->size();
                    SCOPED_TRACE(describe(widget).toStdString() + " at font " + std::to_string(pixels));
                    if (auto* label = qobject_cast<QLabel*>(widget); label && label->wordWrap()) {
                        EXPECT_LE(label->heightForWidth(size.width()), size.height());
                    } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
                        EXPECT_LE(field->minimumSizeHint().height(), size.height());
                    } else if (auto* box = dynamic_cast<ui::qt::AlertCheckBox*>(widget)) {
                        // Short titles are shown whole, never cut to fit.
                        EXPECT_EQ(box->shownText(), box->fullText());
                        EXPECT_LE(box->sizeHint().height(), size.height());
                    } else if (qobject_cast<QLabel*>(widget)) {
                        EXPECT_LE(widget->sizeHint().width(), size.width());
                        EXPECT_LE(widget->sizeHint().height(), size.height());
                    }
                }
            });
        }
        QApplication::setFont(original);
    }
}

TEST(QtLayout, ALongNameEndsInAnEllipsisAndIsReadWhole) {
    const std::string longLatin = "Extremely Long Application Name That Goes On " + std::string(40, 'x');
    // Arabic: its first words must stay, cut at its own end.
    const QString arabic = QString::fromUtf8("تطبيق الذكاء الاصطناعي للمساعدة في كتابة البرمجيات والمستندات الطويلة جدا");
    const std::vector<std::string> names = {"Cursor", longLatin, arabic.toStdString(), "rlo\u202Eexe.txt"};
    auto app = ui::qt::makeApplication();
    inspect(*app, [&](auto& c) { setup::showMigrateDialog(c, names); }, [&](QDialog* dialog) {
        const auto boxes = dialog->findChildren<ui::qt::AlertCheckBox*>();
        ASSERT_EQ(boxes.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const QString full = QString::fromStdString(names[i]);
            EXPECT_EQ(boxes[i]->accessibleName(), full);
        }
        EXPECT_EQ(boxes[0]->shownText(), "Cursor");
        EXPECT_TRUE(boxes[0]->toolTip().isEmpty());
        for (int i : {1, 2}) {
            // Arabic keeps its last letter joined to the cut with U+200D.
            const QString shown = boxes[i]->shownText().remove(QChar(0x200D));
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
            EXPECT_TRUE(QString::fromStdString(names[i]).startsWith(shown.chopped(1)))
                << shown.toStdString();
            EXPECT_TRUE(boxes[i]->toolTip().contains(QString::fromStdString(names[i])));
        }
        EXPECT_TRUE(boxes[2]->shownText().isRightToLeft());
        // A direction override cannot reorder the name it hides in.
        EXPECT_EQ(boxes[3]->shownText(), QString::fromUtf8("rlo\xEF\xBF\xBD" "exe.txt"));
    });
}

TEST(QtLayout, LockedBoxesStayReachableAndAreAnnouncedCheckedAndUnavailable) {
    auto app = ui::qt::makeApplication();
    inspect(*app, [](auto& c) { setup::showClientSetupDialog(c, "auto_install", {"A", "B"}); },
            [](QDialog* dialog) {
        const auto boxes = dialog->findChildren<ui::qt::AlertCheckBox*>();
        ASSERT_EQ(boxes.size(), 3);
        for (int i : {0, 1}) {
            QAccessibleInterface* box = QAccessible::queryAccessibleInterface(boxes[i]);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->role(), QAccessible::CheckBox);
            EXPECT_TRUE(box->state().checked);
            EXPECT_TRUE(box->state().disabled);
            EXPECT_TRUE(box->state().focusable);
            EXPECT_TRUE(boxes[i]->focusPolicy() & Qt::TabFocus);
            // Neither a click nor a screen reader's toggle unlocks it.
            boxes[i]->click();
            box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            EXPECT_TRUE(boxes[i]->isChecked());
        }
        QAccessibleInterface* automatic = QAccessible::queryAccessibleInterface(boxes[2]);
        EXPECT_FALSE(automatic->state().disabled);
        EXPECT_EQ(automatic->text(QAccessible::Description), "Includes apps you install later.");
    });
}

// A word longer than the text's width (an address, an error text with no
// spaces) wraps inside the word rather than running past the edge, and is
// still copied as given.
TEST(QtLayout, AWordLongerThanTheLineWrapsAndCopiesAsGiven) {
    const std::string url = "https://setup.example.com/enroll/errors/" + std::string(300, 'q') + "?code=E42";
    const std::string texts[] = {"Enrollment failed: see " + url + " for details.",
                                 std::string(100000, 'w')};
    auto app = ui::qt::makeApplication();
    for (const std::string& text : texts) {
        const QString given = QString::fromStdString(text);
        inspect(*app, [&](auto& c) { enroll::showEnrollDialog(c, text); }, [&](QDialog* dialog) {
            QLabel* shown = nullptr;
            for (auto* label : dialog->findChildren<QLabel*>()) {
                if (label->text().contains(given)) shown = label;
            }
            ASSERT_NE(shown, nullptr);
            const int width = shown->width();
            const QFontMetrics metrics(shown->font());
            // No line holds more than the width.
            const int lines = metrics.horizontalAdvance(given) / width + 1;
            EXPECT_GE(shown->heightForWidth(width), lines * metrics.lineSpacing()) << text.size();
            shown->grab();  // drawn, and still as tall
            QApplication::processEvents();
            EXPECT_GE(shown->height(), lines * metrics.lineSpacing()) << text.size();
            shown->setSelection(0, int(shown->text().size()));
            // A selection gives its paragraphs as U+2029.
            EXPECT_EQ(shown->selectedText(), QString(shown->text()).replace('\n', QChar(0x2029)));
        });
    }
}

}  // namespace
