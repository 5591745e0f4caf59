// SPDX-License-Identifier: GPL-2.0-or-later
// The agent's configuration: one file of "key = value" lines ("#" starts a
// comment), and the same keys as command-line options ("--key value"),
// which win over the file.
#pragma once

#include "mqtt_config.h"

#include <string>
#include <vector>

namespace agent {

struct AgentConfig {
    std::string device = "simulated"; // a serial device, or "simulated"
    std::string listen = "127.0.0.1:8750";
    std::string stateDir;  // default: $STATE_DIRECTORY, else ~/.local/state/lumivo-agent
    std::string tokenFile; // default: <state-dir>/token
    unsigned baud = 115200;
    unsigned checkSeconds = 30;
    std::string cert, key; // TLS; both or neither
    bool insecure = false; // allows plain HTTP on an address other than loopback
    // The simulated board's size and language.
    unsigned simulatedRows = 1, simulatedColumns = 6;
    char simulatedLanguage = 'A';
    std::string language = "English"; // the language file of dates and messages
    std::string boardsim; // the simulator's program; default: beside this one, else on the path

    MqttConfig mqtt;

    std::string host; // from listen
    int port = 0;
};

// Every key with its default, in the order of the manual page.
struct ConfigKey {
    const char* name;
    const char* value;
    const char* help;
};
const std::vector<ConfigKey>& ConfigKeys();

// Reads the command line (without argv[0]): --config FILE first, then the
// file (/etc/lumivo/agent.conf when no --config is given and it exists),
// then the other options over it. False with the reason naming the key or
// option. help/version are set when asked for.
bool LoadConfig(const std::vector<std::string>& args, AgentConfig& out, std::string& error, bool& help,
                bool& version);
std::string Usage();

// Whether a listen host is a loopback address.
bool IsLoopback(const std::string& host);

} // namespace agent
