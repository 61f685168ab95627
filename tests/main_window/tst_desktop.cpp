#include "accessibility/accessibility.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmhelp.h"
#include "windowdriver.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>
#include <map>
#include <memory>

#ifdef Q_OS_WIN
#include <QSettings>
#include <QStyleHints>
#else
#include "xvfb.h"
#endif

using namespace Qt::StringLiterals;

namespace {

// Normal text against its background, as WCAG 2 asks of it.
constexpr double kReadableContrast = 4.5;

double relativeLuminance(QRgb colour)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) +
           0.0722 * linear(qBlue(colour));
}

double contrast(QRgb a, QRgb b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// What a part of a widget shows, read off its pixels: the commonest colour
// inside the margin is the background, and the pixel that stands out most
// from it is the core of the text. The picture is kept in the test's folder
// under `name`, to be looked at.
struct Ink
{
    QRgb background = 0;
    QRgb text = 0;
};

// Saves a picture under `name` in the folder of this run's colours.
void keep(const QImage &image, const QString &name)
{
    const QString folder = u"screenshots-"_s +
                           qEnvironmentVariable("ZORBUNY_TEST_COLOURS", u"dark"_s) +
                           (image.devicePixelRatio() > 1 ? u"-scale2"_s : QString());
    QDir().mkpath(folder);
    image.save(folder + u'/' + QString(name).replace(u' ', u'-') + u".png"_s);
}

Ink inkOf(QWidget *widget, QRect part, int margin, const QString &name)
{
    const QImage whole = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = whole.devicePixelRatio();
    if (part.isNull())
        part = widget->rect();
    QImage image = whole.copy(
        QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio).toAlignedRect());
    image.setDevicePixelRatio(ratio);
    keep(image, name);
    const int m = margin * int(ratio);
    std::map<QRgb, int> counts;
    for (int y = m; y < image.height() - m; ++y)
        for (int x = m; x < image.width() - m; ++x)
            ++counts[image.pixel(x, y)];
    Ink ink;
    int most = 0;
    for (const auto &[colour, count] : counts) {
        if (count > most) {
            most = count;
            ink.background = colour;
        }
    }
    ink.text = ink.background;
    for (const auto &entry : counts)
        if (contrast(entry.first, ink.background) > contrast(ink.text, ink.background))
            ink.text = entry.first;
    return ink;
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xdc, 0xdc, 0xdc));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xdc, 0xdc, 0xdc));
    dark.setColor(QPalette::Button, QColor(0x3c, 0x3c, 0x3c));
    dark.setColor(QPalette::ButtonText, QColor(0xdc, 0xdc, 0xdc));
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x46, 0x46, 0x46));
    dark.setColor(QPalette::Mid, QColor(0x32, 0x32, 0x32));
    dark.setColor(QPalette::Dark, QColor(0x1a, 0x1a, 0x1a));
    dark.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    return dark;
}

} // namespace

// What the window offers on a desktop beyond the mouse: the arrow keys
// across the board, what a screen reader hears, and a dark desktop palette.
class TestDesktop : public QObject, public WindowDriver
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void arrowKeysWalkTheBoard_data();
    void arrowKeysWalkTheBoard();
    void tabStillWalksRowByRowAfterArrows();

    void cellNamesFollowThePlay_data();
    void cellNamesFollowThePlay();
    void pressActionIsAClick();
    void winIsDescribedOnTheFocusedCell_data();
    void winIsDescribedOnTheFocusedCell();

    void darkPaletteKeepsTextReadable_data();
    void darkPaletteKeepsTextReadable();

private:
    static QString accessible(QObject *object, QAccessible::Text text);
    static QString told(QObject *cell);
    static void useDarkPalette();
};

void TestDesktop::initTestCase()
{
    // Qt falls back to another style, with a warning alone, when the one asked
    // for is missing: a run under a named style checks that style or fails.
    const QString asked = qEnvironmentVariable("QT_STYLE_OVERRIDE");
    if (!asked.isEmpty())
        QCOMPARE(QApplication::style()->name().toLower(), asked.toLower());
}

void TestDesktop::init()
{
    open(accessibility::follow);
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestDesktop::cleanup()
{
    close();
    QApplication::setPalette(QPalette());
}

QString TestDesktop::accessible(QObject *object, QAccessible::Text text)
{
    QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(object);
    return interface ? interface->text(text) : u"<no interface>"_s;
}

// What a reader hears of a cell: its name, then its description. How a game
// ended is in one or the other, as the Qt version needs.
QString TestDesktop::told(QObject *cell)
{
    const QString name = accessible(cell, QAccessible::Name);
    const QString description = accessible(cell, QAccessible::Description);
    return description.isEmpty() ? name : name + u". "_s + description;
}

// As a desktop's dark theme would; the window already shown takes it up from
// its event queue. A run on a real desktop's dark colours (ZORBUNY_TEST_COLOURS,
// set up in main()) keeps the palette and style Qt took from the desktop.
void TestDesktop::useDarkPalette()
{
    if (qEnvironmentVariableIsEmpty("ZORBUNY_TEST_COLOURS"))
        QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents();
}

void TestDesktop::arrowKeysWalkTheBoard_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("to");
    const int none = Qt::NoModifier;
    QTest::newRow("top-left, left: stays") << 0 << int(Qt::Key_Left) << none << 0;
    QTest::newRow("top-left, up: stays") << 0 << int(Qt::Key_Up) << none << 0;
    QTest::newRow("top-left, right") << 0 << int(Qt::Key_Right) << none << 1;
    QTest::newRow("top-left, down") << 0 << int(Qt::Key_Down) << none << 14;
    QTest::newRow("top-right, right: no wrap to the next row")
        << 13 << int(Qt::Key_Right) << none << 13;
    QTest::newRow("top-right, up: stays") << 13 << int(Qt::Key_Up) << none << 13;
    QTest::newRow("top-right, left") << 13 << int(Qt::Key_Left) << none << 12;
    QTest::newRow("top-right, down") << 13 << int(Qt::Key_Down) << none << 27;
    QTest::newRow("bottom-left, left: no wrap to the row above")
        << 182 << int(Qt::Key_Left) << none << 182;
    QTest::newRow("bottom-left, down: stays") << 182 << int(Qt::Key_Down) << none << 182;
    QTest::newRow("bottom-left, up") << 182 << int(Qt::Key_Up) << none << 168;
    QTest::newRow("bottom-right, right: stays") << 195 << int(Qt::Key_Right) << none << 195;
    QTest::newRow("bottom-right, down: stays") << 195 << int(Qt::Key_Down) << none << 195;
    QTest::newRow("bottom-right, left") << 195 << int(Qt::Key_Left) << none << 194;
    QTest::newRow("bottom-right, up") << 195 << int(Qt::Key_Up) << none << 181;
    QTest::newRow("top edge, up: stays") << 6 << int(Qt::Key_Up) << none << 6;
    QTest::newRow("left edge, left: stays") << 84 << int(Qt::Key_Left) << none << 84;
    QTest::newRow("right edge, right: stays") << 97 << int(Qt::Key_Right) << none << 97;
    QTest::newRow("bottom edge, down: stays") << 188 << int(Qt::Key_Down) << none << 188;
    QTest::newRow("middle, up") << 100 << int(Qt::Key_Up) << none << 86;
    QTest::newRow("middle, down") << 100 << int(Qt::Key_Down) << none << 114;
    QTest::newRow("middle, left") << 100 << int(Qt::Key_Left) << none << 99;
    QTest::newRow("middle, right") << 100 << int(Qt::Key_Right) << none << 101;
    QTest::newRow("keypad arrow, num lock off")
        << 100 << int(Qt::Key_Down) << int(Qt::KeypadModifier) << 114;
}

void TestDesktop::arrowKeysWalkTheBoard()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, to);
    cell(from)->setFocus();
    QTest::keyClick(cell(from), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QApplication::focusWidget(), cell(to));
    QCOMPARE(QApplication::activePopupWidget(), nullptr); // no menu opened instead
    // Its focus frame shows whole, over the pixel it shares with its neighbours.
    QCOMPARE(m_window->centralWidget()->childAt(cell(to)->geometry().bottomRight()), cell(to));
    // Moving is not playing.
    QCOMPARE(text("lblStep"), u"0"_s);
    for (int i = 0; i < kCells; ++i)
        QVERIFY2(cell(i)->text().isEmpty(), qPrintable(QString::number(i)));
}

void TestDesktop::tabStillWalksRowByRowAfterArrows()
{
    // The arrows raise the cells they visit; the focus chain must not follow.
    cell(0)->setFocus();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Left})
        QTest::keyClick(QApplication::focusWidget(), key);
    QCOMPARE(QApplication::focusWidget(), cell(14));
    cell(0)->setFocus();
    for (int i = 1; i < kCells; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() == cell(i), qPrintable(QString::number(i)));
    }
    for (int i = kCells - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QVERIFY2(QApplication::focusWidget() == cell(i), qPrintable(QString::number(i)));
    }
}

void TestDesktop::cellNamesFollowThePlay_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<QStringList>("names"); // cell=name
    QTest::newRow("fresh board") << int(Fresh)
                                 << QStringList{"0=ряд 1, столбец 1, пусто",
                                                "13=ряд 1, столбец 14, пусто",
                                                "182=ряд 14, столбец 1, пусто",
                                                "90=ряд 7, столбец 7, пусто"};
    QTest::newRow("after the first exchange")
        << int(FirstExchange)
        << QStringList{"0=ряд 1, столбец 1, X", "90=ряд 7, столбец 7, O",
                       "91=ряд 7, столбец 8, пусто"};
    QTest::newRow("the player's winning move")
        << int(PlayerWon)
        << QStringList{"105=ряд 8, столбец 8, X. Вы выиграли", "101=ряд 8, столбец 4, X",
                       "106=ряд 8, столбец 9, пусто"};
    QTest::newRow("the computer's winning reply")
        << int(ComputerWon) << QStringList{"180=ряд 13, столбец 13, X", "30=ряд 3, столбец 3, O"};
    QTest::newRow("new game after a win")
        << int(NewGameAfterWin)
        << QStringList{"0=ряд 1, столбец 1, пусто", "90=ряд 7, столбец 7, пусто",
                       "105=ряд 8, столбец 8, пусто"};
}

void TestDesktop::cellNamesFollowThePlay()
{
    QFETCH(int, scenario);
    QFETCH(QStringList, names);
    // The interfaces exist before the play, as they do once a reader has looked.
    for (int i = 0; i < kCells; ++i)
        QVERIFY(QAccessible::queryAccessibleInterface(cell(i)));
    reach(Scenario(scenario));
    for (const QString &entry : names) {
        const int index = entry.section(u'=', 0, 0).toInt();
        QCOMPARE(told(cell(index)), entry.section(u'=', 1));
    }
    // Whatever the play, every name tells the place and the caption the cell shows.
    for (int i = 0; i < kCells; ++i) {
        const QString shown = cell(i)->text().isEmpty() ? u"пусто"_s : cell(i)->text();
        const QString place = u"ряд %1, столбец %2, "_s.arg(i / 14 + 1).arg(i % 14 + 1);
        QVERIFY2(accessible(cell(i), QAccessible::Name).contains(place + shown),
                 qPrintable(QString::number(i)));
    }
}

void TestDesktop::pressActionIsAClick()
{
    QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(cell(5));
    QCOMPARE(interface->role(), QAccessible::Button);
    QAccessibleActionInterface *actions = interface->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(cell(5)->text(), u"X"_s);
    QCOMPARE(cell(90)->text(), u"O"_s);
    QCOMPARE(text("lblStep"), u"1"_s);
    // A marked cell refuses it as it refuses a click.
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(text("lblStep"), u"1"_s);
}

void TestDesktop::winIsDescribedOnTheFocusedCell_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("described"); // the one cell with a description, -1 for none
    QTest::addColumn<QString>("description");
    QTest::newRow("game on") << int(FirstExchange) << -1 << "";
    QTest::newRow("player won") << int(PlayerWon) << 105 << "Вы выиграли";
    QTest::newRow("computer won") << int(ComputerWon) << -1 << "Компьютер выиграл";
    QTest::newRow("new game after a win") << int(NewGameAfterWin) << -1 << "";
}

void TestDesktop::winIsDescribedOnTheFocusedCell()
{
    QFETCH(int, scenario);
    QFETCH(int, described);
    QFETCH(QString, description);
    reach(Scenario(scenario));
    QWidget *focused = QApplication::focusWidget();
    if (scenario == ComputerWon) // the reply is at 29 or 34, and has the focus
        described = focused == cell(29) ? 29 : 34;
    if (described >= 0) {
        QCOMPARE(focused, cell(described));
        QVERIFY2(told(focused).endsWith(u". "_s + description), qPrintable(told(focused)));
    }
    // No other cell tells of a win.
    for (int i = 0; i < kCells; ++i) {
        if (i != described)
            QVERIFY2(!told(cell(i)).contains(u"выиграл"_s), qPrintable(QString::number(i)));
    }
}

void TestDesktop::darkPaletteKeepsTextReadable_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<QString>("widget"); // a cell's index, an object name, or "menu/item"
    QTest::addColumn<int>("margin");     // the frame to leave out
    QTest::addColumn<QRgb>("face");      // 0: the palette's own, which must be dark
    QTest::newRow("X on a plain cell") << int(FirstExchange) << "0" << 3 << QRgb(0);
    QTest::newRow("O on a plain cell") << int(FirstExchange) << "90" << 3 << QRgb(0);
    QTest::newRow("X on a green cell") << int(PlayerWon) << "103" << 3 << kGreen;
    QTest::newRow("O on a red cell") << int(ComputerWon) << "31" << 3 << kRed;
    QTest::newRow("move count") << int(FirstExchange) << "lblStep" << 0 << QRgb(0);
    QTest::newRow("clock") << int(Fresh) << "lblTime" << 0 << QRgb(0);
    QTest::newRow("caption") << int(Fresh) << "Label2" << 0 << QRgb(0);
    QTest::newRow("menu bar") << int(Fresh) << "bar/mnuIf" << 1 << QRgb(0);
    QTest::newRow("menu item") << int(Fresh) << "mnuIf/mnuIfLine6" << 1 << QRgb(0);
    QTest::newRow("rules text") << int(Fresh) << "frmHelp/Label2" << 0 << QRgb(0);
    QTest::newRow("rules OK") << int(Fresh) << "frmHelp/OKButton" << 3 << QRgb(0);
    QTest::newRow("About title") << int(Fresh) << "frmAbout/Label1" << 0 << QRgb(0);
    QTest::newRow("About text") << int(Fresh) << "frmAbout/Label3" << 0 << QRgb(0);
    QTest::newRow("About OK") << int(Fresh) << "frmAbout/OKButton" << 3 << QRgb(0);
}

void TestDesktop::darkPaletteKeepsTextReadable()
{
    bool lightInDark = false;
#ifdef Q_OS_WIN
    // Windows' dark mode is no palette set by hand: the windowsvista style draws its menus
    // and buttons light whatever the palette says, and windows11 brings its own dark one.
    if (qEnvironmentVariableIsEmpty("ZORBUNY_TEST_COLOURS"))
        QSKIP("a palette set by hand is not Windows' dark mode: see tst_desktop_windows*-dark");
    // Its dark app mode reaches Qt as the colour scheme. The windowsvista style (Windows 10's
    // look) cannot draw dark and has Qt put the light palette back: its texts are checked on that.
    QCOMPARE(QGuiApplication::styleHints()->colorScheme(), Qt::ColorScheme::Dark);
    lightInDark = QApplication::style()->name().toLower() == u"windowsvista"_s;
#endif
    QFETCH(int, scenario);
    QFETCH(QString, widget);
    QFETCH(int, margin);
    QFETCH(QRgb, face);
    useDarkPalette();
    reach(Scenario(scenario));

    std::unique_ptr<QDialog> dialog;
    QWidget *target = nullptr;
    QRect part; // all of the target, or one item of a menu
    bool isCell = false;
    const int index = widget.toInt(&isCell);
    const QString owner = widget.section(u'/', 0, 0);
    const QString name = widget.section(u'/', 1);
    if (isCell) {
        target = cell(index);
    } else if (owner == u"frmHelp"_s || owner == u"frmAbout"_s) {
        if (owner == u"frmHelp"_s)
            dialog = std::make_unique<frmHelp>(m_window.get());
        else
            dialog = std::make_unique<frmAbout>(m_window.get());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        target = dialog->findChild<QWidget *>(name);
    } else if (owner == u"bar"_s) {
        target = m_window->menuBar();
        part = m_window->menuBar()->actionGeometry(find<QMenu>(name)->menuAction());
    } else if (!name.isEmpty()) {
        auto *menu = find<QMenu>(owner);
        menu->popup(m_window->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        target = menu;
        part = menu->actionGeometry(action(qPrintable(name)));
    } else {
        target = find<QLabel>(widget);
    }
    QVERIFY(target);

    const Ink ink = inkOf(target, part, margin, QString::fromUtf8(QTest::currentDataTag()));
    if (scenario == ComputerWon) // the whole window once, to be looked at
        keep(m_window->grab().toImage(), u"window"_s);
    if (auto *menu = qobject_cast<QMenu *>(target))
        menu->close();
    if (face) {
        QCOMPARE(ink.background, face);
    } else {
        // The check means something only if the dark palette reached the
        // widget. A style may still paint the system's own light face on it.
        const QColor own = target->palette().color(target->backgroundRole());
        QVERIFY2((relativeLuminance(own.rgb()) < 0.2) != lightInDark, qPrintable(own.name()));
    }
    const double ratio = contrast(ink.text, ink.background);
    QVERIFY2(ratio >= kReadableContrast,
             qPrintable(u"%1 on %2: %3"_s.arg(
                 QColor(ink.text).name(), QColor(ink.background).name(), QString::number(ratio))));
}

#ifdef Q_OS_WIN
// ZORBUNY_TEST_COLOURS windows10-dark or windows11-dark: Windows' dark app mode, as its
// colour settings write it for the user, where Qt reads it as the application starts.
// The user's own value is put back afterwards.
int main(int argc, char *argv[])
{
    const QString colours = qEnvironmentVariable("ZORBUNY_TEST_COLOURS");
    QSettings personalize(
        u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize"_s,
        QSettings::NativeFormat);
    const QString key = u"AppsUseLightTheme"_s;
    const QVariant before = personalize.value(key);
    if (!colours.isEmpty()) {
        personalize.setValue(key, 0);
        personalize.sync();
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        TestDesktop test;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    if (!colours.isEmpty()) {
        if (before.isValid())
            personalize.setValue(key, before);
        else
            personalize.remove(key);
    }
    return result;
}
#else
// ZORBUNY_TEST_COLOURS names a desktop's own dark colours, set up here where
// Qt 6 reads them on that desktop: breeze-dark, Plasma's Breeze Dark scheme,
// which Plasma's colour settings copy into kdeglobals; gnome-dark, GNOME's dark
// style, which reaches Qt through GTK's theme (Qt's gtk3 platform theme; the
// colour-scheme preference alone changes no palette). The window then runs on
// an X server of its own under openbox.
int main(int argc, char *argv[])
{
    const QString colours = qEnvironmentVariable("ZORBUNY_TEST_COLOURS");
    QTemporaryDir home;
    std::unique_ptr<HelperProcess> xvfb, bus, windowManager;
    if (!colours.isEmpty()) {
        const QString config = home.filePath(u"config"_s);
        QDir().mkpath(config);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
        bool ready = false;
        const QString breezeDark = u"/usr/share/color-schemes/BreezeDark.colors"_s;
        if (colours == u"breeze-dark"_s && !QFile::exists(breezeDark)) {
            // Debian 12 has it with Plasma's Qt 5 style, Debian 13 on its own. In CI a
            // missing desktop fails, as every real client does.
            qInfo("SKIP: %s is not installed", qPrintable(breezeDark));
            return qEnvironmentVariable("CI") == u"true"_s ? 1 : 77;
        }
        if (colours == u"breeze-dark"_s) {
            qputenv("XDG_CURRENT_DESKTOP", "KDE");
            qputenv("KDE_SESSION_VERSION", "6");
            ready = QFile::copy(breezeDark, config + u"/kdeglobals"_s);
        } else if (colours == u"gnome-dark"_s) {
            // As GNOME's settings daemon hands GTK the dark theme.
            qputenv("XDG_CURRENT_DESKTOP", "GNOME");
            qputenv("GTK_THEME", "Adwaita:dark");
            ready = true;
        }
        xvfb = startXvfb();
        const QByteArray display = xvfb->firstLine();
        if (!ready || display.isEmpty()) {
            qCritical("the desktop's colours %s could not be set up", qPrintable(colours));
            return 1;
        }
        qputenv("DISPLAY", ":" + display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        // A session bus, where the desktops' themes listen for changes, and a window manager
        // to make the window active.
        bus = startSessionBus();
        windowManager = std::make_unique<HelperProcess>(u"openbox"_s, QStringList{});
        // The first window waits for openbox to be up, or it is never made active.
        for (int i = 0; i < 100; ++i) {
            QProcess xprop;
            xprop.start(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s});
            if (xprop.waitForFinished() && xprop.readAllStandardOutput().contains("window id"))
                break;
            QThread::msleep(100);
        }
    }
    QApplication app(argc, argv);
    TestDesktop test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#endif
#include "tst_desktop.moc"
