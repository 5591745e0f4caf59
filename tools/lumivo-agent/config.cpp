// SPDX-License-Identifier: GPL-2.0-or-later
#include "config.h"

#include "core/atomic_file.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

namespace agent {

namespace {

constexpr const char* kSystemConfig = "/etc/lumivo/agent.conf";
constexpr size_t kMaxConfigBytes = 64 * 1024;

std::string Trim(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

bool Number(const std::string& key, const std::string& v, unsigned min, unsigned max, unsigned& out,
            std::string& error)
{
    char* end = nullptr;
    const unsigned long n = std::strtoul(v.c_str(), &end, 10);
    if (v.empty() || *end || v[0] == '-' || n < min || n > max) {
        error = key + " must be a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                ", not \"" + v + "\"";
        return false;
    }
    out = unsigned(n);
    return true;
}

bool Set(AgentConfig& c, const std::string& key, const std::string& v, std::string& error)
{
    if (key == "device")
        c.device = v;
    else if (key == "listen")
        c.listen = v;
    else if (key == "state-dir")
        c.stateDir = v;
    else if (key == "token-file")
        c.tokenFile = v;
    else if (key == "baud")
        return Number(key, v, 50, 4000000, c.baud, error);
    else if (key == "check-seconds")
        return Number(key, v, 1, 86400, c.checkSeconds, error);
    else if (key == "cert")
        c.cert = v;
    else if (key == "key")
        c.key = v;
    else if (key == "insecure") {
        if (v != "true" && v != "false" && v != "yes" && v != "no") {
            error = "insecure must be true or false, not \"" + v + "\"";
            return false;
        }
        c.insecure = v == "true" || v == "yes";
    } else if (key == "simulated-rows")
        return Number(key, v, 1, 4, c.simulatedRows, error);
    else if (key == "simulated-columns")
        return Number(key, v, 2, 20, c.simulatedColumns, error);
    else if (key == "simulated-language") {
        if (v != "A" && v != "E") {
            error = "simulated-language must be A or E, not \"" + v + "\"";
            return false;
        }
        c.simulatedLanguage = v[0];
    } else if (key == "language")
        c.language = v;
    else if (key == "boardsim")
        c.boardsim = v;
    else if (bool mqtt = false; !SetMqttKey(c.mqtt, key, v, error, mqtt))
        return false;
    else if (!mqtt) {
        error = "unknown key \"" + key + "\"";
        return false;
    }
    return true;
}

bool ReadFile(const std::string& path, AgentConfig& c, std::string& error)
{
    std::vector<uint8_t> bytes;
    const lumivo::Result r = lumivo::ReadFileLimited(path, kMaxConfigBytes, bytes);
    if (!r) {
        error = r.FirstError();
        return false;
    }
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = path + ":" + std::to_string(n) + ": expected key = value";
            return false;
        }
        if (!Set(c, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), error)) {
            error = path + ":" + std::to_string(n) + ": " + error;
            return false;
        }
    }
    return true;
}

bool SplitListen(AgentConfig& c, std::string& error)
{
    const std::string& l = c.listen;
    size_t colon = l.rfind(':');
    std::string host = colon == std::string::npos ? "" : l.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    unsigned port = 0;
    if (host.empty() || !Number("the listen port", colon == std::string::npos ? "" : l.substr(colon + 1), 0, 65535,
                                port, error)) {
        error = "listen must be HOST:PORT, not \"" + l + "\"";
        return false;
    }
    c.host = host;
    c.port = int(port);
    return true;
}

} // namespace

const std::vector<ConfigKey>& ConfigKeys()
{
    static const std::vector<ConfigKey> keys = [] {
        std::vector<ConfigKey> k = {
        {"device", "DEV|simulated", "the board's serial device, or simulated (default simulated)"},
        {"listen", "HOST:PORT", "the HTTP address (default 127.0.0.1:8750)"},
        {"state-dir", "DIR", "the state folder (default $STATE_DIRECTORY, else ~/.local/state/lumivo-agent)"},
        {"token-file", "FILE", "the bearer token; made when missing (default STATE-DIR/token)"},
        {"baud", "N", "the serial line's speed (default 115200)"},
        {"check-seconds", "N", "period of the check that the board still holds what was sent (default 30)"},
        {"cert", "FILE", "TLS certificate (PEM); with key, the API is served over HTTPS"},
        {"key", "FILE", "TLS private key (PEM)"},
        {"insecure", "", "allow plain HTTP on an address other than loopback (in the file: insecure = true; default off)"},
        {"simulated-rows", "N", "the simulated board's module rows (default 1)"},
        {"simulated-columns", "N", "the simulated board's module columns (default 6)"},
        {"simulated-language", "A|E", "the simulated board's language (default A)"},
        {"language", "NAME", "the language file for dates and messages (default English)"},
        {"boardsim", "FILE", "the simulator's program (default: beside lumivo-agent, else on the path)"},
        };
        k.insert(k.end(), MqttConfigKeys().begin(), MqttConfigKeys().end());
        return k;
    }();
    return keys;
}

std::string Usage()
{
    std::string u = "usage: lumivo-agent [--config FILE] [--KEY VALUE]...\n"
                    "  Keeps one sign board showing what it is asked to, and serves the HTTP API.\n"
                    "  --config FILE        the configuration file (default " +
                    std::string(kSystemConfig) + " when it exists)\n";
    for (const ConfigKey& k : ConfigKeys()) {
        std::string left = std::string("  --") + k.name + (*k.value ? " " : "") + k.value;
        left.resize(std::max<size_t>(left.size() + 1, 23), ' ');
        u += left + k.help + "\n";
    }
    u += "  --help, --version\n";
    return u;
}

bool IsLoopback(const std::string& host)
{
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

bool LoadConfig(const std::vector<std::string>& args, AgentConfig& c, std::string& error, bool& help,
                bool& version)
{
    help = version = false;
    std::string file;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h")
            help = true;
        else if (args[i] == "--version")
            version = true;
        else if (args[i] == "--config") {
            if (i + 1 >= args.size()) {
                error = "--config needs a file";
                return false;
            }
            file = args[++i];
        }
    }
    if (help || version)
        return true;
    std::error_code ec;
    if (file.empty() && std::filesystem::exists(kSystemConfig, ec))
        file = kSystemConfig;
    if (!file.empty() && !ReadFile(file, c, error))
        return false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--config") {
            ++i;
            continue;
        }
        if (a == "--insecure") {
            c.insecure = true;
            continue;
        }
        if (a.rfind("--", 0) != 0 || i + 1 >= args.size()) {
            error = a.rfind("--", 0) == 0 ? a + " needs a value" : "unexpected argument \"" + a + "\"";
            return false;
        }
        if (!Set(c, a.substr(2), args[++i], error))
            return false;
    }
    if (c.stateDir.empty()) {
        if (const char* s = std::getenv("STATE_DIRECTORY"); s && *s)
            c.stateDir = std::string(s).substr(0, std::string(s).find(':'));
        else if (const char* h = std::getenv("HOME"); h && *h)
            c.stateDir = std::string(h) + "/.local/state/lumivo-agent";
        else {
            error = "no state folder: give --state-dir";
            return false;
        }
    }
    if (c.tokenFile.empty())
        c.tokenFile = c.stateDir + "/token";
    if (c.cert.empty() != c.key.empty()) {
        error = "cert and key go together";
        return false;
    }
    return SplitListen(c, error) && (!c.mqtt.enabled() || FinishMqttConfig(c.mqtt, error));
}

} // namespace agent
