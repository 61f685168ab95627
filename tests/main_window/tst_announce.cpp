#include "windowdriver.h"
#include "xvfb.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitMs = 10000;

// Why the accessibility stack is missing, if it is.
QString g_missing;

// What the window told assistive tools, as "N object text" for a new name and
// "D object text" for a new description, the text read as the event came.
QStringList g_told;

void record(QAccessibleEvent *event)
{
    const bool name = event->type() == QAccessible::NameChanged;
    if (!name && event->type() != QAccessible::DescriptionChanged)
        return;
    const QString object = event->object() ? event->object()->objectName() : QString();
    if (!object.startsWith(u"cmdDesk("_s) && !object.startsWith(u"lbl"_s))
        return;
    QAccessibleInterface *interface = event->accessibleInterface();
    const QString text =
        interface ? interface->text(name ? QAccessible::Name : QAccessible::Description) : u"?"_s;
    g_told << (name ? u"N "_s : u"D "_s) + object + u' ' + text;
}

} // namespace

// What a screen reader is told while a game is played: the events Qt sends to
// the desktop's accessibility bus, caught before they leave. Qt sends them only
// while a reader could be listening, so the test brings up an X server, a
// session bus and the accessibility bus of its own.
class TestAnnounce : public QObject, public WindowDriver
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void toldAsThePlayGoes_data();
    void toldAsThePlayGoes();

private:
    void run(const QString &steps);
};

void TestAnnounce::initTestCase()
{
    if (!g_missing.isEmpty())
        QSKIP(qPrintable(g_missing));
    // Qt turns it on once the launcher has registered the accessibility bus.
    QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), kWaitMs);
}

void TestAnnounce::init()
{
    open();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QAccessible::installUpdateHandler(record);
    g_told.clear();
}

void TestAnnounce::cleanup()
{
    QAccessible::installUpdateHandler(nullptr);
    close();
}

// Steps, comma-separated: "click N" a click on cell N, "X four" and "O four"
// captions written to set up a line (row 7 and row 2, the latter open at 29
// and 34), "tick" the clock 5 s later, "new" a new game.
void TestAnnounce::run(const QString &steps)
{
    for (QString step : steps.split(u',', Qt::SkipEmptyParts)) {
        step = step.trimmed();
        if (step.startsWith(u"click "_s)) {
            click(step.mid(6).toInt());
        } else if (step == u"X four"_s) {
            write({101, 102, 103, 104}, u"X"_s);
        } else if (step == u"O four"_s) {
            write({30, 31, 32, 33}, u"O"_s);
        } else if (step == u"tick"_s) {
            m_now += timeOfDay(0, 0, 5);
            tick();
        } else if (step == u"new"_s) {
            action("mnuGameNew")->trigger();
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
    }
}

void TestAnnounce::toldAsThePlayGoes_data()
{
    QTest::addColumn<QString>("before"); // steps whose telling is not looked at
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("told"); // {reply}: the computer's winning cell
    QTest::newRow("first exchange")
        << ""
        << "click 0"
        << QStringList{"N cmdDesk(0) ряд 1, столбец 1, X", "N lblStep Ход: 1",
                       "N cmdDesk(90) ряд 7, столбец 7, O"};
    QTest::newRow("clock tick") << "click 0"
                                << "tick" << QStringList{"N lblTime Время игры: 0:00:05"};
    QTest::newRow("player's winning move")
        << "click 0, X four"
        << "click 105"
        << QStringList{"N cmdDesk(105) ряд 8, столбец 8, X", "N lblStep Ход: 2",
                       "D cmdDesk(105) Вы выиграли"};
    QTest::newRow("computer's winning reply")
        << "click 0, O four"
        << "click 180"
        << QStringList{"N cmdDesk(180) ряд 13, столбец 13, X", "N lblStep Ход: 2",
                       "N cmdDesk({reply}) {place}, O", "D cmdDesk({reply}) Компьютер выиграл"};
    QTest::newRow("new game after the player's win")
        << "click 0, X four, click 105"
        << "new"
        << QStringList{"N lblStep Ход: 0",
                       "N lblTime Время игры: 0:00:00",
                       "N cmdDesk(0) ряд 1, столбец 1, пусто",
                       "N cmdDesk(90) ряд 7, столбец 7, пусто",
                       "N cmdDesk(101) ряд 8, столбец 4, пусто",
                       "N cmdDesk(102) ряд 8, столбец 5, пусто",
                       "N cmdDesk(103) ряд 8, столбец 6, пусто",
                       "N cmdDesk(104) ряд 8, столбец 7, пусто",
                       "N cmdDesk(105) ряд 8, столбец 8, пусто",
                       "D cmdDesk(105) "};
}

void TestAnnounce::toldAsThePlayGoes()
{
    QFETCH(QString, before);
    QFETCH(QString, steps);
    QFETCH(QStringList, told);
    run(before);
    g_told.clear();
    run(steps);
    const int reply = cell(29)->text() == u"O"_s ? 29 : 34;
    const QString place = reply == 29 ? u"ряд 3, столбец 2"_s : u"ряд 3, столбец 7"_s;
    for (QString &line : told)
        line.replace(u"{reply}"_s, QString::number(reply)).replace(u"{place}"_s, place);
    QCOMPARE(g_told, told);
}

// The X server and both buses must run before the application connects to
// them.
int main(int argc, char *argv[])
{
    const QString launcher = QStandardPaths::findExecutable(
        u"at-spi-bus-launcher"_s, {u"/usr/libexec"_s, u"/usr/lib/at-spi2-core"_s});
    for (const QString &tool : {u"Xvfb"_s, u"dbus-daemon"_s})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            g_missing = tool + u" is not installed"_s;
    if (launcher.isEmpty())
        g_missing = u"at-spi-bus-launcher is not installed"_s;

    std::unique_ptr<HelperProcess> xvfb, bus, a11y;
    if (g_missing.isEmpty()) {
        xvfb = startXvfb();
        bus = std::make_unique<HelperProcess>(
            u"dbus-daemon"_s, QStringList{u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        const QByteArray display = xvfb->firstLine();
        const QByteArray address = bus->firstLine();
        if (display.isEmpty() || address.isEmpty()) {
            g_missing = u"Xvfb or the session bus did not start"_s;
        } else {
            qputenv("DISPLAY", ":" + display);
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            // It finds the display and the session bus in the environment.
            a11y =
                std::make_unique<HelperProcess>(launcher, QStringList{u"--launch-immediately"_s});
            // Qt asks the bus whether a reader listens; say yes without one.
            qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
            qputenv("QT_QPA_PLATFORM", "xcb");
        }
    }
    if (!g_missing.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Declared after the helpers, so that it leaves their display and bus
    // before they are ended.
    QApplication app(argc, argv);
    TestAnnounce test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_announce.moc"
