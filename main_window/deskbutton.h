#pragma once

#include <QColor>
#include <QPushButton>

// One cell of the board. Its face can carry a plain colour: Fusion and
// similar styles shade a palette colour into a gradient and a style sheet
// drops the platform look, so a coloured cell fills its face itself inside
// the style's own frame. Without a colour it is an ordinary push button,
// whose text stays readable on a face that the style paints whatever the
// palette says.
//
// A cell knows its row and column, counted from 0, so that a screen reader can
// say where it is.
class DeskButton : public QPushButton
{
    Q_OBJECT
public:
    DeskButton(int row, int column, QWidget *parent = nullptr);

    int row() const { return m_row; }
    int column() const { return m_column; }

    // An invalid colour gives back the style's own face.
    void setFaceColour(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;
    // Enter and Return click the focused cell as Space does.
    void keyPressEvent(QKeyEvent *event) override;
    // Neighbouring cells overlap by a pixel; the focused one comes on top so
    // that its whole focus frame shows.
    void focusInEvent(QFocusEvent *event) override;

private:
    const int m_row;
    const int m_column;
    QColor m_face;
};
