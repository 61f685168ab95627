#include "xvfb.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitMs = 15000;
const QString kSigns = u"/usr/share/weston"_s;

// A weston title-bar button's sign as weston's frame draws it: its ink and the
// rest of its square, the anti-aliased edge between them left out.
struct Sign
{
    explicit Sign(const QImage &image) : side(image.width())
    {
        for (int y = 1; y < side - 1; ++y) {
            for (int x = 1; x < side - 1; ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                if (alpha > 191)
                    ink.append({x, y});
                else if (alpha < 64)
                    paper.append({x, y});
            }
        }
    }
    int side;
    QList<QPoint> ink;
    QList<QPoint> paper;
};

// Where a sign stands in a screenshot: all its ink clearly darker than all the rest
// of its square. Darker, not dark: weston 14 may put the title bar over its dark panel.
int countSigns(const QImage &shot, const Sign &sign)
{
    constexpr int kContrast = 40;
    const QImage gray = shot.convertToFormat(QImage::Format_Grayscale8);
    const auto level = [&gray](int x, int y) { return int(gray.constScanLine(y)[x]); };
    int found = 0;
    for (int y = 0; y + sign.side <= gray.height(); ++y) {
        for (int x = 0; x + sign.side <= gray.width(); ++x) {
            int inkMax = 0;
            for (const QPoint &p : sign.ink)
                inkMax = std::max(inkMax, level(x + p.x(), y + p.y()));
            bool match = !sign.ink.isEmpty();
            for (qsizetype i = 0; match && i < sign.paper.size(); ++i)
                match = level(x + sign.paper[i].x(), y + sign.paper[i].y()) > inkMax + kContrast;
            found += match;
        }
    }
    return found;
}

// weston's major version: weston 10 frames X11 windows with no minimize button,
// weston 14 with the one the window asks for.
int westonMajor()
{
    QProcess weston;
    weston.start(u"weston"_s, {u"--version"_s});
    weston.waitForFinished(kWaitMs);
    static const QRegularExpression version(u"weston (\\d+)\\."_s);
    return version.match(QString::fromUtf8(weston.readAllStandardOutput())).captured(1).toInt();
}

} // namespace

// The game on a Wayland desktop: weston, headless, with XWayland. Left to
// itself the game runs through XWayland, where the compositor frames its
// window as the window asks, and says nothing on the terminal; a platform the
// user sets is kept. What weston drew is read from its screenshots.
class TestWayland : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void leftToItselfRunsThroughXWaylandWithItsOwnButtons();
    void platformTheUserSetIsKept();

private:
    QProcessEnvironment sessionEnvironment() const;
    bool onXWayland(const QString &title);
    QImage screenshot();

    QTemporaryDir m_runtime;
    std::unique_ptr<HelperProcess> m_weston;
    QString m_socket;
    QString m_display;
    QProcess m_game;
};

void TestWayland::initTestCase()
{
    for (const char *tool : {"weston", "weston-screenshooter", "Xwayland", "xdotool"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
    QVERIFY(m_runtime.isValid());
    QVERIFY(QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner |
                                                        QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner));
    // weston's XWayland listens there and fails if the folder is missing, as it is on a machine
    // where no X server has run yet; X servers make it world-writable and sticky.
    if (!QDir(u"/tmp/.X11-unix"_s).exists()) {
        QVERIFY(QDir().mkpath(u"/tmp/.X11-unix"_s));
        QCOMPARE(chmod("/tmp/.X11-unix", 01777), 0);
    }

    m_socket = u"zorbuny-test-%1"_s.arg(QCoreApplication::applicationPid());
    const QString log = m_runtime.filePath(u"weston.log"_s);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    // Screenshots need the debug protocol, and the pixman renderer to take them.
    m_weston = std::make_unique<HelperProcess>(
        u"weston"_s, QStringList{u"--backend=headless-backend.so"_s, u"--socket="_s + m_socket,
                                 u"--debug"_s, u"--use-pixman"_s, u"--xwayland"_s, u"--no-config"_s,
                                 u"--width=1024"_s, u"--height=768"_s, u"--log="_s + log});

    // XWayland takes the first free display and says which.
    static const QRegularExpression listening(u"xserver listening on display (:\\d+)"_s);
    QElapsedTimer clock;
    clock.start();
    while (m_display.isEmpty() && clock.elapsed() < kWaitMs) {
        QTest::qWait(100);
        QFile file(log);
        if (file.open(QIODevice::ReadOnly))
            m_display = listening.match(QString::fromUtf8(file.readAll())).captured(1);
    }
    QVERIFY2(!m_display.isEmpty(), "weston started no XWayland");
    QTRY_VERIFY_WITH_TIMEOUT(!screenshot().isNull(), kWaitMs);
}

void TestWayland::cleanup()
{
    if (m_game.state() != QProcess::NotRunning) {
        m_game.kill();
        m_game.waitForFinished(kWaitMs);
    }
}

// A desktop session as weston's would be, the user's platform choice not set.
QProcessEnvironment TestWayland::sessionEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
    environment.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
    environment.insert(u"WAYLAND_DISPLAY"_s, m_socket);
    environment.insert(u"DISPLAY"_s, m_display);
    return environment;
}

bool TestWayland::onXWayland(const QString &title)
{
    QProcess search;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    search.setProcessEnvironment(environment);
    search.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, title});
    return search.waitForFinished(kWaitMs) && !search.readAllStandardOutput().trimmed().isEmpty();
}

QImage TestWayland::screenshot()
{
    // weston-screenshooter writes wayland-screenshot-<time>.png into its working folder.
    QTemporaryDir folder;
    QProcess shooter;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"WAYLAND_DISPLAY"_s, m_socket);
    shooter.setProcessEnvironment(environment);
    shooter.setWorkingDirectory(folder.path());
    shooter.start(u"weston-screenshooter"_s, {});
    if (!shooter.waitForFinished(kWaitMs)) {
        shooter.kill();
        shooter.waitForFinished();
        return QImage();
    }
    const QStringList shots = QDir(folder.path()).entryList({u"*.png"_s});
    return shots.isEmpty() ? QImage() : QImage(folder.filePath(shots.first()));
}

void TestWayland::leftToItselfRunsThroughXWaylandWithItsOwnButtons()
{
    const Sign close{QImage(kSigns + u"/sign_close.png"_s)};
    const Sign minimize{QImage(kSigns + u"/sign_minimize.png"_s)};
    const Sign maximize{QImage(kSigns + u"/sign_maximize.png"_s)};
    QVERIFY(!close.ink.isEmpty() && !minimize.ink.isEmpty() && !maximize.ink.isEmpty());
    const int major = westonMajor();
    QVERIFY2(major >= 10, "no weston version");
    QCOMPARE(countSigns(screenshot(), close), 0);

    m_game.setProcessEnvironment(sessionEnvironment());
    m_game.setProcessChannelMode(QProcess::MergedChannels);
    m_game.start(QStringLiteral(ZORBUNY_EXECUTABLE), {});
    QVERIFY2(m_game.waitForStarted(kWaitMs), qPrintable(m_game.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(onXWayland(u"Игра Зорбуны"_s), kWaitMs);

    // weston frames the window by its hints: a close button and no maximize. weston 10
    // draws no minimize button on any X11 window, having nowhere to restore one from;
    // weston 14 draws the one the window asks for.
    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT(countSigns(shot = screenshot(), close) == 1, kWaitMs);
    QCOMPARE(countSigns(shot, maximize), 0);
    QCOMPARE(countSigns(shot, minimize), major >= 14 ? 1 : 0);

    m_game.terminate();
    QVERIFY(m_game.waitForFinished(kWaitMs));
    QCOMPARE(QString::fromLocal8Bit(m_game.readAll()), QString());
}

void TestWayland::platformTheUserSetIsKept()
{
    QProcessEnvironment environment = sessionEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
    // The Wayland requests the game makes, on its error output.
    environment.insert(u"WAYLAND_DEBUG"_s, u"client"_s);
    m_game.setProcessEnvironment(environment);
    m_game.setProcessChannelMode(QProcess::MergedChannels);
    m_game.start(QStringLiteral(ZORBUNY_EXECUTABLE), {});
    QVERIFY2(m_game.waitForStarted(kWaitMs), qPrintable(m_game.errorString()));

    QByteArray requests;
    QElapsedTimer clock;
    clock.start();
    const QByteArray title = QByteArrayLiteral("set_title(\" Игра Зорбуны");
    while (!requests.contains(title) && clock.elapsed() < kWaitMs) {
        m_game.waitForReadyRead(100);
        requests += m_game.readAll();
    }
    QVERIFY2(requests.contains(title), "no Wayland window of the game");
    QVERIFY(!onXWayland(u"Игра Зорбуны"_s));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestWayland test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland.moc"
