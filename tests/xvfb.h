#pragma once

#include <QProcess>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

// A program a test runs beside itself, such as an X server or a session bus
// of its own. It must run before the application connects to it, ends when
// this object does, and dies with the test should the test crash.
class HelperProcess
{
public:
    // It inherits the environment as it is now. With a log, all it prints goes there, so that
    // a talkative program (KWin) never fills a pipe nobody reads and stops.
    HelperProcess(const QString &program, const QStringList &arguments, const QString &log = {})
    {
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        if (!log.isEmpty()) {
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.setStandardOutputFile(log);
        }
        m_process.start(program, arguments);
    }
    ~HelperProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(kWaitMs))
            m_process.kill();
    }

    // Whether it started, and if not, why.
    bool started() { return m_process.waitForStarted(kWaitMs); }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString errorString() const { return m_process.errorString(); }

    // The first line it prints, such as a display number or a bus address;
    // empty if it printed none in time.
    QByteArray firstLine()
    {
        QByteArray output;
        while (!output.contains('\n') && m_process.waitForReadyRead(kWaitMs))
            output += m_process.readAllStandardOutput();
        return output.trimmed();
    }

private:
    static constexpr int kWaitMs = 10000;
    QProcess m_process;
};

// An X server that picks a free display itself (-displayfd), so that test
// runs can share a machine. Its firstLine() is the display number. Left to
// itself it resets whenever its last client leaves, undoing any keyboard map
// set on it and dropping whoever is connecting at that moment (xdotool ends
// as the game connects): -noreset keeps it as it is until the test ends.
inline std::unique_ptr<HelperProcess> startXvfb()
{
    return std::make_unique<HelperProcess>("Xvfb", QStringList{"-displayfd", "1", "-screen", "0",
                                                               "1024x768x24", "-nolisten", "tcp",
                                                               "-noreset"});
}

// A session bus of the test's own, its address set for whatever starts after
// it; null if it did not start.
inline std::unique_ptr<HelperProcess> startSessionBus()
{
    auto bus = std::make_unique<HelperProcess>(
        "dbus-daemon", QStringList{"--session", "--nofork", "--print-address=1"});
    const QByteArray address = bus->firstLine();
    if (address.isEmpty())
        return nullptr;
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    return bus;
}

// A program or service a test needs and this machine lacks: on a developer's
// machine the test skips, saying what is missing; in CI (CI=true) it fails
// with the same words, so that a missing package never passes for a test.
#define ZORBUNY_SKIP_UNLESS_CI(what)                                                               \
    do {                                                                                           \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))                                   \
            QFAIL(qPrintable(QString(what)));                                                      \
        QSKIP(qPrintable(QString(what)));                                                          \
    } while (false)
