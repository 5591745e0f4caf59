// SPDX-License-Identifier: GPL-2.0-or-later
#include "simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace agent {

namespace {
constexpr int kStartMs = 5000;
}

std::string FindBoardSim(const std::string& configured)
{
    if (!configured.empty())
        return configured;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const auto beside = self.parent_path() / "lumivo-boardsim";
        if (::access(beside.c_str(), X_OK) == 0)
            return beside.string();
    }
    return "lumivo-boardsim";
}

CSimulatedBoardLink::CSimulatedBoardLink(const AgentConfig& c, std::string program)
    : m_program(std::move(program)), m_stateDir(c.stateDir + "/simulated-board"), m_baud(c.baud)
{
    m_args = {m_program,
              "--module-rows", std::to_string(c.simulatedRows),
              "--module-cols", std::to_string(c.simulatedColumns),
              "--language", std::string(1, c.simulatedLanguage),
              "--content-rows", std::to_string(c.simulatedRows >= 2 ? 2 : 1),
              "--state", m_stateDir,
              "--baud", std::to_string(c.baud)};
}

CSimulatedBoardLink::~CSimulatedBoardLink()
{
    m_inner.reset();
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        for (int i = 0; i < 200 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; ++i)
            ::usleep(10000);
        if (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
}

std::string CSimulatedBoardLink::Device() const
{
    std::lock_guard lk(m_lock);
    return "simulated" + (m_device.empty() ? std::string() : " (" + m_device + ")");
}

bool CSimulatedBoardLink::Ended()
{
    std::lock_guard lk(m_lock);
    if (m_pid <= 0)
        return false;
    if (::waitpid(m_pid, nullptr, WNOHANG) != m_pid)
        return false;
    m_pid = -1;
    return true;
}

lumivo::Result CSimulatedBoardLink::Ensure()
{
    std::unique_lock lk(m_lock);
    if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
        m_pid = -1;
    if (m_pid > 0 && m_inner)
        return {};
    m_inner.reset();
    std::error_code ec;
    std::filesystem::create_directories(m_stateDir, ec);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return lumivo::Result::Fail(std::string("cannot start the simulated board: ") + std::strerror(errno));
    const std::string log = m_stateDir + "/boardsim.log";
    std::vector<char*> argv;
    for (std::string& a : m_args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The simulator ends with the agent, whatever ends the agent.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
        ::dup2(out[1], STDOUT_FILENO);
        const int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            ::dup2(err, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return lumivo::Result::Fail(std::string("cannot start the simulated board: ") + std::strerror(errno));
    }
    // Its first line is the device.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMs);
    while (line.find('\n') == std::string::npos && line.size() < 4096) {
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
        pollfd p{out[0], POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0)
            break;
        char buf[256];
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, size_t(n));
    }
    ::close(out[0]);
    if (line.find('\n') == std::string::npos) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return lumivo::Result::Fail("the simulated board (" + m_program + ") did not start; see " + log);
    }
    m_pid = pid;
    m_device = line.substr(0, line.find('\n'));
    m_inner = MakeSerialBoardLink(m_device, m_baud);
    return {};
}

lumivo::Result CSimulatedBoardLink::Check(BoardInfo& info)
{
    if (lumivo::Result r = Ensure(); !r)
        return r;
    return m_inner->Check(info);
}

lumivo::Result CSimulatedBoardLink::Send(const std::vector<uint8_t>& blob, BoardInfo& info)
{
    if (lumivo::Result r = Ensure(); !r)
        return r;
    return m_inner->Send(blob, info);
}

lumivo::Result CSimulatedBoardLink::ReadBack(std::vector<uint8_t>& blob, BoardInfo& info)
{
    if (lumivo::Result r = Ensure(); !r)
        return r;
    return m_inner->ReadBack(blob, info);
}

lumivo::Result CSimulatedBoardLink::WriteSettings(const std::map<std::string, std::string>& settings)
{
    if (lumivo::Result r = Ensure(); !r)
        return r;
    return m_inner->WriteSettings(settings);
}

lumivo::Result CSimulatedBoardLink::SetClock()
{
    if (lumivo::Result r = Ensure(); !r)
        return r;
    return m_inner->SetClock();
}

} // namespace agent
