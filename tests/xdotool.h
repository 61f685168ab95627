#pragma once

#include <QElapsedTimer>
#include <QProcess>
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
