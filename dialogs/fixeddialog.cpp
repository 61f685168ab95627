#include "dialogs/fixeddialog.h"

#include "platform/screencentre.h"
#include "platform/standardfont.h"
#include "resources/icons.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

FixedDialog::FixedDialog(const QSize &clientSize, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    platform::useStandardFont(this);
    setFixedSize(clientSize);
    setWindowIcon(programIcon());
}

void FixedDialog::setVisible(bool visible)
{
    // QDialog would centre the window over its parent; ours belong in the middle of the screen.
    // Once moved, QDialog leaves the position alone.
    if (visible && !isVisible() && !testAttribute(Qt::WA_Moved)) {
        platform::showCentred(this, [this] { QDialog::setVisible(true); });
        return;
    }
    QDialog::setVisible(visible);
}

QLabel *FixedDialog::addLabel(const QString &name, const QString &text, const QPoint &topLeft,
                              const std::optional<QFont> &font)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    if (font)
        label->setFont(*font);
    label->move(topLeft);
    label->adjustSize();
    return label;
}

QPushButton *FixedDialog::addOkButton(const QRect &geometry)
{
    auto *button = new QPushButton(QStringLiteral("OK"), this);
    button->setObjectName(QStringLiteral("OKButton"));
    button->setGeometry(geometry);
    // Neither default nor auto-default: Enter works on the button only while it has the focus,
    // through keyPressEvent() below, and never makes it the dialog's default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocus();
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
    return button;
}

QFont FixedDialog::boldFont(qreal pointSize) const
{
    QFont bold = font();
    bold.setPointSizeF(pointSize);
    bold.setBold(true);
    return bold;
}

void FixedDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape is swallowed so the window stays open; reject() is left intact because the
    // close box reaches it through closeEvent().
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    // A focused button that is not auto-default ignores Enter and passes it up here: click it,
    // as Space would.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget())) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
