#include "main_window/deskbutton.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// The face a style paints on a button whatever the palette says, or an invalid
// colour if it paints the palette's. The Windows style draws the system's own
// light face, so a dark palette's light text would vanish on it. Asked once
// per style: a button on a black palette is drawn off screen and its middle
// looked at.
QColor ownFace(const QStyle *style)
{
    static QPointer<const QStyle> asked;
    static QColor face;
    if (asked != style) {
        QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QStyleOptionButton option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | QStyle::State_Raised;
        option.palette.setColor(QPalette::Button, Qt::black);
        {
            QPainter painter(&image);
            style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter);
        }
        asked = style;
        const QColor middle = image.pixelColor(12, 12);
        face = middle.lightness() < 64 ? QColor() : middle;
    }
    return face;
}

bool isLight(const QColor &colour)
{
    return colour.lightness() > 127;
}

} // namespace

DeskButton::DeskButton(int row, int column, QWidget *parent)
    : QPushButton(parent), m_row(row), m_column(column)
{
}

void DeskButton::setFaceColour(const QColor &colour)
{
    if (colour == m_face)
        return;
    m_face = colour;
    update();
}

void DeskButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (!m_face.isValid()) {
        // Text the palette meant for its own dark face goes black on a light
        // face of the style's own, and the other way round.
        const QColor face = ownFace(style());
        if (face.isValid()) {
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                if (isLight(option.palette.color(group, QPalette::ButtonText)) == isLight(face))
                    option.palette.setColor(group, QPalette::ButtonText,
                                            isLight(face) ? Qt::black : Qt::white);
            }
        }
        painter.drawControl(QStyle::CE_PushButton, option);
        return;
    }
    // The face is pure green or red whatever the desktop's colours; a dark
    // palette's light button text would all but vanish on it, black does not.
    option.palette.setColor(QPalette::ButtonText, Qt::black);
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
