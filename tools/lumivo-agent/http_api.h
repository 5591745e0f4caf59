// SPDX-License-Identifier: GPL-2.0-or-later
// The HTTP interface: JSON in and out under /api/v1/, the web page at /.
// Handlers check the request, change the desired state and wake the loop;
// they never talk to the board. Every route but health and the page needs
// the bearer token.
#pragma once

#include "agent.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace agent {

// Body limits (413 beyond them).
constexpr size_t kMaxProjectBody = 4u << 20;  // a .qvndoc file
constexpr size_t kMaxScheduleBody = 1u << 20; // companion JSON or iCalendar

class CHttpApi {
public:
    CHttpApi(CAgent& agent, std::string token);
    ~CHttpApi();
    // Binds (TLS when the configuration names a certificate); false with the
    // reason. port 0 picks a free one (BoundPort tells which).
    bool Bind(std::string& error);
    int BoundPort() const { return m_port; }
    // Serves until Stop; blocking.
    void Serve();
    void Stop();

private:
    void Routes();
    CAgent& m_agent;
    std::string m_token;
    std::unique_ptr<httplib::Server> m_server;
    int m_port = 0;
};

// The state as JSON: what every interface publishes.
std::string StateJson(const AgentStatus& s, const DesiredState& d);
// The web page carried inside the program.
extern const char* const kWebPage;
// Logs one line (journal-friendly: no time stamp, the journal adds it).
void LogLine(const std::string& line);

} // namespace agent
