#include "glyphs.h"
#include "panel.h"
#include "xdotool.h"
#include "xvfb.h"
#include "xwatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitMs = 10000;

enum class Server { Absent, Failed, Running } g_server = Server::Absent;
// Why the desktop asked for cannot run on this machine at all; the test then says so.
QString g_cannotRun;
QString g_windowManager;
bool g_windowManagerRunning = false;
bool g_panelsManaged = false;

// The desktop's panels: a bar along the top, as GNOME's, and a dock on the left, so that the
// work area's middle is off the screen's on both axes.
constexpr std::pair<Panel::Edge, int> kPanels[] = {{Panel::Edge::Top, 40}, {Panel::Edge::Left, 64}};
// The screen less the panels' strips, and the work area the window manager published.
QRect g_workArea;
QRect g_workAreaSeen;
// KWin 6.7 as a Wayland compositor publishes no work area to XWayland at all: an X11 program
// there knows only the screen, and its windows are centred on that, clear of the panels.
bool g_workAreaPublished = false;
QRect g_screen;
QList<QRect> g_panelStrips;
// KWin 6.7 as a Wayland compositor holds an X11 window in no frame window: the X server sees
// the client alone, first where the game put it before KWin took it in, a place KWin never
// shows. Where KWin showed each window is then told by KWin itself, a script of ours printing
// every frame it gives a window, from when the window is added, into the compositor's log.
QString g_compositorLog;
bool g_placesScriptLoaded = false;
constexpr char kPlacesScript[] = R"((workspace.windowAdded || workspace.clientAdded).connect(w => {
    const report = () => {
        const f = w.frameGeometry;
        print(`zorbuny-place ${f.x} ${f.y} ${f.width} ${f.height} ${w.caption}`);
    };
    report();
    w.frameGeometryChanged.connect(report);
});
)";

// KWin's account of every frame it gave the windows of this caption, in order.
QList<QRect> kwinPlaces(const QString &caption)
{
    QFile log(g_compositorLog);
    QList<QRect> places;
    if (!log.open(QIODevice::ReadOnly))
        return places;
    static const QRegularExpression line(u"zorbuny-place (\\S+) (\\S+) (\\S+) (\\S+) (.*)$"_s,
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(QString::fromUtf8(log.readAll())); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(5) == caption)
            places << QRect(
                qRound(match.captured(1).toDouble()), qRound(match.captured(2).toDouble()),
                qRound(match.captured(3).toDouble()), qRound(match.captured(4).toDouble()));
    }
    return places;
}

QString described(const QRect &rect)
{
    return u"%1,%2 %3x%4"_s.arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

// _MOTIF_WM_HINTS: the functions and the title-bar decorations a window asks for.
constexpr quint32 kMotifAll = 0x01;
constexpr quint32 kMotifMinimize = 0x08;
constexpr quint32 kMotifMaximize = 0x10;
constexpr quint32 kMotifDecorMinimize = 0x20;
constexpr quint32 kMotifDecorMaximize = 0x40;

// What the window manager lets the user do with a window.
struct Allowed
{
    bool minimize;
    bool maximize;
    bool resize;
};

} // namespace

// Starts the game as a user would, on an X display under a real window
// manager (openbox, or the command in ZORBUNY_TEST_WINDOW_MANAGER) with
// panels that take strips of the screen: where its windows open and what the
// manager lets the user do with them, the menus' access keys, a click on a
// cell read off the screen, and leaving through the menu.
class TestRealWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void mainWindowOpensCentredWhereItStays();
    void accessKeysOpenCentredDialogs_data();
    void accessKeysOpenCentredDialogs();
    void clickShowsBothMarksAndExitEndsTheProgram();

private:
    void choose(const QString &menuKey, const QString &itemKey,
                const std::function<bool()> &chosen);
    bool gone(const QString &title);
    void openCentredDialogAndClose(const QString &key, const QString &title);
    void verifyCentred(WId window, const QString &name);
    Allowed allowed(WId window) const;

    std::unique_ptr<XWatch> m_watch;
    QImage grab() const { return m_watch->image(m_window); }

    QProcess m_game;
    WId m_window = 0;
    // How many of KWin's places for each title the test has already checked.
    QHash<QString, qsizetype> m_kwinPlacesChecked;
};

void TestRealWindow::initTestCase()
{
    if (!g_cannotRun.isEmpty())
        ZORBUNY_SKIP_UNLESS_CI(g_cannotRun);
    if (g_server == Server::Absent)
        ZORBUNY_SKIP_UNLESS_CI("Xvfb is not installed");
    QVERIFY2(g_server == Server::Running, qPrintable(g_windowManager + u": no X server"_s));
    QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool drives the window");
    QVERIFY2(g_windowManagerRunning, qPrintable(g_windowManager + u" did not start"_s));
    QVERIFY2(g_panelsManaged, qPrintable(g_windowManager + u" did not take the panels in"_s));
    QVERIFY2(g_compositorLog.isEmpty() || g_placesScriptLoaded,
             "KWin did not load the script that tells where it shows the windows");
    if (!g_workAreaPublished && !g_panelStrips.isEmpty()) {
        qInfo("%s publishes no _NET_WORKAREA: the screen is all a program can know",
              qPrintable(g_windowManager));
        g_workArea = g_screen;
    } else {
        QVERIFY2(g_workAreaSeen == g_workArea,
                 qPrintable(u"_NET_WORKAREA is %1, not the %2 the panels leave"_s.arg(
                     described(g_workAreaSeen), described(g_workArea))));
    }
}

void TestRealWindow::init()
{
    // Watching from before the game starts, to see where its windows are first mapped.
    m_watch = std::make_unique<XWatch>();
    QVERIFY(m_watch->ok());
    m_game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The game picks its platform as it does on a user's desktop.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    m_game.setProcessEnvironment(environment);
    m_game.start(ZORBUNY_EXECUTABLE, {});
    QVERIFY2(m_game.waitForStarted(kWaitMs), qPrintable(m_game.errorString()));
    m_window = visibleWindow(u"Игра Зорбуны"_s, kWaitMs);
    QVERIFY2(m_window != 0, "the game's window did not appear");
}

void TestRealWindow::cleanup()
{
    if (m_game.state() != QProcess::NotRunning) {
        m_game.kill();
        m_game.waitForFinished(kWaitMs);
    }
}

// Alt and a menu's access key, then an item's. The game reads the keys once openbox has made
// its window active; a key that comes before is lost, so the whole choice is made again.
void TestRealWindow::choose(const QString &menuKey, const QString &itemKey,
                            const std::function<bool()> &chosen)
{
    QString active;
    QTRY_VERIFY_WITH_TIMEOUT(xdotool({"getactivewindow"}, &active) &&
                                 active.trimmed().toULongLong() == m_window,
                             kWaitMs);
    for (int attempt = 0; attempt < 3; ++attempt) {
        QVERIFY(xdotool({"key", "alt+" + menuKey}));
        QTest::qWait(300);
        QVERIFY(xdotool({"key", itemKey}));
        if (chosen())
            return;
        QVERIFY(xdotool({"key", "Escape", "Escape"}));
    }
    QFAIL(qPrintable(u"alt+%1, %2 chose nothing"_s.arg(menuKey, itemKey)));
}

bool TestRealWindow::gone(const QString &title)
{
    QString found;
    xdotool({"search", "--onlyvisible", "--name", title}, &found);
    return found.trimmed().isEmpty();
}

// The frame, title bar included, in the middle of the work area (the screen
// less the panels) within a pixel, and there from the moment it was mapped.
void TestRealWindow::verifyCentred(WId window, const QString &name)
{
    // The frame is the client and the extents the manager set on it: KWin 6 as a Wayland
    // compositor draws the title bar itself and holds X11 windows in no X window of its size.
    // KWin sets them just after it maps the window, which may be seen in between.
    QList<quint32> extents;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (extents = m_watch->values(window, "_NET_FRAME_EXTENTS")).size() == 4 && extents[2] > 0,
        "the window manager gave the window no frame", kWaitMs);
    // KWin maps its frame as a 1-pixel stand-in at the screen's corner and sizes and places it
    // after: the window is measured once its top-level window has its full size, the frame's
    // or, with no frame window around it, its own.
    const QMargins frame{int(extents[0]), int(extents[2]), int(extents[1]), int(extents[3])};
    const QSize client = m_watch->geometry(window).size();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QSize outer = m_watch->geometry(m_watch->topLevel(window)).size();
            return outer == client || outer == client.grownBy(frame);
        }(),
        kWaitMs);
    const QRect placed = m_watch->onRoot(window).marginsAdded(frame);
    const QRect &area = g_workArea;
    // Twice the centres, so that half pixels count exactly.
    const QPoint offset =
        QPoint(2 * placed.x() + placed.width(), 2 * placed.y() + placed.height()) -
        QPoint(2 * area.x() + area.width(), 2 * area.y() + area.height());
    const QString seen = u"frame %1,%2 %3x%4, centre off by %5,%6"_s.arg(placed.x())
                             .arg(placed.y())
                             .arg(placed.width())
                             .arg(placed.height())
                             .arg(offset.x() / 2.0)
                             .arg(offset.y() / 2.0);
    // Said on every run, so that placements can be compared across managers and machines.
    qInfo("%s: %s", qPrintable(name), qPrintable(seen));
    QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2, qPrintable(seen));
    for (const QRect &strip : g_panelStrips)
        QVERIFY2(!placed.intersects(strip), qPrintable(u"under a panel: "_s + seen));

    const xcb_window_t topLevel = m_watch->topLevel(window);
    if (topLevel == window && !g_compositorLog.isEmpty()) {
        QString title;
        QVERIFY(xdotool({"getwindowname", QString::number(window)}, &title));
        // KWin's caption, as the title with its spaces simplified.
        title = title.simplified();
        qsizetype &checked = m_kwinPlacesChecked[title];
        QList<QRect> shown;
        QTRY_VERIFY2_WITH_TIMEOUT((shown = kwinPlaces(title)).size() > checked,
                                  "KWin told no place for the window", kWaitMs);
        for (const QRect &place : shown.mid(checked))
            QCOMPARE(place, placed);
        checked = shown.size();
        return;
    }
    // Every place the window's top-level X window had at its full size, from its mapping on:
    // this one alone. KWin 5.27 as a Wayland compositor maps it as a 1-pixel stand-in and
    // sizes it after, where the window is first drawn; the stand-in is never seen.
    const QRect stays = m_watch->geometry(topLevel);
    m_watch->drain();
    const QList<QRect> places =
        QList<QRect>{m_watch->mappedAt(topLevel)} + m_watch->movedTo(topLevel);
    int fullSize = 0;
    for (const QRect &place : places) {
        if (place.size() == stays.size()) {
            ++fullSize;
            QCOMPARE(place.topLeft(), stays.topLeft());
        }
    }
    QVERIFY(fullSize > 0);
}

Allowed TestRealWindow::allowed(WId window) const
{
    const QList<quint32> actions = m_watch->values(window, "_NET_WM_ALLOWED_ACTIONS");
    const auto has = [&](const char *action) { return actions.contains(m_watch->atom(action)); };
    return {has("_NET_WM_ACTION_MINIMIZE"),
            has("_NET_WM_ACTION_MAXIMIZE_HORZ") || has("_NET_WM_ACTION_MAXIMIZE_VERT"),
            has("_NET_WM_ACTION_RESIZE")};
}

void TestRealWindow::mainWindowOpensCentredWhereItStays()
{
    verifyCentred(m_window, u"main window"_s);
    const Allowed main = allowed(m_window);
    QVERIFY(main.minimize);
    QVERIFY(!main.maximize);
    QVERIFY(!main.resize);
}

void TestRealWindow::accessKeysOpenCentredDialogs_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pauseMs");
    // At once, while the game may still be settling in; and after a pause, when the manager
    // has long done with the main window. Each dialog is then opened again straight after it
    // closed, with the menu that opened it just gone.
    for (const int pauseMs : {0, 3000}) {
        const QString when = pauseMs ? u", after a pause"_s : u", at once"_s;
        QTest::addRow("Справка, Правила игры%s", qPrintable(when))
            << u"Cyrillic_pe"_s << u"Правила игры Зорбуны"_s << pauseMs;
        QTest::addRow("Справка, О программе%s", qPrintable(when))
            << u"Cyrillic_o"_s << u"О программе Зорбуны"_s << pauseMs;
    }
}

void TestRealWindow::accessKeysOpenCentredDialogs()
{
    QFETCH(QString, key);
    QFETCH(QString, title);
    QFETCH(int, pauseMs);
    QTest::qWait(pauseMs);
    for (int opening = 1; opening <= 3; ++opening) {
        openCentredDialogAndClose(key, title);
        if (QTest::currentTestFailed()) {
            qWarning("at opening %d", opening);
            return;
        }
    }
}

void TestRealWindow::openCentredDialogAndClose(const QString &key, const QString &title)
{
    WId dialog = 0;
    choose(u"Cyrillic_es"_s, key, [&] { return (dialog = visibleWindow(title, 3000)) != 0; });
    QVERIFY2(dialog != 0, "the access keys opened no dialog");

    verifyCentred(dialog, title);
    const Allowed dialogAllows = allowed(dialog);
    QVERIFY(!dialogAllows.maximize);
    QVERIFY(!dialogAllows.resize);
    // openbox and KWin offer every window its minimize button whatever the window asks; the
    // dialog asks for none, in the hints a window manager reads for the buttons.
    const QList<quint32> motif = m_watch->values(dialog, "_MOTIF_WM_HINTS");
    QVERIFY(motif.size() >= 3);
    QCOMPARE(motif[1] & (kMotifAll | kMotifMinimize | kMotifMaximize), 0u); // functions
    QCOMPARE(motif[2] & (kMotifAll | kMotifDecorMinimize | kMotifDecorMaximize), 0u);
    QCOMPARE(m_watch->values(dialog, "WM_TRANSIENT_FOR").value(0), quint32(m_window));
    QVERIFY(
        m_watch->values(dialog, "_NET_WM_STATE").contains(m_watch->atom("_NET_WM_STATE_MODAL")));

    // OK holds the focus: Enter closes the dialog, and the game goes on.
    QVERIFY(xdotool({"key", "Return"}));
    QTRY_VERIFY_WITH_TIMEOUT(gone(title), kWaitMs);
    QCOMPARE(m_game.state(), QProcess::Running);
}

void TestRealWindow::clickShowsBothMarksAndExitEndsTheProgram()
{
    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT(windowDrawn(shot = grab()), kWaitMs);
    const int menuHeight = menuHeightIn(shot);
    QCOMPARE(shot.width(), kClientWidth);
    QCOMPARE(glyphIn(shot, cellRect(0, menuHeight)), Glyph::None);

    const QPoint target = cellRect(0, menuHeight).center();
    QVERIFY2(m_watch->click(m_watch->onRoot(m_window).topLeft() + target),
             "the pointer did not come to the cell");
    QTRY_VERIFY_WITH_TIMEOUT(glyphIn(grab(), cellRect(90, menuHeight)) != Glyph::None, kWaitMs);
    shot = grab();
    QCOMPARE(glyphIn(shot, cellRect(0, menuHeight)), Glyph::Cross);
    QCOMPARE(glyphIn(shot, cellRect(90, menuHeight)), Glyph::Ring);
    QCOMPARE(glyphIn(shot, cellRect(91, menuHeight)), Glyph::None);
    QCOMPARE(glyphIn(shot, cellRect(195, menuHeight)), Glyph::None);

    // Leave as a user does, by the access keys: "Игра", then "Выход".
    choose(u"Cyrillic_i"_s, u"Cyrillic_ve"_s, [&] { return m_game.waitForFinished(3000); });
    QVERIFY2(m_game.state() == QProcess::NotRunning, "the game did not end after Выход");
    QCOMPARE(m_game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_game.exitCode(), 0);
}

// Loads the script that prints KWin's places into the running KWin, through its session bus.
bool startKwinPlacesScript(const QDir &folder)
{
    QFile script(folder.filePath(u"places.js"_s));
    if (!script.open(QIODevice::WriteOnly) || script.write(kPlacesScript) < 0)
        return false;
    script.close();
    const auto call = [](const QString &method, const QStringList &arguments) {
        return QProcess::execute(u"dbus-send"_s,
                                 QStringList{u"--session"_s, u"--print-reply"_s,
                                             u"--dest=org.kde.KWin"_s, u"/Scripting"_s,
                                             u"org.kde.kwin.Scripting."_s + method} +
                                     arguments) == 0;
    };
    return call(u"loadScript"_s, {u"string:"_s + script.fileName(), u"string:zorbuny-places"_s}) &&
           call(u"start"_s, {});
}

// KWin's Wayland session (or the compositor named), headless, with XWayland: the display
// number of its XWayland, or empty, with g_cannotRun saying why when it cannot run here.
QByteArray startWaylandCompositor(const QString &program, const QDir &folder,
                                  std::unique_ptr<HelperProcess> &compositor)
{
    const QString installed = QStandardPaths::findExecutable(program);
    if (installed.isEmpty()) {
        g_cannotRun = program + u" is not installed"_s;
        return {};
    }
    // The compositor starts this in its session once XWayland is up, with DISPLAY set to it.
    const QString reporter = folder.filePath(u"report-display"_s);
    const QString reported = folder.filePath(u"display"_s);
    QFile script(reporter);
    if (!script.open(QIODevice::WriteOnly) ||
        script.write(
            u"#!/bin/sh\necho \"$DISPLAY\" > '%1.new' && mv '%1.new' '%1'\n"_s.arg(reported)
                .toUtf8()) < 0 ||
        !script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner))
        return {};
    script.close();
    // KWin 6.7 takes what an X11 program types or clicks through XWayland (XTEST: xdotool's
    // and this test's own) into its input only once the user allows that program, in a prompt
    // no one answers in a test: the answer "always allow" is given ahead, as the prompt keeps it.
    QFile settings(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(u"kwinrc"_s));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write("[Xwayland]\nXwaylandEisNoPromptApps=xdotool,tst_realwindow\n") < 0)
        return {};
    settings.close();
    const QStringList arguments{u"--virtual"_s, u"--width"_s,    u"1024"_s, u"--height"_s,
                                u"768"_s,       u"--xwayland"_s, reporter};
    const QString log = folder.filePath(u"compositor.log"_s);
    compositor = std::make_unique<HelperProcess>(installed, arguments, log);
    if (!compositor->started()) {
        // Debian's kwin_wayland carries a file capability (to raise its limits, or its
        // priority) that a container may withhold, and then it cannot be started at all; a
        // copy of it, without the capability, is the same compositor.
        const QString copy = folder.filePath(QFileInfo(installed).fileName());
        if (QFile::copy(installed, copy) &&
            QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ExeOwner))
            compositor = std::make_unique<HelperProcess>(copy, arguments, log);
        if (!compositor->started()) {
            g_cannotRun = u"%1 cannot run here: %2"_s.arg(program, compositor->errorString());
            return {};
        }
    }
    for (int i = 0; i < 600 && compositor->running(); ++i) {
        QFile file(reported);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray display = file.readAll().trimmed();
            if (display.startsWith(':')) {
                if (program == u"kwin_wayland"_s) {
                    g_compositorLog = log;
                    g_placesScriptLoaded = startKwinPlacesScript(folder);
                }
                return display.mid(1);
            }
        }
        QThread::msleep(100);
    }
    if (!compositor->running())
        g_cannotRun = program + u" cannot run here: it ended as it started"_s;
    return {};
}

int main(int argc, char *argv[])
{
    // The desktop's settings, its runtime folder and whatever it writes stay in here.
    QTemporaryDir folder;
    const QDir desktop(folder.path());
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                 "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = desktop.filePath(QString::fromLatin1(variable).toLower());
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        qputenv(variable, QFile::encodeName(path));
    }
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    // KWin wants a session bus; a private one, so nothing of the user's session is touched.
    // Started once DISPLAY is what it will stay, for the services it starts to inherit.
    std::unique_ptr<HelperProcess> bus, xvfb, windowManager;
    std::vector<std::unique_ptr<Panel>> panels;
    QByteArray display;
    const QString compositor = qEnvironmentVariable("ZORBUNY_TEST_WAYLAND_COMPOSITOR");
    if (!compositor.isEmpty()) {
        // The compositor is the window manager of its XWayland.
        g_windowManager = compositor;
        g_server = Server::Failed;
        qunsetenv("DISPLAY");
        bus = startSessionBus();
        display = startWaylandCompositor(compositor, desktop, windowManager);
    } else if (!QStandardPaths::findExecutable("Xvfb").isEmpty()) {
        g_windowManager = qEnvironmentVariable("ZORBUNY_TEST_WINDOW_MANAGER", u"openbox"_s);
        g_server = Server::Failed;
        xvfb = startXvfb();
        display = xvfb->firstLine();
    }
    if (!display.isEmpty()) {
        g_server = Server::Running;
        qputenv("DISPLAY", ":" + display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        XWatch watch;
        // A Russian keyboard, as the access keys are Cyrillic letters: each then has a key of
        // its own, and xdotool need not remap one while the game may be reading the map.
        QProcess::execute("setxkbmap", {"-layout", "ru"});
        if (xvfb) {
            bus = startSessionBus();
            const QStringList command = QProcess::splitCommand(g_windowManager);
            windowManager = std::make_unique<HelperProcess>(command.value(0), command.mid(1),
                                                            desktop.filePath(u"wm.log"_s));
        }
        // KWin takes a while to start on a busy machine.
        for (int i = 0; i < 600 && !g_windowManagerRunning; ++i) {
            g_windowManagerRunning =
                !watch.values(watch.root(), "_NET_SUPPORTING_WM_CHECK").isEmpty();
            if (!g_windowManagerRunning)
                QThread::msleep(100);
        }
        // The panels come once the manager runs, as on a desktop, and the game once the
        // manager has taken their strips out of the work area.
        g_workArea = g_screen = watch.geometry(watch.root());
        g_panelsManaged = g_windowManagerRunning;
        // ZORBUNY_TEST_PANELS=none leaves them out, to compare with a desktop without any.
        if (qEnvironmentVariable("ZORBUNY_TEST_PANELS") != u"none"_s) {
            for (const auto &[edge, thickness] : kPanels) {
                panels.push_back(std::make_unique<Panel>(edge, thickness));
                g_workArea = panels.back()->leaves(g_workArea);
                g_panelStrips << panels.back()->reserved();
            }
        }
        for (const auto &panel : panels)
            g_panelsManaged = g_panelsManaged && panel->managed(10000);
        for (int i = 0; i < 100 && g_panelsManaged; ++i) {
            const QList<quint32> area = watch.values(watch.root(), "_NET_WORKAREA");
            g_workAreaPublished = g_workAreaPublished || area.size() >= 4;
            // KWin publishes none while nothing reserves a strip: the whole screen, then.
            g_workAreaSeen = area.size() >= 4
                                 ? QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3]))
                                 : watch.geometry(watch.root());
            if (g_workAreaSeen == g_workArea)
                break;
            QThread::msleep(100);
        }
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
