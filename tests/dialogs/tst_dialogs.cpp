#include "dialogs/frmabout.h"
#include "dialogs/frmhelp.h"
#include "resources/icons.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QStringList kRules = {
    QStringLiteral("    Цель игры - выстроить в ряд от 5 до 7 x (o) по горизонтали, вертикали или "
                   "диагоналям."),
    QStringLiteral("    Перед началом игры можно выбрать в пункте меню \"Условие\" минимально "
                   "необходимое число x (o) (по умолчанию 5) в ряду для выигрыша. Во время игры "
                   "это число изменить нельзя."),
    QStringLiteral(
        "    Игрок начинает первым и играет \"x\". Программа играет \"o\", мешает игроку "
        "и тоже пытается выстроить свой ряд. Выигрывает тот, кто сумеет сделать это "
        "первым. При выигрыше ряд подсвечивается цветом и игровое поле блокируется. "),
    QStringLiteral("    Для начала новой игры нужно выбрать в пункте меню \"Игра\" команду \"Новая "
                   "игра\". Новую игру можно начать и не заканчивая старую. Время игры начинает "
                   "отсчитываться после первого хода."),
    QStringLiteral("    Для выхода из игры нужно выбрать в пункте меню \"Игра\" команду "
                   "\"Выход\"."),
};

// The layout is drawn in twips, 15 to the pixel.
int px(int twips)
{
    return qRound(twips / 15.0);
}

std::unique_ptr<QDialog> makeDialog(const QString &name, QWidget *owner = nullptr)
{
    if (name == QLatin1String("frmHelp"))
        return std::make_unique<frmHelp>(owner);
    return std::make_unique<frmAbout>(owner);
}

template <typename T> T *control(const QDialog &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

constexpr int kStuck = 99;

// exec() the dialog and run `act` once it is up and active. A dialog that will not close is
// shut after a while with kStuck, so a fault fails the test instead of hanging it.
int execWith(QDialog &dialog, const std::function<void()> &act)
{
    QTimer::singleShot(0, &dialog, [&] {
        if (QTest::qWaitForWindowActive(&dialog))
            act();
    });
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(kStuck); });
    return dialog.exec();
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void rulesText();
    void rulesDisplay();
    void closing_data();
    void closing();
    void window_data();
    void window();
    void layout_data();
    void layout();
    void centredOnScreen_data();
    void centredOnScreen();
    void picture();
};

void TestDialogs::rulesText()
{
    const QString expected = kRules.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n");
    for (int showing = 1; showing <= 2; ++showing) {
        frmHelp help;
        execWith(help, [&help] { help.accept(); });
        const QString text = control<QLabel>(help, "Label2")->text();
        QCOMPARE(text, expected);
        QCOMPARE(text.size(), 759);
        // One empty line, at the very end.
        QCOMPARE(text.indexOf(QStringLiteral("\r\n\r\n")), text.size() - 4);
    }
}

void TestDialogs::rulesDisplay()
{
    frmHelp help;
    QLabel *rules = control<QLabel>(help, "Label2");
    QVERIFY(rules->heightForWidth(rules->width()) <= rules->height());

    // Smaller than the standard font only as far as the box needs.
    const int pixels = QFontInfo(rules->font()).pixelSize();
    if (pixels < QFontInfo(help.font()).pixelSize()) {
        QLabel larger(rules->text());
        larger.setWordWrap(true);
        QFont font = rules->font();
        font.setPixelSize(pixels + 1);
        larger.setFont(font);
        QVERIFY(larger.heightForWidth(rules->width()) > rules->height());
    }

    // The CR of each CR LF pair draws nothing: the label looks as if the lines ended in LF.
    QLabel plain(QString(rules->text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    plain.setFont(rules->font());
    plain.setWordWrap(true);
    plain.setAlignment(rules->alignment());
    plain.resize(rules->size());
    const auto image = [](QWidget *label) {
        return label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    QCOMPARE(image(rules), image(&plain));
}

enum class Action { Escape, Return, Enter, Space, Click, CloseBox };

void TestDialogs::closing_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<int>("result");

    for (const QString &dialog : {QStringLiteral("frmHelp"), QStringLiteral("frmAbout")}) {
        const auto row = [&](const char *what) -> QTestData & {
            return QTest::addRow("%s: %s", qPrintable(dialog), what) << dialog;
        };
        row("Escape is ignored") << Action::Escape << true << int(QDialog::Rejected);
        row("Return on OK") << Action::Return << false << int(QDialog::Accepted);
        row("keypad Enter on OK") << Action::Enter << false << int(QDialog::Accepted);
        row("Space on OK") << Action::Space << false << int(QDialog::Accepted);
        row("click on OK") << Action::Click << false << int(QDialog::Accepted);
        row("close box") << Action::CloseBox << false << int(QDialog::Rejected);
    }
}

void TestDialogs::closing()
{
    QFETCH(QString, dialog);
    QFETCH(Action, action);
    QFETCH(bool, staysOpen);
    QFETCH(int, result);

    const auto shown = makeDialog(dialog);
    auto *ok = control<QPushButton>(*shown, "OKButton");
    bool focusOnOk = false;
    bool defaultButton = true;
    bool openAfterwards = false;
    const int code = execWith(*shown, [&] {
        focusOnOk = QApplication::focusWidget() == ok;
        defaultButton = ok->isDefault() || ok->autoDefault();
        switch (action) {
        case Action::Escape:
            QTest::keyClick(ok, Qt::Key_Escape);
            break;
        case Action::Return:
            QTest::keyClick(ok, Qt::Key_Return);
            break;
        case Action::Enter:
            QTest::keyClick(ok, Qt::Key_Enter, Qt::KeypadModifier);
            break;
        case Action::Space:
            QTest::keyClick(ok, Qt::Key_Space);
            break;
        case Action::Click:
            QTest::mouseClick(ok, Qt::LeftButton);
            break;
        case Action::CloseBox:
            shown->close();
            break;
        }
        openAfterwards = shown->isVisible();
        if (openAfterwards)
            shown->close();
    });
    QVERIFY(focusOnOk);
    QVERIFY(!defaultButton);
    QCOMPARE(openAfterwards, staysOpen);
    QCOMPARE(code, result);
    QVERIFY(!shown->isVisible());
}

void TestDialogs::window_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("clientTwips");

    QTest::newRow("rules") << "frmHelp"
                           << " Правила игры Зорбуны" << QSize(4170, 5790);
    QTest::newRow("about") << "frmAbout"
                           << " О программе Зорбуны" << QSize(4200, 2070);
}

void TestDialogs::window()
{
    QFETCH(QString, dialog);
    QFETCH(QString, title);
    QFETCH(QSize, clientTwips);

    const auto shown = makeDialog(dialog);
    QCOMPARE(shown->objectName(), dialog);
    QCOMPARE(shown->windowTitle(), title);
    const QSize client(px(clientTwips.width()), px(clientTwips.height()));
    QCOMPARE(shown->size(), client);
    QCOMPARE(shown->minimumSize(), client);
    QCOMPARE(shown->maximumSize(), client);

    const Qt::WindowFlags flags = shown->windowFlags();
    QCOMPARE(shown->windowType(), Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!shown->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(shown->windowIcon().pixmap(16).toImage(), programIcon().pixmap(16).toImage());
}

void TestDialogs::layout_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text"); // null: any text, as long as there is some
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("selfSizing");  // then the width is one its text must fit, 0 for any
    QTest::addColumn<qreal>("boldPoints"); // 0 for the standard font

    QTest::newRow("rules title") << "frmHelp"
                                 << "Label1"
                                 << "Правила игры Зорбуны" << QRect(255, 120, 3660, 240) << true
                                 << 9.75;
    QTest::newRow("rules text box")
        << "frmHelp"
        << "Label2" << QString() << QRect(255, 600, 3660, 4455) << false << 0.0;
    QTest::newRow("rules OK") << "frmHelp"
                              << "OKButton"
                              << "OK" << QRect(1478, 5280, 1215, 375) << false << 0.0;
    QTest::newRow("about picture")
        << "frmAbout"
        << "Picture1" << QString() << QRect(240, 240, 480, 480) << false << 0.0;
    QTest::newRow("about title") << "frmAbout"
                                 << "Label1"
                                 << "Игра Зорбуны" << QRect(960, 240, 3015, 300) << true << 12.0;
    // DejaVu Sans runs past the 825 twips this label was drawn with; it grows to the right.
    QTest::newRow("about version") << "frmAbout"
                                   << "Label2"
                                   << "Версия 1.1" << QRect(1680, 720, 0, 195) << true << 0.0;
    QTest::newRow("about further line")
        << "frmAbout"
        << "Label3" << QString() << QRect(780, 1080, 2640, 195) << true << 0.0;
    QTest::newRow("about OK") << "frmAbout"
                              << "OKButton"
                              << "OK" << QRect(1613, 1560, 1095, 375) << false << 0.0;
}

void TestDialogs::layout()
{
    QFETCH(QString, dialog);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    QFETCH(bool, selfSizing);
    QFETCH(qreal, boldPoints);

    const auto shown = makeDialog(dialog);
    const QWidget *widget = shown->findChild<QWidget *>(name);
    QVERIFY(widget);
    const QRect box(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height()));
    if (selfSizing) {
        QCOMPARE(widget->pos(), box.topLeft());
        QCOMPARE(widget->size(), widget->sizeHint());
        if (box.width() > 0)
            QVERIFY(widget->width() <= box.width());
    } else {
        QCOMPARE(widget->geometry(), box);
    }
    QVERIFY(shown->rect().contains(widget->geometry()));

    const QString shownText = widget->property("text").toString();
    if (text.isNull())
        QVERIFY(!shownText.isEmpty() || name == QLatin1String("Picture1"));
    else
        QCOMPARE(shownText, text);
    QCOMPARE(widget->font().bold(), boldPoints > 0);
    if (boldPoints > 0)
        QCOMPARE(widget->font().pointSizeF(), boldPoints);
}

void TestDialogs::centredOnScreen_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("withOwner");

    QTest::newRow("rules, owned") << "frmHelp" << true;
    QTest::newRow("rules, alone") << "frmHelp" << false;
    QTest::newRow("about, owned") << "frmAbout" << true;
    QTest::newRow("about, alone") << "frmAbout" << false;
}

void TestDialogs::centredOnScreen()
{
    QFETCH(QString, dialog);
    QFETCH(bool, withOwner);

    // An owner in a corner, where a dialog centred over it would plainly show.
    QWidget owner;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    owner.setGeometry(QRect(screen.topLeft(), QSize(120, 90)));
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    const auto shown = makeDialog(dialog, withOwner ? &owner : nullptr);
    QPoint centre;
    execWith(*shown, [&] {
        centre = shown->frameGeometry().center();
        shown->accept();
    });
    QVERIFY2((centre - screen.center()).manhattanLength() <= 2,
             qPrintable(QStringLiteral("centre at %1,%2").arg(centre.x()).arg(centre.y())));
}

void TestDialogs::picture()
{
    frmAbout about;
    const QImage image = control<QLabel>(about, "Picture1")
                             ->pixmap()
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(32, 32));

    const QRgb black = qRgb(0, 0, 0);
    QRect cross;
    QRect ring;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb colour = image.pixel(x, y);
            const int side = x + y - 31; // < 0: upper-left half, 0: the diagonal, > 0: lower-right
            const QRgb ground = side < 0 ? qRgb(0, 255, 0) : qRgb(255, 0, 0);
            const bool fits = side == 0 ? colour == black : colour == black || colour == ground;
            QVERIFY2(fits, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            if (side != 0 && colour == black)
                (side < 0 ? cross : ring) |= QRect(x, y, 1, 1);
        }
    }

    // An X reaches the four corners of its box and crosses in the middle.
    QVERIFY(!cross.isEmpty());
    for (const QPoint point : {cross.topLeft(), cross.topRight(), cross.bottomLeft(),
                               cross.bottomRight(), cross.center()})
        QCOMPARE(image.pixel(point), black);

    // A ring touches the middle of each side of its box, leaves the corners and its centre red.
    QVERIFY(!ring.isEmpty());
    const QPoint c = ring.center();
    for (const QPoint point : {QPoint(c.x(), ring.top()), QPoint(c.x(), ring.bottom()),
                               QPoint(ring.left(), c.y()), QPoint(ring.right(), c.y())})
        QCOMPARE(image.pixel(point), black);
    for (const QPoint point :
         {ring.topLeft(), ring.topRight(), ring.bottomLeft(), ring.bottomRight(), c})
        QCOMPARE(image.pixel(point), qRgb(255, 0, 0));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
