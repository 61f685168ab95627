#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kClientHeight = 373; // the menu bar stands above it
constexpr int kWaitMs = 10000;

// An Xvfb of our own on the first free display, found by Xvfb itself
// (-displayfd), so that several test runs can share a machine.
class Xvfb
{
public:
    ~Xvfb() { stop(); }

    bool start()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            return false;
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            const std::string path = program.toStdString();
            const std::string fd = std::to_string(fds[1]);
            execl(path.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                  "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (m_pid < 0) {
            close(fds[0]);
            return false;
        }
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, kWaitMs) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) {
            stop();
            return false;
        }
        m_display = ":" + number;
        return true;
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = 0;
                return;
            }
            usleep(100 * 1000);
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }

    const std::string &display() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};

bool g_haveXvfb = false;

enum class Glyph { None, Cross, Ring };

// Tells a cell's mark from the dark pixels inside its frame: an "X" is dark
// where its strokes cross, in the middle of its outline; an "O" is hollow there.
Glyph glyphIn(const QImage &window, const QRect &cell)
{
    const QRect inside = cell.adjusted(4, 4, -4, -4);
    QRect dark;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (qGray(window.pixel(x, y)) < 96)
                dark |= QRect(x, y, 1, 1);
    if (dark.width() < 4 || dark.height() < 4)
        return Glyph::None;
    const QPoint middle = dark.center();
    for (const QPoint &p :
         {middle, middle + QPoint(1, 0), middle + QPoint(0, 1), middle + QPoint(1, 1)})
        if (qGray(window.pixel(p)) < 96)
            return Glyph::Cross;
    return Glyph::Ring;
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
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr);
    bool xdotool(const QStringList &arguments, QString *output = nullptr);
    QImage grab() const;
    QRect cellRect(int index, int menuHeight) const;

    QProcess m_game;
    WId m_window = 0;
};

void TestRealWindow::initTestCase()
{
    if (!g_haveXvfb)
        QSKIP("Xvfb is not installed");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "xdotool is needed to drive the window");
}

void TestRealWindow::cleanup()
{
    if (m_game.state() != QProcess::NotRunning) {
        m_game.kill();
        m_game.waitForFinished(kWaitMs);
    }
}

bool TestRealWindow::run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kWaitMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool TestRealWindow::xdotool(const QStringList &arguments, QString *output)
{
    return run(QStringLiteral("xdotool"), arguments, output);
}

QImage TestRealWindow::grab() const
{
    return QGuiApplication::primaryScreen()->grabWindow(m_window).toImage();
}

QRect TestRealWindow::cellRect(int index, int menuHeight) const
{
    return QRect(12 + 24 * (index % 14), menuHeight + 8 + 24 * (index / 14), 25, 25);
}

void TestRealWindow::clickShowsBothMarksAndExitEndsTheProgram()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_game.setProcessEnvironment(environment);
    m_game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_game.start(QStringLiteral(ZORBUNY_EXECUTABLE), {});
    QVERIFY2(m_game.waitForStarted(kWaitMs), qPrintable(m_game.errorString()));

    QElapsedTimer clock;
    clock.start();
    QString found;
    while (clock.elapsed() < kWaitMs && found.trimmed().isEmpty()) {
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QStringLiteral("Игра Зорбуны")},
                &found);
        if (found.trimmed().isEmpty())
            QTest::qWait(100);
    }
    m_window = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0).toULongLong();
    QVERIFY2(m_window != 0, "the game's window did not appear");

    // Wait for the first frame, told by the dark text of the status line.
    QImage shot;
    int menuHeight = 0;
    const auto windowDrawn = [&] {
        shot = grab();
        menuHeight = shot.height() - kClientHeight;
        if (menuHeight <= 0)
            return false;
        int dark = 0;
        for (int y = menuHeight + 352; y < shot.height(); ++y)
            for (int x = 16; x < 80; ++x)
                dark += qGray(shot.pixel(x, y)) < 96;
        return dark > 20;
    };
    QTRY_VERIFY_WITH_TIMEOUT(windowDrawn(), kWaitMs);
    QCOMPARE(shot.width(), 360);
    QCOMPARE(glyphIn(shot, cellRect(0, menuHeight)), Glyph::None);

    const QPoint target = cellRect(0, menuHeight).center();
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                     QString::number(m_window), QString::number(target.x()),
                     QString::number(target.y()), QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(glyphIn(grab(), cellRect(90, menuHeight)) != Glyph::None, kWaitMs);

    shot = grab();
    QCOMPARE(glyphIn(shot, cellRect(0, menuHeight)), Glyph::Cross);
    QCOMPARE(glyphIn(shot, cellRect(90, menuHeight)), Glyph::Ring);
    QCOMPARE(glyphIn(shot, cellRect(91, menuHeight)), Glyph::None);
    QCOMPARE(glyphIn(shot, cellRect(195, menuHeight)), Glyph::None);

    // Leave as a user does: open "Игра" and choose its last item, "Выход".
    QVERIFY(
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(m_window),
                 QStringLiteral("20"), QString::number(menuHeight / 2), QStringLiteral("click"),
                 QStringLiteral("1")}));
    QTest::qWait(500);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
                     QStringLiteral("Return")}));
    QVERIFY2(m_game.waitForFinished(kWaitMs), "the game did not end after Выход");
    QCOMPARE(m_game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_game.exitCode(), 0);
}

// The X server has to run before the application connects to it.
int main(int argc, char *argv[])
{
    Xvfb server;
    g_haveXvfb = server.start();
    if (g_haveXvfb) {
        qputenv("DISPLAY", QByteArray::fromStdString(server.display()));
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        TestRealWindow test;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    server.stop();
    return result;
}

#include "tst_realwindow.moc"
