// SPDX-License-Identifier: GPL-2.0-or-later
// A real mosquitto for the tests: a free loopback port, a password file,
// the project's example ACL, no anonymous access and a persistence file,
// so that retained messages outlive a restart. And a probe: a client that
// keeps what it received, to wait on.
#pragma once

#include "../agent_process.h"
#include "mqtt_client.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <condition_variable>
#include <map>

namespace mqtt_test {

using agent_test::ReadText;

inline int FreePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

inline int Run(const std::vector<std::string>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The users the ACL names: head office and boxes logged in as SITE/SIGN.
struct User {
    std::string name, password;
};

class Broker {
public:
    explicit Broker(std::vector<User> users) : m_users(std::move(users)) {}
    ~Broker() { Stop(); }

    bool Start()
    {
        if (port == 0) {
            port = FreePort();
            const std::filesystem::path pw = dir.path / "passwd";
            for (size_t i = 0; i < m_users.size(); ++i) {
                std::vector<std::string> args = {"mosquitto_passwd", "-b"};
                if (i == 0)
                    args.push_back("-c");
                args.insert(args.end(), {pw.string(), m_users[i].name, m_users[i].password});
                if (Run(args) != 0)
                    return false;
            }
            std::ofstream conf(dir.path / "mosquitto.conf");
            conf << "listener " << port << " 127.0.0.1\n"
                 << "allow_anonymous false\n"
                 << "password_file " << pw.string() << "\n"
                 << "acl_file " << std::getenv("LUMIVO_SOURCE_DIR") << "/examples/mosquitto/acl\n"
                 << "persistence true\npersistence_location " << dir.path.string() << "/\n"
                 << "autosave_interval 1\n"
                 // As root it would switch to the mosquitto user, which cannot read our files.
                 << (::geteuid() == 0 ? "user root\n" : "");
            for (const User& u : m_users) {
                const std::string file = (dir.path / ("pw-" + std::to_string(passwordFile.size()))).string();
                std::ofstream(file) << u.password << "\n";
                passwordFile[u.name] = file;
            }
        }
        const std::string log = (dir.path / "mosquitto.log").string();
        pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(fd, STDERR_FILENO);
            ::dup2(fd, STDOUT_FILENO);
            const std::string conf = (dir.path / "mosquitto.conf").string();
            ::execlp("mosquitto", "mosquitto", "-c", conf.c_str(), nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (ReadText(log).find("running") != std::string::npos && Listening())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void Stop()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    std::vector<std::string> AgentArgs(const std::string& user) const
    {
        return {"--mqtt-host", "127.0.0.1", "--mqtt-port", std::to_string(port), "--mqtt-user", user,
                "--mqtt-password-file", passwordFile.at(user)};
    }
    agent::MqttOptions Options(const std::string& user) const
    {
        agent::MqttOptions o;
        o.host = "127.0.0.1";
        o.port = unsigned(port);
        o.user = user;
        o.passwordFile = passwordFile.at(user);
        return o;
    }

    agent_test::TempDir dir;
    int port = 0;
    pid_t pid = -1;
    std::map<std::string, std::string> passwordFile;

private:
    bool Listening() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }
    std::vector<User> m_users;
};

// A client that keeps every message it received.
class Probe {
public:
    Probe(const agent::MqttOptions& o, std::vector<std::string> subscriptions)
        : m_client(o, false), m_subscriptions(std::move(subscriptions))
    {
        m_client.OnConnect([this] {
            for (const std::string& s : m_subscriptions)
                m_client.Subscribe(s);
        });
        m_client.OnMessage([this](const agent::MqttMessage& m) {
            std::lock_guard lk(m_lock);
            messages.push_back(m);
            m_cv.notify_all();
        });
        std::string error;
        started = m_client.Start(error);
    }
    ~Probe() { m_client.Stop(false); }
    // Waits for a message on topic (after the first `from` messages) that
    // pred accepts; returns it, or nullopt when the time is up.
    template <class Pred>
    std::optional<agent::MqttMessage> WaitFor(const std::string& topic, Pred pred, int ms, size_t from = 0)
    {
        std::unique_lock lk(m_lock);
        std::optional<agent::MqttMessage> found;
        m_cv.wait_for(lk, std::chrono::milliseconds(ms), [&] {
            for (size_t i = from; i < messages.size(); ++i)
                if (messages[i].topic == topic && pred(messages[i])) {
                    found = messages[i];
                    return true;
                }
            return false;
        });
        return found;
    }
    std::optional<agent::MqttMessage> WaitFor(const std::string& topic, int ms, size_t from = 0)
    {
        return WaitFor(topic, [](const agent::MqttMessage&) { return true; }, ms, from);
    }
    size_t Count()
    {
        std::lock_guard lk(m_lock);
        return messages.size();
    }
    std::vector<agent::MqttMessage> Copy()
    {
        std::lock_guard lk(m_lock);
        return messages;
    }
    bool Connected() const { return m_client.Connected(); }
    bool WaitConnected(int ms = 5000)
    {
        for (int i = 0; i < ms / 10 && !m_client.Connected(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // The subscriptions are acknowledged right after.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return m_client.Connected();
    }
    agent::CMqttClient& Client() { return m_client; }

    bool started = false;
    std::vector<agent::MqttMessage> messages;

private:
    agent::CMqttClient m_client;
    std::vector<std::string> m_subscriptions;
    std::mutex m_lock;
    std::condition_variable m_cv;
};

} // namespace mqtt_test
