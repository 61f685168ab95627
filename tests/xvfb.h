#pragma once

#include <QProcess>

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
// runs can share a machine. Its firstLine() is the display number.
inline std::unique_ptr<HelperProcess> startXvfb()
{
    return std::make_unique<HelperProcess>(
        "Xvfb", QStringList{"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
}
