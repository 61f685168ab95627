#include "main_window/deskbutton.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

DeskButton::DeskButton(QWidget *parent) : QPushButton(parent) {}

void DeskButton::setFaceColour(const QColor &colour)
{
    if (colour == m_face)
        return;
    m_face = colour;
    update();
}

void DeskButton::paintEvent(QPaintEvent *event)
{
    if (!m_face.isValid()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    painter.fillRect(option.rect.adjusted(frame, frame, -frame, -frame), m_face);
    painter.drawControl(QStyle::CE_PushButtonLabel, option);
}

void DeskButton::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            click();
            return;
        }
    }
    QPushButton::keyPressEvent(event);
}

void DeskButton::focusInEvent(QFocusEvent *event)
{
    raise();
    QPushButton::focusInEvent(event);
}
