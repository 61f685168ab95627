#include "dialogs/frmhelp.h"

#include <QFontInfo>
#include <QLabel>
#include <QPushButton>

namespace {
// Below this the rules would no longer be worth reading; the box may clip rather than go lower.
constexpr int kSmallestRulesPixelSize = 8;
} // namespace

// Positions are logical pixels: the layout's twips divided by 15 and rounded.
frmHelp::frmHelp(QWidget *parent) : FixedDialog(QSize(278, 386), parent)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral(" Правила игры Зорбуны"));

    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("Правила игры Зорбуны"),
                      QPoint(17, 8), boldFont(9.75));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(17, 40, 244, 297);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setWordWrap(true);
    // Plain text draws each CR as a blank and breaks at its LF, so the label keeps the exact text.
    Label2->setTextFormat(Qt::PlainText);

    OKButton = addOkButton(QRect(99, 352, 81, 25));

    load();
    fitRulesText();
}

void frmHelp::load()
{
    const QString crlf = QStringLiteral("\r\n");
    Label2->setText(
        QStringLiteral("    Цель игры - выстроить в ряд от 5 до 7 x (o) по горизонтали, вертикали "
                       "или диагоналям.") +
        crlf +
        QStringLiteral("    Перед началом игры можно выбрать в пункте меню \"Условие\" минимально "
                       "необходимое число x (o) (по умолчанию 5) в ряду для выигрыша. Во время "
                       "игры это число изменить нельзя.") +
        crlf +
        QStringLiteral("    Игрок начинает первым и играет \"x\". Программа играет \"o\", мешает "
                       "игроку и тоже пытается выстроить свой ряд. Выигрывает тот, кто сумеет "
                       "сделать это первым. При выигрыше ряд подсвечивается цветом и игровое поле "
                       "блокируется. ") +
        crlf +
        QStringLiteral("    Для начала новой игры нужно выбрать в пункте меню \"Игра\" команду "
                       "\"Новая игра\". Новую игру можно начать и не заканчивая старую. Время игры "
                       "начинает отсчитываться после первого хода.") +
        crlf +
        QStringLiteral("    Для выхода из игры нужно выбрать в пункте меню \"Игра\" команду "
                       "\"Выход\".") +
        crlf + crlf);
}

// The box was laid out for a narrow bitmap font; common standard fonts such as DejaVu Sans run
// wider and the rules overflow it. Step the text down a pixel at a time until all of it fits.
void frmHelp::fitRulesText()
{
    QFont font = Label2->font();
    for (int pixels = QFontInfo(font).pixelSize();
         pixels > kSmallestRulesPixelSize &&
         Label2->heightForWidth(Label2->width()) > Label2->height();) {
        font.setPixelSize(--pixels);
        Label2->setFont(font);
    }
}
