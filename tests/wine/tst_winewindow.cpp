// The Windows game as a player starts it: zorbuny.exe from the unpacked zip,
// under Wine, on the X server and window manager that tests/wine/run.sh
// brings up. It plays a move with the mouse, reads both marks off the screen,
// opens the About window and closes it, and leaves through «Игра», «Выход».
#include "glyphs.h"
#include "xdotool.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>

namespace {

constexpr int kWaitMs = 30000;     // Wine starts slowly the first time
constexpr int kTries = 3;

} // namespace

class TestWineWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void moveDialogAndExit();

private:
    static WId findWindow(const QString &title, int waitMs);
    QImage grab() const { return QGuiApplication::primaryScreen()->grabWindow(m_window).toImage(); }
    void save(const QImage &shot, const QString &name) const;
    bool clickMenuBar(int x);

    QString m_exe;
    QDir m_shots;
    QProcess m_game;
    WId m_window = 0;
    int m_menuHeight = 0;
};

void TestWineWindow::initTestCase()
{
    m_exe = qEnvironmentVariable("ZORBUNY_EXE");
    QVERIFY2(QFileInfo(m_exe).isFile(), "ZORBUNY_EXE names the unpacked zorbuny.exe");
    m_shots.setPath(qEnvironmentVariable("ZORBUNY_SCREENSHOTS", QDir::currentPath()));
    QVERIFY(m_shots.mkpath("."));
}

void TestWineWindow::cleanupTestCase()
{
    if (m_game.state() != QProcess::NotRunning) {
        m_game.kill();
        m_game.waitForFinished(kWaitMs);
    }
}

// The visible window of that exact title, 0 if none shows in time.
WId TestWineWindow::findWindow(const QString &title, int waitMs)
{
    return visibleWindow('^' + title + '$', waitMs);
}

void TestWineWindow::save(const QImage &shot, const QString &name) const
{
    const QString path = m_shots.filePath(name);
    QVERIFY2(shot.save(path), qPrintable(path));
    qInfo("screenshot: %s", qPrintable(path));
}

// Opens a menu by a click on its title, as a player does.
bool TestWineWindow::clickMenuBar(int x)
{
    return xdotool({"mousemove", "--window", QString::number(m_window), QString::number(x),
                    QString::number(m_menuHeight / 2), "click", "1"});
}

void TestWineWindow::moveDialogAndExit()
{
    // Started from its own folder, as a double-click on it does.
    m_game.setWorkingDirectory(QFileInfo(m_exe).absolutePath());
    m_game.setProcessChannelMode(QProcess::ForwardedChannels);
    m_game.start("wine", {QFileInfo(m_exe).fileName()});
    QVERIFY2(m_game.waitForStarted(kWaitMs), qPrintable(m_game.errorString()));

    m_window = findWindow(QStringLiteral(" Игра Зорбуны"), kWaitMs);
    QVERIFY2(m_window != 0, "the game's window did not appear");

    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT(windowDrawn(shot = grab()), kWaitMs);
    m_menuHeight = menuHeightIn(shot);
    QCOMPARE(shot.width(), kClientWidth);
    QCOMPARE(glyphIn(shot, cellRect(0, m_menuHeight)), Glyph::None);
    save(shot, "wine-start.png");

    const QPoint target = cellRect(0, m_menuHeight).center();
    QVERIFY(xdotool({"mousemove", "--window", QString::number(m_window),
                     QString::number(target.x()), QString::number(target.y()), "click", "1"}));
    QTRY_VERIFY_WITH_TIMEOUT(glyphIn(grab(), cellRect(90, m_menuHeight)) != Glyph::None, kWaitMs);
    shot = grab();
    save(shot, "wine-move.png");
    QCOMPARE(glyphIn(shot, cellRect(0, m_menuHeight)), Glyph::Cross);
    QCOMPARE(glyphIn(shot, cellRect(90, m_menuHeight)), Glyph::Ring);
    QCOMPARE(glyphIn(shot, cellRect(91, m_menuHeight)), Glyph::None);
    QCOMPARE(glyphIn(shot, cellRect(195, m_menuHeight)), Glyph::None);

    // «Справка», «О программе»: open «Игра» with the mouse, step right twice
    // to the help menu and up to its last item. Keys and clicks under Wine
    // are sometimes lost, so a step that shows no window is tried again.
    WId about = 0;
    for (int attempt = 0; attempt < kTries && !about; ++attempt) {
        QVERIFY(clickMenuBar(20));
        QTest::qWait(500);
        QVERIFY(xdotool({"key", "--delay", "200", "Right", "Right", "Up", "Return"}));
        about = findWindow(QStringLiteral(" О программе Зорбуны"), 5000);
        if (!about)
            xdotool({"key", "Escape", "Escape"});
    }
    QVERIFY2(about, "the About window did not open");
    QTest::qWait(500);
    save(QGuiApplication::primaryScreen()->grabWindow(about).toImage(), "wine-about.png");

    // Its OK button holds the focus: Enter closes it.
    bool closed = false;
    for (int attempt = 0; attempt < kTries && !closed; ++attempt) {
        xdotool({"windowactivate", "--sync", QString::number(about)});
        QVERIFY(xdotool({"key", "Return"}));
        closed = findWindow(QStringLiteral(" О программе Зорбуны"), 0) == 0;
        for (int wait = 0; wait < 25 && !closed; ++wait) {
            QTest::qWait(200);
            closed = findWindow(QStringLiteral(" О программе Зорбуны"), 0) == 0;
        }
    }
    QVERIFY2(closed, "Enter did not close the About window");
    QCOMPARE(glyphIn(grab(), cellRect(0, m_menuHeight)), Glyph::Cross);

    // «Игра», «Выход»: the menu's last item, below the separator.
    for (int attempt = 0; attempt < kTries && m_game.state() != QProcess::NotRunning; ++attempt) {
        QVERIFY(clickMenuBar(20));
        QTest::qWait(500);
        QVERIFY(xdotool({"key", "--delay", "200", "Down", "Down", "Return"}));
        m_game.waitForFinished(kWaitMs / 3);
        if (m_game.state() != QProcess::NotRunning)
            xdotool({"key", "Escape", "Escape"});
    }
    QVERIFY2(m_game.state() == QProcess::NotRunning, "the game did not end after Выход");
    QCOMPARE(m_game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_game.exitCode(), 0);
}

int main(int argc, char *argv[])
{
    // The screenshots are of Wine's windows on the X server run.sh started.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestWineWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_winewindow.moc"
