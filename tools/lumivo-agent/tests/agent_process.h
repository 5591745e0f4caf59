// SPDX-License-Identifier: GPL-2.0-or-later
// The built lumivo-agent run by a test on a loopback port with a simulated
// board, and a small HTTP client for it.
#pragma once

#include "core/project.h"

#include <common/text.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace agent_test {

inline std::string ReadText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string Example(const char* name)
{
    return ReadText(std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples" / name);
}

class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lumivo-agent-XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

class AgentProcess {
public:
    explicit AgentProcess(std::filesystem::path state, std::vector<std::string> extra = {})
        : m_state(std::move(state)), m_extra(std::move(extra))
    {
    }
    ~AgentProcess() { Stop(); }

    // Starts it and waits for its address; false when it did not come up.
    bool Start()
    {
        const std::string log = (m_state / "agent.log").string();
        std::filesystem::create_directories(m_state);
        std::ofstream(log, std::ios::trunc).close();
        std::vector<std::string> args = {LUMIVO_AGENT, "--state-dir", m_state.string(), "--listen", "127.0.0.1:0"};
        args.insert(args.end(), m_extra.begin(), m_extra.end());
        pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
            ::dup2(fd, STDERR_FILENO);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
        for (int i = 0; i < 300; ++i) {
            std::smatch m;
            const std::string text = ReadText(log);
            if (std::regex_search(text, m, listening)) {
                port = std::stoi(m[1]);
                token = ReadText(m_state / "token");
                while (!token.empty() && token.back() == '\n')
                    token.pop_back();
                return true;
            }
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void Kill(int signal = SIGKILL)
    {
        if (pid > 0) {
            ::kill(pid, signal);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    void Stop() { Kill(SIGTERM); }
    std::string Log() const { return ReadText(m_state / "agent.log"); }

    httplib::Client Client(bool withToken = true) const
    {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(20, 0);
        if (withToken)
            c.set_bearer_token_auth(token.c_str());
        return c;
    }
    nlohmann::json State() const
    {
        auto r = Client().Get("/api/v1/state");
        return r && r->status == 200 ? nlohmann::json::parse(r->body) : nlohmann::json();
    }
    // Polls the state until pred holds or the time is up.
    template <class Pred>
    bool WaitFor(Pred pred, int ms, nlohmann::json* last = nullptr) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            const nlohmann::json s = State();
            if (last)
                *last = s;
            if (!s.is_null() && pred(s))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        } while (std::chrono::steady_clock::now() < until);
        return false;
    }
    // The simulator this agent started (a child of one of its threads).
    int SimulatorPid() const
    {
        std::error_code ec;
        for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
            std::istringstream children(ReadText(task.path() / "children"));
            int child = 0;
            if (children >> child)
                return child;
        }
        return -1;
    }
    std::filesystem::path SimState() const { return m_state / "simulated-board"; }

    int pid = -1;
    int port = 0;
    std::string token;

private:
    std::filesystem::path m_state;
    std::vector<std::string> m_extra;
};

// The first items of the Ads the simulated board plays (Uses checked), from its state folder.
inline std::vector<CLumivo> PlayedItems(const std::filesystem::path& simState)
{
    const std::string blob = ReadText(simState / "ads.bin");
    lumivo::AdPages pages;
    lumivo::ReadAdBlob(reinterpret_cast<const uint8_t*>(blob.data()), blob.size(), pages);
    std::vector<CLumivo> out;
    for (const auto& page : pages)
        if (!page.front().skip)
            out.push_back(page.front());
    return out;
}

inline std::string ItemText(const CLumivo& item)
{
    std::u16string t;
    for (const CLumiChar& c : item.chars)
        if (c.code)
            t += char16_t(c.code);
    return common::Utf16ToUtf8(t);
}

// Their texts.
inline std::vector<std::string> PlayedTexts(const std::filesystem::path& simState)
{
    std::vector<std::string> out;
    for (const CLumivo& item : PlayedItems(simState))
        out.push_back(ItemText(item));
    return out;
}

inline bool Verified(const nlohmann::json& s)
{
    return s["verified"].is_string() && s["verified"] == s["applied"] && s["applied"] == s["target"];
}

} // namespace agent_test
