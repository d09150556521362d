#include "ui/qt/qt_checkbox_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "ui/display_text.h"

namespace ui::qt {

namespace {

// "&" would read as a mnemonic marker; the title is plain text.
QString escapedMnemonics(QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); }

// What a screen reader is told of a row's checkbox: a check box, checked or
// not, unavailable while locked; toggling a locked one does nothing.
class AlertCheckBoxAccessible final : public QAccessibleWidget {
public:
    explicit AlertCheckBoxAccessible(AlertCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = box()->checkState() == Qt::Checked;
        state.checkStateMixed = box()->checkState() == Qt::PartiallyChecked;
        if (box()->isLocked()) state.disabled = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && box()->accessibleName().isEmpty()) return box()->fullText();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override { return {toggleAction()}; }

    void doAction(const QString& action) override {
        if (action == toggleAction() && !box()->isLocked()) box()->click();
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    AlertCheckBox* box() const { return static_cast<AlertCheckBox*>(widget()); }
};

QAccessibleInterface* alertCheckBoxInterface(const QString&, QObject* object) {
    if (auto* box = dynamic_cast<AlertCheckBox*>(object)) return new AlertCheckBoxAccessible(box);
    return nullptr;
}

}  // namespace

AlertCheckBox::AlertCheckBox() = default;

void AlertCheckBox::setFullText(const QString& text) {
    fullText_ = text;
    isolated_ = QString::fromStdString(isolatedName(text.toStdString()));
    elide();
}

void AlertCheckBox::setLocked(bool locked) {
    if (locked_ == locked) return;
    locked_ = locked;
    update();
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

QString AlertCheckBox::shownText() const {
    QString shown = text();
    shown.replace(QLatin1String("&&"), QLatin1String("&"));
    return shown.mid(1, shown.size() - 2);  // without the isolate around it
}

void AlertCheckBox::elide() {
    QStyleOptionButton option;
    initStyleOption(&option);
    const int room = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this).width();
    // Eliding at the logical end keeps a name's first words, in either
    // direction.
    // The isolate's marks stay around what is shown.
    const QString inside = isolated_.mid(1, isolated_.size() - 2);
    const QString shown = fontMetrics().elidedText(inside, Qt::ElideRight, std::max(room, 0));
    setText(escapedMnemonics(isolated_.front() + shown + isolated_.back()));
    setToolTip(shown == inside ? QString() : isolated_);
}

void AlertCheckBox::resizeEvent(QResizeEvent* event) {
    QCheckBox::resizeEvent(event);
    elide();
}

void AlertCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (locked_) {
        // Drawn as a disabled box, so that the lock shows.
        option.state &= ~QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    painter.drawControl(QStyle::CE_CheckBox, option);
}

bool AlertCheckBox::hitButton(const QPoint& position) const {
    return !locked_ && QCheckBox::hitButton(position);
}

void AlertCheckBox::keyPressEvent(QKeyEvent* event) {
    if (locked_ && event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    QCheckBox::keyPressEvent(event);
}

void AlertCheckBox::nextCheckState() {
    if (!locked_) QCheckBox::nextCheckState();
}

void installAlertCheckBoxAccessibility() {
    // The newest factory is asked first, and Qt installs its own with each
    // application object: this one goes after it.
    QAccessible::removeFactory(alertCheckBoxInterface);
    QAccessible::installFactory(alertCheckBoxInterface);
}

}  // namespace ui::qt
