#include "dialogs/frmabout.h"

#include "resources/icons.h"

#include <QLabel>
#include <QPushButton>

// Positions are logical pixels: the layout's twips divided by 15 and rounded.
frmAbout::frmAbout(QWidget *parent) : FixedDialog(QSize(280, 138), parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral(" О программе Зорбуны"));

    // Without a frame the label is exactly the size of its picture.
    const QPixmap picture = aboutPicture(devicePixelRatioF());
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(picture);
    Picture1->setGeometry(QRect(QPoint(16, 16), picture.deviceIndependentSize().toSize()));

    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("Игра Зорбуны"), QPoint(64, 16),
                      boldFont(12));
    Label2 = addLabel(QStringLiteral("Label2"), QStringLiteral("Версия 1.1"), QPoint(112, 48));
    Label3 = addLabel(QStringLiteral("Label3"), QStringLiteral("Кто первым выстроит ряд?"),
                      QPoint(52, 72));

    // Orca reads a dialog's texts of three words or more as it opens; the
    // title and version are two each, so the title speaks for both.
    Label1->setAccessibleName(Label1->text() + QStringLiteral(". ") + Label2->text());

    OKButton = addOkButton(QRect(108, 104, 73, 25));
}
