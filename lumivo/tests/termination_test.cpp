// SPDX-License-Identifier: GPL-2.0-or-later
// The real program, asked to stop by the system, shuts down in order rather
// than vanishing: its trace ends with the end line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {
QString ReadTrace(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

TEST(Termination, SigtermRunsTheOrderlyShutdown)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/lumivo"), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    // The handlers are in place before the trace's first line, so the stop
    // may come at once, while the window is still being made.
    const QString trace = dir.filePath(QStringLiteral("trace.log"));
    QDeadlineTimer started(20000);
    while (!started.hasExpired() && ReadTrace(trace).count(QLatin1Char('\n')) < 1)
        QThread::msleep(20);
    ASSERT_GE(ReadTrace(trace).count(QLatin1Char('\n')), 1) << "the program did not start";

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000)) << "SIGTERM did not end the program";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(ReadTrace(trace).trimmed().endsWith(QStringLiteral(" end")))
        << ReadTrace(trace).toStdString();
}
