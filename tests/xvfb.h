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
    // It inherits the environment as it is now.
    HelperProcess(const QString &program, const QStringList &arguments)
    {
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(program, arguments);
    }
    ~HelperProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(kWaitMs))
            m_process.kill();
    }

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
