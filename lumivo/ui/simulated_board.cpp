// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/simulated_board.h"

#include "ui/board_qtext.h"

#include <common/profile.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr const char* kSection = "Simulated Board";
constexpr int kStartMs = 5000;


} // namespace

CSimulatedBoard::Options CSimulatedBoard::Stored(const lumivo::BoardValues& project)
{
    const common::IProfile& p = common::AppProfile();
    Options o;
    o.moduleRows = qBound(1, p.GetProfileInt(kSection, "Module Rows", project.moduleRow), 4);
    o.moduleColumns = qBound(2, p.GetProfileInt(kSection, "Module Columns", project.moduleColumn), 20);
    const std::string language = p.GetProfileString(kSection, "Language", std::string(1, char(project.language)));
    o.language = language == "A" ? 'A' : 'E';
    o.contentRows = project.lumivoRow == 1 ? 1 : 2;
    o.contentColumns = project.lumivoColumn == 3 ? 3 : 6;
    return o;
}

void CSimulatedBoard::Store(const Options& o)
{
    common::IProfile& p = common::AppProfile();
    p.WriteProfileInt(kSection, "Module Rows", o.moduleRows);
    p.WriteProfileInt(kSection, "Module Columns", o.moduleColumns);
    p.WriteProfileString(kSection, "Language", std::string(1, o.language));
}

QString CSimulatedBoard::StateFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("simulated-board"));
}

QString CSimulatedBoard::Program()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lumivo-boardsim"));
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("lumivo-boardsim"));
}

CSimulatedBoard::CSimulatedBoard(QObject* parent) : QObject(parent) {}

CSimulatedBoard::~CSimulatedBoard() { Stop(); }

bool CSimulatedBoard::IsRunning() const { return m_process && m_process->state() == QProcess::Running; }

qint64 CSimulatedBoard::ProcessId() const { return IsRunning() ? m_process->processId() : 0; }

void CSimulatedBoard::Stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(2000))
            m_process->kill();
        m_process->waitForFinished(1000);
    }
    delete m_process;
    m_process = nullptr;
    m_device.clear();
}

QString CSimulatedBoard::Start(const Options& o, QString* error)
{
    if (IsRunning() && o == m_running && !m_device.isEmpty())
        return m_device;
    Stop();
    const QString program = Program();
    if (program.isEmpty()) {
        if (error)
            *error = lumivo::BoardQText("SimMissing", "The simulated board cannot start: the program lumivo-boardsim was found "
                                        "neither beside this program nor on the path.");
        return {};
    }
    const QString state = StateFolder();
    QDir().mkpath(state);
    m_process = new QProcess(this);
    // The frames it logs go to a file of its own, started afresh each time.
    m_process->setStandardErrorFile(QDir(state).filePath(QStringLiteral("boardsim.log")), QIODevice::Truncate);
    // Should the program die, the simulator goes with it.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start(program, {QStringLiteral("--module-rows"), QString::number(o.moduleRows),
                               QStringLiteral("--module-cols"), QString::number(o.moduleColumns),
                               QStringLiteral("--language"), QString(QLatin1Char(o.language)),
                               QStringLiteral("--content-rows"), QString::number(o.contentRows),
                               QStringLiteral("--content-cols"), QString::number(o.contentColumns),
                               QStringLiteral("--state"), state});
    // The first line of its output is the device to connect to.
    QElapsedTimer clock;
    clock.start();
    QByteArray line;
    while (m_process->waitForReadyRead(int(qMax<qint64>(1, kStartMs - clock.elapsed())))) {
        line += m_process->readAllStandardOutput();
        if (line.contains('\n') || clock.elapsed() >= kStartMs)
            break;
    }
    const QString device = QString::fromLocal8Bit(line.left(line.indexOf('\n'))).trimmed();
    if (!line.contains('\n') || device.isEmpty()) {
        if (error)
            *error = lumivo::BoardQText("SimFailed", "The simulated board did not start (%s).",
                          {m_process->errorString().toStdString()});
        Stop();
        return {};
    }
    m_running = o;
    m_device = device;
    return m_device;
}
