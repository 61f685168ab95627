#include "xvfb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int kWaitMs = 10000;
const QString kTitle = QStringLiteral(" Игра Зорбуны");

QByteArray g_display;

// The tools that read the window run in a UTF-8 locale of their own, so what
// they print depends on the game alone.
QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    environment.insert("DISPLAY", ":" + QString::fromLatin1(g_display));
    return environment;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(toolEnvironment());
    process.start(program, arguments);
    if (!process.waitForFinished(kWaitMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// One property as xprop decodes it, e.g. `WM_NAME(COMPOUND_TEXT) = " Игра"`
// gives ` Игра`; empty when the window has no such property.
QString textProperty(const QString &window, const QString &name)
{
    const QString line = run("xprop", {"-id", window, name}).trimmed();
    const qsizetype equals = line.indexOf(QLatin1String(" = \""));
    if (!line.startsWith(name + '(') || equals < 0 || !line.endsWith('"'))
        return {};
    return line.mid(equals + 4, line.size() - equals - 5);
}

} // namespace

// The window title as a window manager and a task bar read it, whatever
// locale the game was started in: a fresh system sets no LANG at all.
class TestWindowTitle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleReachesTheDesktopIntact_data();
    void titleReachesTheDesktopIntact();
};

void TestWindowTitle::initTestCase()
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty())
        ZORBUNY_SKIP_UNLESS_CI("Xvfb is not installed: no X server to show the game on");
    QVERIFY2(!g_display.isEmpty(), "Xvfb did not start");
    for (const char *tool : {"xdotool", "xprop"})
        QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), tool);
}

void TestWindowTitle::titleReachesTheDesktopIntact_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("lcAll");

    QTest::newRow("no LANG") << QString() << QString();
    QTest::newRow("LANG=C") << "C" << QString();
    QTest::newRow("LANG=C.UTF-8") << "C.UTF-8" << QString();
    QTest::newRow("LANG=ru_RU.UTF-8") << "ru_RU.UTF-8" << QString();
    QTest::newRow("LC_ALL=C over LANG=C.UTF-8") << "C.UTF-8" << "C";
    QTest::newRow("LANG=ru_RU.KOI8-R") << "ru_RU.KOI8-R" << QString();
}

void TestWindowTitle::titleReachesTheDesktopIntact()
{
    QFETCH(QString, lang);
    QFETCH(QString, lcAll);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LANG", "LANGUAGE", "LC_ALL", "LC_CTYPE", "LC_MESSAGES"})
        environment.remove(name);
    if (!lang.isNull())
        environment.insert("LANG", lang);
    if (!lcAll.isNull())
        environment.insert("LC_ALL", lcAll);
    environment.insert("DISPLAY", ":" + QString::fromLatin1(g_display));
    environment.insert("QT_QPA_PLATFORM", "xcb");

    QProcess game;
    game.setProcessEnvironment(environment);
    game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    game.start(ZORBUNY_EXECUTABLE, {});
    QVERIFY2(game.waitForStarted(kWaitMs), qPrintable(game.errorString()));
    const auto endGame = qScopeGuard([&] {
        game.kill();
        game.waitForFinished(kWaitMs);
    });

    QString window;
    QElapsedTimer clock;
    clock.start();
    while (window.isEmpty() && clock.elapsed() < kWaitMs) {
        QTest::qWait(100);
        window = run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(game.processId())})
                     .split('\n', Qt::SkipEmptyParts)
                     .value(0);
    }
    QVERIFY2(!window.isEmpty(), "the game's window did not appear");

    QCOMPARE(textProperty(window, "_NET_WM_NAME"), kTitle);
    QCOMPARE(textProperty(window, "WM_NAME"), kTitle);
    // What a user types to find the window, as the window test does.
    QCOMPARE(run("xdotool", {"search", "--onlyvisible", "--name", kTitle.trimmed()}).trimmed(), window);
}

int main(int argc, char *argv[])
{
    std::unique_ptr<HelperProcess> xvfb;
    if (!QStandardPaths::findExecutable("Xvfb").isEmpty()) {
        xvfb = startXvfb();
        g_display = xvfb->firstLine();
    }
    QCoreApplication app(argc, argv);
    TestWindowTitle test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowtitle.moc"
