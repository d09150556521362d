// The checkbox widget of the Qt backend. Beyond a plain
// QCheckBox it shows a title too long for its row cut with "…" (the whole
// title in the tooltip and the accessible name), and it can be locked: shown
// and announced as unavailable, but still reachable by Tab, so that a
// screen-reader user hears which boxes are locked and how.
#pragma once

#include <QCheckBox>
#include <QString>

namespace ui::qt {

class AlertCheckBox final : public QCheckBox {
public:
    AlertCheckBox();

    void setFullText(const QString& text);
    const QString& fullText() const { return fullText_; }

    void setLocked(bool locked);
    bool isLocked() const { return locked_; }

    // The title as shown, cut to the row and without the isolate's marks;
    // the whole title when it fits.
    QString shownText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override;

private:
    void elide();

    QString fullText_;
    QString isolated_;  // as shown whole: see isolatedName
    bool locked_ = false;
};

// Makes the accessibility interface of every AlertCheckBox report its lock;
// called once the application object exists.
void installAlertCheckBoxAccessibility();

}  // namespace ui::qt
