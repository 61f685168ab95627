// The Windows game as a player starts it: zorbuny.exe from the unpacked zip,
// under Wine, on the X server and window manager that tests/wine/run.sh
// brings up. It plays a move with the mouse, reads both marks off the screen,
// opens the About window and closes it, and leaves through «Игра», «Выход».
// Then a blind player's game by keys alone, as UI Automation tells it to a
// Windows screen reader (uia_reader.cpp).
#include "glyphs.h"
#include "xdotool.h"

#include "dialogs/frmhelp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

namespace {

constexpr int kWaitMs = 30000; // Wine starts slowly the first time
constexpr int kTries = 3;

} // namespace

class TestWineWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void moveDialogAndExit();
    void readerHearsTheGame();

private:
    static WId findWindow(const QString &title, int waitMs);
    QImage grab() const { return QGuiApplication::primaryScreen()->grabWindow(m_window).toImage(); }
    void startGame(QProcess &game);
    void listen();
    QString hear(const QString &keys, const QStringList &rows, const QStringList &notes = {});
    void save(const QImage &shot, const QString &name) const;
    bool clickMenuBar(int x);

    QString m_exe;
    QDir m_shots;
    QProcess m_game;
    WId m_window = 0;
    int m_menuHeight = 0;
    QProcess m_reader;
    QStringList m_rows;    // what the reader was told, row by row
    QStringList m_notes;   // the notifications the game raised, from Wine's log
    QStringList m_wineLog; // the reader's lines of Wine's log: what it lacks
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
    for (QProcess *process : {&m_game, &m_reader}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(kWaitMs);
        }
    }
}

// Started from its own folder, as a double-click on it does.
void TestWineWindow::startGame(QProcess &game)
{
    game.setWorkingDirectory(QFileInfo(m_exe).absolutePath());
    game.start("wine", {QFileInfo(m_exe).fileName()});
    QVERIFY2(game.waitForStarted(kWaitMs), qPrintable(game.errorString()));
    m_window = findWindow(QStringLiteral(" Игра Зорбуны"), kWaitMs);
    QVERIFY2(m_window != 0, "the game's window did not appear");
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
    m_game.setProcessChannelMode(QProcess::ForwardedChannels);
    startGame(m_game);
    if (QTest::currentTestFailed())
        return;

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

// Wine's client side delivers no notification (it says so in a "lacks" row), but
// logs each one the game raises: "fixme:uiautomation:UiaRaiseNotificationEvent
// (..., L"ряд 7, ...", L"") stub", non-ASCII as \XXXX. Such a line gives its text.
static QString notification(const QString &logLine)
{
    static const QRegularExpression raised(
        QString::fromLatin1(R"re(UiaRaiseNotificationEvent \(\w+, \d+, \d+, L"(.*)", L")re"));
    const QRegularExpressionMatch match = raised.match(logLine);
    if (!match.hasMatch())
        return {};
    const QString escaped = match.captured(1);
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{4}$"));
    QString text;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != u'\\' || i + 1 == escaped.size()) {
            text += escaped[i];
        } else if (const QString code = escaped.mid(i + 1, 4); hex.match(code).hasMatch()) {
            text += QChar(code.toUShort(nullptr, 16));
            i += 4;
        } else {
            ++i;
            text +=
                escaped[i] == u'n' || escaped[i] == u'r' || escaped[i] == u't' ? u' ' : escaped[i];
        }
    }
    return text;
}

void TestWineWindow::listen()
{
    while (m_reader.canReadLine()) {
        const QString row = QString::fromUtf8(m_reader.readLine()).simplified();
        qInfo("heard: %s", qPrintable(row));
        // Events a reader takes note of without a word are shown, not checked.
        if (!row.startsWith("event: "))
            m_rows << row;
    }
    m_reader.setReadChannel(QProcess::StandardError);
    while (m_reader.canReadLine())
        m_wineLog << QString::fromUtf8(m_reader.readLine()).trimmed();
    m_reader.setReadChannel(QProcess::StandardOutput);
    while (m_game.canReadLine()) {
        const QString text = notification(QString::fromUtf8(m_game.readLine()));
        if (!text.isEmpty()) {
            m_notes << text;
            qInfo("heard: notification: %s", qPrintable(text));
        }
    }
}

// Presses the keys (xdotool's arguments), waits for the rows and notifications
// they are to bring and a moment longer: exactly these must have come, so a
// row said twice fails as a missing one does. Empty if so, else what came.
QString TestWineWindow::hear(const QString &keys, const QStringList &rows, const QStringList &notes)
{
    listen();
    const qsizetype rowsFrom = m_rows.size(), notesFrom = m_notes.size();
    if (keys == QLatin1String("status bar"))
        m_reader.write("status bar\n");
    else if (!xdotool(keys.split(u' ', Qt::SkipEmptyParts)))
        return "xdotool failed: " + keys;
    QElapsedTimer clock;
    clock.start();
    qint64 lastNews = 0;
    qsizetype seen = 0;
    while (clock.elapsed() < kWaitMs) {
        QTest::qWait(50);
        listen();
        const qsizetype now = m_rows.size() + m_notes.size();
        if (now != seen) {
            seen = now;
            lastNews = clock.elapsed();
        }
        const bool all =
            m_rows.size() - rowsFrom >= rows.size() && m_notes.size() - notesFrom >= notes.size();
        if (all && clock.elapsed() - lastNews > 700)
            break;
    }
    const QStringList gotRows = m_rows.mid(rowsFrom), gotNotes = m_notes.mid(notesFrom);
    // A row given as "^..." is a pattern, for a reply not known before.
    const auto matches = [&] {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows[i].startsWith(u'^') ? !QRegularExpression(rows[i]).match(gotRows[i]).hasMatch()
                                         : rows[i] != gotRows[i])
                return false;
        }
        return true;
    };
    if (gotRows.size() == rows.size() && matches() && gotNotes == notes)
        return {};
    save(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), "wine-reader-failed.png");
    return QStringLiteral(
               "after \"%1\" the reader heard:\n  %2\n  notifications: %3\nnot:\n  %4\n  "
               "notifications: %5")
        .arg(keys, gotRows.join("\n  "), gotNotes.join(" / "), rows.join("\n  "),
             notes.join(" / "));
}

namespace {

QString cellName(int row, int column, const QString &mark)
{
    return QStringLiteral("ряд %1, столбец %2, %3").arg(row + 1).arg(column + 1).arg(mark);
}

QString focus(const QString &words)
{
    return QStringLiteral("focus: ") + words;
}

} // namespace

// The game as a blind player plays it on Windows: by keys alone, with what a
// screen reader is told through UI Automation, in the game's words. Tab to the
// board, arrows, a move by Space and two by Enter with the computer's reply
// heard after each, a refused move, the status bar, the line-length menu
// before and during a game, a lost game and a move after it, the rules and
// About. Cells are counted from 0 here, and named from 1.
void TestWineWindow::readerHearsTheGame()
{
    const QString readerExe = qEnvironmentVariable("ZORBUNY_UIA_READER");
    QVERIFY2(QFileInfo(readerExe).isFile(), "ZORBUNY_UIA_READER names uia_reader.exe");
    // Wine logs what its UI Automation leaves undone, such as notifications.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEDEBUG", "-all,fixme+uiautomation");
    m_reader.setProcessEnvironment(environment);
    m_reader.start("wine", {readerExe, QStringLiteral(" Игра Зорбуны")});
    QVERIFY2(m_reader.waitForStarted(kWaitMs), qPrintable(m_reader.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT((listen(), m_rows.contains("listening")), kWaitMs);
    m_game.setProcessChannelMode(QProcess::MergedChannels);
    m_game.setProcessEnvironment(environment);
    startGame(m_game);
    if (QTest::currentTestFailed())
        return;
    // It looks for the status bar first, among some 200 elements, which Wine lists slowly.
    QTRY_VERIFY_WITH_TIMEOUT((listen(), m_rows.contains("ready")), 4 * kWaitMs);
    // The keys go to the active window; no click may play a move first.
    QVERIFY(xdotool({"windowactivate", "--sync", QString::number(m_window)}));
    QTest::qWait(1000);
    listen();

    // What it cannot hear under Wine, with Wine's own word for it.
    for (const QString &row : std::as_const(m_rows)) {
        if (!row.startsWith("lacks: "))
            continue;
        const QString function = row.section(u'(', -1).section(u':', 0, 0);
        const auto evidence =
            std::find_if(m_wineLog.begin(), m_wineLog.end(), [&](const QString &line) {
                return !function.isEmpty() && line.contains(function);
            });
        qInfo("Wine's UI Automation %s; Wine's log: %s%s", qPrintable(row),
              evidence == m_wineLog.end() ? "(nothing)" : qPrintable(*evidence),
              row.contains("notification") ? "; the game's are read from Wine's log of "
                                             "UiaRaiseNotificationEvent, a stub that logs them"
                                           : "");
    }
    // Where Wine cannot tell a menu item's check mark, the rows leave it out.
    const bool toggles = m_rows.filter(QRegularExpression("^lacks: toggle states")).isEmpty();
    const auto checked = [&](const char *words) { return toggles ? QString(words) : QString(); };
    const QString empty = QStringLiteral("пусто");
    // As it comes up: the window and its focus, once each.
    const auto said = [&] {
        listen();
        return m_rows.filter(QRegularExpression("^(window|focus|text|notification): "));
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        said(), QStringList({"window: Игра Зорбуны", focus(cellName(0, 0, empty) + " button")}),
        kWaitMs);
    QTest::qWait(1000);
    QCOMPARE(said().size(), 2);

    QString failure;
    const auto step = [&](const QString &keys, const QStringList &rows,
                          const QStringList &notes = {}) {
        if (failure.isEmpty())
            failure = hear(keys, rows, notes);
        return failure.isEmpty();
    };
    // Tab and the arrows walk the board, each cell named as the focus comes.
    step("key Tab", {focus(cellName(0, 1, empty) + " button")});
    step("key shift+Tab", {focus(cellName(0, 0, empty) + " button")});
    step("key Right", {focus(cellName(0, 1, empty) + " button")});
    step("key Down", {focus(cellName(1, 1, empty) + " button")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // Before a game every line length may be chosen, 5 checked.
    const QString lineMenu = "keydown Alt_L key Cyrillic_u keyup Alt_L";
    step(lineMenu, {focus("Условие menu item"), focus("5 в ряду menu item" + checked(" checked"))});
    step("key Down", {focus("6 в ряду menu item" + checked(" not checked"))});
    step("key Escape", {focus("Условие menu item")});
    step("key Escape", {focus(cellName(1, 1, empty) + " button")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // A move: the X and where the computer replied, in that order, once each
    // as the focus comes to the reply. The game tracks the board as heard.
    QHash<int, QString> marks;
    const auto mark = [&](int cell) { return marks.value(cell, empty); };
    int at = 1 * 14 + 1;
    bool lost = false;
    const auto play = [&](const QString &key) {
        const QString reply =
            QStringLiteral(
                "^focus: %1\\. ряд (\\d+), столбец (\\d+), O(\\. Компьютер выиграл)? button$")
                .arg(QRegularExpression::escape(cellName(at / 14, at % 14, "X")));
        if (!step(key, {reply}))
            return;
        marks[at] = "X";
        const QRegularExpressionMatch heard = QRegularExpression(reply).match(m_rows.last());
        const int replied = (heard.captured(1).toInt() - 1) * 14 + heard.captured(2).toInt() - 1;
        if (marks.contains(replied))
            failure = "the computer replied on a taken cell: " + m_rows.last();
        marks[replied] = "O";
        at = replied;
        lost = heard.capturedLength(3) > 0;
    };
    play("key space");
    // On a taken cell nothing changes, and the reader is told so.
    step("key space", {}, {cellName(at / 14, at % 14, "O")});
    step("status bar", {"^status bar: Время игры: \\d:\\d\\d:\\d\\d Длина ряда: 5 Ход: 1$"});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // During a game the lengths are told, greyed.
    step(lineMenu, {focus("Условие menu item"),
                    focus("5 в ряду menu item" + checked(" checked") + " unavailable")});
    step("key Down", {focus("6 в ряду menu item" + checked(" not checked") + " unavailable")});
    step("key Return", {});
    step("key Escape", {focus("Условие menu item")});
    step("key Escape", {focus(cellName(at / 14, at % 14, "O") + " button")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // Moves by Enter on cells far from each other, so that the computer wins
    // in five moves; the arrows name each cell on the way with its mark.
    const QList<QPoint> far{{0, 13}, {13, 0}, {13, 13}, {0, 7}, {13, 7}, {7, 0}, {7, 13}, {3, 11}};
    for (const QPoint &target : far) {
        const int cell = target.x() * 14 + target.y();
        if (lost || !failure.isEmpty())
            break;
        if (marks.contains(cell))
            continue;
        while (at != cell && failure.isEmpty()) {
            const int row = at / 14, column = at % 14;
            const QString key = row < target.x()      ? "Down"
                                : row > target.x()    ? "Up"
                                : column < target.y() ? "Right"
                                                      : "Left";
            at += key == "Down" ? 14 : key == "Up" ? -14 : key == "Right" ? 1 : -1;
            step("key " + key, {focus(cellName(at / 14, at % 14, mark(at)) + " button")});
        }
        play("key Return");
    }
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY2(lost, "the computer did not win");
    QCOMPARE(m_rows.filter("Компьютер выиграл").size(), 1);

    // The ended game refuses a move, and says why.
    step("key space", {}, {cellName(at / 14, at % 14, "O") + ". Игра окончена"});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // The rules, then About, each read once: title, texts, OK.
    frmHelp help;
    const QString rules = help.findChild<QLabel *>("Label2")->text();
    const QString helpMenu = "keydown Alt_L key Cyrillic_es keyup Alt_L";
    const QString back = focus(cellName(at / 14, at % 14, "O") + ". Компьютер выиграл button");
    step(helpMenu, {focus("Справка menu item"), focus("Правила игры menu item")});
    step("key Return", {"window: Правила игры Зорбуны dialog", "text: Правила игры Зорбуны",
                        "text: " + rules.simplified(), focus("OK button")});
    step("key Return", {"window: Игра Зорбуны", back});
    step(helpMenu, {focus("Справка menu item"), focus("Правила игры menu item")});
    step("key Up", {focus("О программе menu item")});
    step("key Return", {"window: О программе Зорбуны dialog", "text: Игра Зорбуны",
                        "text: Версия 1.1", "text: Кто первым выстроит ряд?", focus("OK button")});
    step("key Return", {"window: Игра Зорбуны", back});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_reader.closeWriteChannel();
    QVERIFY(m_reader.waitForFinished(kWaitMs));
    m_game.kill();
    m_game.waitForFinished(kWaitMs);
}

int main(int argc, char *argv[])
{
    // The screenshots are of Wine's windows on the X server run.sh started.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestWineWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_winewindow.moc"
