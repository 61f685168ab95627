#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;

// The frame both help windows share: a modal dialog of a fixed client size with no minimize or
// maximize button, the program icon, centred on the screen, closed by its OK button or its
// close box but never by Escape. Callers make a fresh one for every showing and hand it to
// platform::showModal(), which deletes it once closed, so closing it leaves nothing behind.
class FixedDialog : public QDialog
{
    Q_OBJECT
public:
    void setVisible(bool visible) override;

protected:
    FixedDialog(const QSize &clientSize, QWidget *parent);

    // A label that sizes itself to its text, growing right and down from topLeft; without a
    // font of its own it keeps the window's standard font.
    QLabel *addLabel(const QString &name, const QString &text, const QPoint &topLeft,
                     const std::optional<QFont> &font = std::nullopt);
    // The window's one button: it takes the focus and accepts the dialog.
    QPushButton *addOkButton(const QRect &geometry);
    QFont boldFont(qreal pointSize) const;

    void keyPressEvent(QKeyEvent *event) override;
};
