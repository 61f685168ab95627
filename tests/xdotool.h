#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <QWindow>

// xdotool drives a real window from outside, as a player's mouse and keys do.

// True if it ran in time and succeeded; what it printed goes to output.
inline bool xdotool(const QStringList &arguments, QString *output = nullptr)
{
    constexpr int kWaitMs = 10000;
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

// The first visible window whose title matches the regular expression, asked
// at least once and then until waitMs have passed; 0 if none showed.
inline WId visibleWindow(const QString &title, int waitMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QString found;
        xdotool({"search", "--onlyvisible", "--name", title}, &found);
        if (const WId window = found.split('\n', Qt::SkipEmptyParts).value(0).toULongLong())
            return window;
        if (clock.elapsed() >= waitMs)
            return 0;
        QTest::qWait(100);
    }
}

// The keycodes the keyboard map leaves empty, for the Cyrillic letters of the
// menus' access keys: mapped before anyone reads the map, so xdotool need not
// remap one at each key. Empty if done, else why not.
inline QString mapCyrillicKeys()
{
    QProcess query;
    query.start("xmodmap", {"-pke"});
    if (!query.waitForFinished(10000) || query.exitCode() != 0) {
        // Such as an X server that reported its display and then did not answer on it.
        return "xmodmap could not read the keyboard map: " +
               QString::fromLocal8Bit(query.readAllStandardError()).trimmed();
    }
    QStringList spare;
    static const QRegularExpression empty("^keycode\\s+(\\d+)\\s*=\\s*$");
    for (const QString &line : QString::fromLatin1(query.readAllStandardOutput()).split('\n')) {
        if (const QRegularExpressionMatch match = empty.match(line); match.hasMatch())
            spare << match.captured(1);
    }
    const QStringList letters{"Cyrillic_u Cyrillic_U", "Cyrillic_es Cyrillic_ES"};
    if (spare.size() < letters.size())
        return "xmodmap found no keycodes to spare";
    QStringList arguments;
    for (qsizetype i = 0; i < letters.size(); ++i)
        arguments << "-e"
                  << QString("keycode %1 = %2").arg(spare[spare.size() - 1 - i], letters[i]);
    return QProcess::execute("xmodmap", arguments) == 0 ? QString()
                                                        : "xmodmap could not map the keys";
}
