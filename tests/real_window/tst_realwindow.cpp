#include "xvfb.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int kClientHeight = 373; // the menu bar stands above it
constexpr int kWaitMs = 10000;

enum class Server { Absent, Failed, Running } g_server = Server::Absent;

enum class Glyph { None, Cross, Ring };

bool dark(QRgb pixel)
{
    return qGray(pixel) < 96;
}

// Tells a cell's mark from the dark pixels inside its frame: an "X" is dark
// where its strokes cross, in the middle of its outline; an "O" is hollow there.
Glyph glyphIn(const QImage &window, const QRect &cell)
{
    const QRect inside = cell.adjusted(4, 4, -4, -4);
    QRect outline;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (dark(window.pixel(x, y)))
                outline |= QRect(x, y, 1, 1);
    if (outline.width() < 4 || outline.height() < 4)
        return Glyph::None;
    const QPoint middle = outline.center();
    for (const QPoint &step : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        if (dark(window.pixel(middle + step)))
            return Glyph::Cross;
    return Glyph::Ring;
}

QRect cellRect(int index, int menuHeight)
{
    return QRect(12 + 24 * (index % 14), menuHeight + 8 + 24 * (index / 14), 25, 25);
}

} // namespace

// Starts the game as a user would, on an X display, clicks a cell with the
// mouse, reads the marks off the screen and leaves through the menu.
class TestRealWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void clickShowsBothMarksAndExitEndsTheProgram();

private:
    bool xdotool(const QStringList &arguments, QString *output = nullptr);
    QImage grab() const { return QGuiApplication::primaryScreen()->grabWindow(m_window).toImage(); }

    QProcess m_game;
    WId m_window = 0;
};

void TestRealWindow::initTestCase()
{
    if (g_server == Server::Absent)
        QSKIP("Xvfb is not installed");
    QVERIFY2(g_server == Server::Running, "Xvfb did not start");
    QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool drives the window");
}

void TestRealWindow::cleanup()
{
    if (m_game.state() != QProcess::NotRunning) {
        m_game.kill();
        m_game.waitForFinished(kWaitMs);
    }
}

bool TestRealWindow::xdotool(const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start("xdotool", arguments);
    if (!process.waitForFinished(kWaitMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TestRealWindow::clickShowsBothMarksAndExitEndsTheProgram()
{
    m_game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_game.start(ZORBUNY_EXECUTABLE, {});
    QVERIFY2(m_game.waitForStarted(kWaitMs), qPrintable(m_game.errorString()));

    QString found;
    QElapsedTimer clock;
    clock.start();
    while (found.trimmed().isEmpty() && clock.elapsed() < kWaitMs) {
        QTest::qWait(100);
        xdotool({"search", "--onlyvisible", "--name", "Игра Зорбуны"}, &found);
    }
    m_window = found.split('\n', Qt::SkipEmptyParts).value(0).toULongLong();
    QVERIFY2(m_window != 0, "the game's window did not appear");

    // The first frame is in when the status line's text is.
    QImage shot;
    int menuHeight = 0;
    const auto windowDrawn = [&] {
        shot = grab();
        menuHeight = shot.height() - kClientHeight;
        int text = 0;
        for (int y = qMax(menuHeight, 0) + 352; y < shot.height(); ++y)
            for (int x = 16; x < 80; ++x)
                text += dark(shot.pixel(x, y));
        return menuHeight > 0 && text > 20;
    };
    QTRY_VERIFY_WITH_TIMEOUT(windowDrawn(), kWaitMs);
    QCOMPARE(shot.width(), 360);
    QCOMPARE(glyphIn(shot, cellRect(0, menuHeight)), Glyph::None);

    const QPoint target = cellRect(0, menuHeight).center();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(m_window),
                     QString::number(target.x()), QString::number(target.y()), "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(glyphIn(grab(), cellRect(90, menuHeight)) != Glyph::None, kWaitMs);
    shot = grab();
    QCOMPARE(glyphIn(shot, cellRect(0, menuHeight)), Glyph::Cross);
    QCOMPARE(glyphIn(shot, cellRect(90, menuHeight)), Glyph::Ring);
    QCOMPARE(glyphIn(shot, cellRect(91, menuHeight)), Glyph::None);
    QCOMPARE(glyphIn(shot, cellRect(195, menuHeight)), Glyph::None);

    // Leave as a user does: open "Игра" and choose its last item, "Выход".
    QVERIFY(xdotool({"mousemove", "--window", QString::number(m_window), "20",
                     QString::number(menuHeight / 2), "click", "1"}));
    QTest::qWait(500);
    QVERIFY(xdotool({"key", "Down", "Down", "Return"}));
    QVERIFY2(m_game.waitForFinished(kWaitMs), "the game did not end after Выход");
    QCOMPARE(m_game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_game.exitCode(), 0);
}

int main(int argc, char *argv[])
{
    std::unique_ptr<HelperProcess> xvfb;
    QByteArray display;
    if (!QStandardPaths::findExecutable("Xvfb").isEmpty()) {
        g_server = Server::Failed;
        xvfb = startXvfb();
        display = xvfb->firstLine();
    }
    if (!display.isEmpty()) {
        g_server = Server::Running;
        qputenv("DISPLAY", ":" + display);
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Declared after the server, so that it leaves the display before the
    // server is ended.
    QGuiApplication app(argc, argv);
    TestRealWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_realwindow.moc"
