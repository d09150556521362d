// The Qt backend under data that a careless parent or user can hand it: a
// huge paste, and an enrollment rejected again and again with a large icon.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>

#include "enroll/enroll_dialog.h"
#include "setup/setup_dialogs.h"
#include "ui/qt/qt_application.h"

namespace {

QDialog* visibleDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    }
    return nullptr;
}

// Buttons in the order added: the first stands rightmost.
QList<QPushButton*> buttonsInOrder(QDialog* dialog) {
    auto buttons = dialog->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() > b->x(); });
    return buttons;
}

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4;
}

// Plays each pass of the enrollment dialog with `act`, which gets the pass
// number and the dialog.
std::string runEnroll(ui::Application& app, const std::optional<std::string>& execDir,
                      std::function<void(int, QDialog*)> act) {
    app.makeView({0, 0, 1, 1});  // starts Qt, which the timer below needs
    int pass = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // A released pass's dialog may leave its address to the next one.
        QDialog* dialog = visibleDialog();
        if (!dialog || dialog->property("played").toBool()) return;
        dialog->setProperty("played", true);
        act(++pass, dialog);
    });
    timer.start(5);
    std::FILE* out = std::tmpfile();
    enroll::showEnrollDialog({app, out, execDir}, "");
    std::string record;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) record.push_back(static_cast<char>(c));
    std::fclose(out);
    return record;
}

TEST(QtHostile, APasteOfFortyThousandCharactersArrivesWhole) {
    auto app = ui::qt::makeApplication();
    const QString code = "dk_" + QString(40000, QChar('7'));
    const std::string record = runEnroll(*app, std::nullopt, [&](int, QDialog* dialog) {
        QApplication::clipboard()->setText(code);
        auto* field = dialog->findChildren<QLineEdit*>().front();
        field->setFocus();
        field->paste();
        buttonsInOrder(dialog).front()->click();
    });
    EXPECT_EQ(record.size(), code.size() + 2);
    EXPECT_TRUE(record == code.toStdString() + "\n\n");
}

// Every rejected pass used to keep its alert and a decoded copy of the icon
// (16 MiB for this one) until the run ended.
TEST(QtHostile, MemoryStaysFlatOverRejectedPasses) {
    QTemporaryDir folder;
    auto app = ui::qt::makeApplication();
    QImage icon(2048, 2048, QImage::Format_ARGB32);
    icon.fill(Qt::darkBlue);
    ASSERT_TRUE(icon.save(folder.filePath("icon.png")));
    long atThird = 0, atLast = 0;
    qsizetype widgetsAtThird = 0, widgetsAtLast = 0;
    const std::string record =
        runEnroll(*app, folder.path().toStdString(), [&](int pass, QDialog* dialog) {
            if (pass == 3) {
                atThird = residentKiB();
                widgetsAtThird = QApplication::allWidgets().size();
            }
            if (pass == 12) {
                atLast = residentKiB();
                widgetsAtLast = QApplication::allWidgets().size();
                buttonsInOrder(dialog).back()->click();  // Cancel
                return;
            }
            buttonsInOrder(dialog).front()->click();  // empty fields: rejected
        });
    EXPECT_EQ(record, "false\n");
    EXPECT_EQ(widgetsAtLast, widgetsAtThird);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory back on purpose.
    EXPECT_LT(atLast - atThird, 8 * 1024) << "KiB grown from pass 3 to pass 12";
#endif
}

// Whatever the parent passes, the alert fits its screen with its fields and
// buttons on it: a long error text scrolls in its place, and so does a list
// of any length.
TEST(QtHostile, TheAlertFitsTheScreenWhateverItHolds) {
    std::string sixtyLines;
    for (int i = 0; i < 60; ++i) sixtyLines += "The server turned the code down for reason " + std::to_string(i) + ".\n";
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i) names.push_back("tool " + std::to_string(i));
    const std::function<void(const ui::DialogContext&)> dialogs[] = {
        [&](auto& c) { enroll::showEnrollDialog(c, sixtyLines); },
        [&](auto& c) { setup::showMigrateDialog(c, names); },
        [&](auto& c) { setup::showClientSetupDialog(c, "auto_install", names); },
    };
    auto app = ui::qt::makeApplication();
    app->makeView({0, 0, 1, 1});
    for (const auto& show : dialogs) {
        QTimer::singleShot(0, [] {
            QDialog* dialog = visibleDialog();
            ASSERT_NE(dialog, nullptr);
            const QRect screen = dialog->screen()->availableGeometry();
            EXPECT_LE(dialog->height() + 40, screen.height());
            // Every field and button lies inside the alert, not scrolled away.
            const QRect inside = dialog->rect();
            for (QWidget* control : dialog->findChildren<QWidget*>()) {
                if (!qobject_cast<QPushButton*>(control) && !qobject_cast<QLineEdit*>(control)) continue;
                const QRect box(control->mapTo(dialog, QPoint(0, 0)), control->size());
                EXPECT_TRUE(inside.contains(box)) << box.y() << " in " << inside.height();
            }
            buttonsInOrder(dialog).back()->click();
        });
        std::FILE* out = std::tmpfile();
        show({*app, out, std::nullopt});
        std::fclose(out);
    }
}

}  // namespace
