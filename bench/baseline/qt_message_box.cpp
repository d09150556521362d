// A bare Qt message box with the enforcement error's title and text: the
// floor setup-dialog's window is measured against.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMessageBox::warning(nullptr, "Orvex Setup",
                         "Orvex couldn't turn on automatic setup. To try again later, run: "
                         "orvex config set drift-enforcement auto_install");
    return 0;
}
