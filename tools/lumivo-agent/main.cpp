// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-agent: keeps one sign board showing what it is asked to and serves
// the HTTP API. Under systemd it reports readiness and feeds the watchdog.
#include "agent.h"
#include "calendar_schedule.h"
#include "config.h"
#include "http_api.h"
#include "mqtt_bridge.h"
#include "simulator.h"
#include "token.h"

#include <common/globalization.h>
#include <common/named_mutex.h>
#include <common/profile.h>
#include <common/text.h>

#include <systemd/sd-daemon.h>

#include <malloc.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

std::atomic<agent::CHttpApi*> g_api{nullptr};

void OnSignal(int)
{
    if (agent::CHttpApi* api = g_api.load())
        api->Stop();
}

bool SelectLanguage(const std::string& name)
{
    CGlobalization::InitLanguageList();
    for (const std::u16string& lang : CGlobalization::GetLangList())
        if (lang == common::Utf8ToUtf16(name)) {
            CGlobalization::SelectLanguage(lang);
            return true;
        }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace agent;
    std::vector<std::string> args(argv + 1, argv + argc);
    AgentConfig config;
    std::string error;
    bool help = false, version = false;
    if (!LoadConfig(args, config, error, help, version)) {
        std::fprintf(stderr, "lumivo-agent: %s\n", error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (version) {
        std::printf("lumivo-agent %s\n", LUMIVO_VERSION);
        return 0;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // The engine's buffers are this process's own: a fleet of agents on one
    // machine must not queue on one lock file for every frame they render.
    common::NamedMutex::KeepInProcess();
    // Content libraries and the checks' scratch projects are large blocks
    // left mostly zero: taken fresh from the system, only the pages used
    // count, and a freed one goes back instead of staying touched in a heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);

    // The serial settings live in memory: the agent's file is its configuration.
    common::CMemoryProfile profile;
    common::SetAppProfile(&profile);

    if (!SelectLanguage(config.language))
        LogLine("warning: no language \"" + config.language + "\" beside the program; texts stay as keys");

    std::string token;
    if (const lumivo::Result r = LoadOrCreateToken(config.tokenFile, token); !r) {
        LogLine(r.FirstError());
        return 1;
    }
    std::unique_ptr<IBoardLink> link;
    if (config.device == "simulated")
        link = std::make_unique<CSimulatedBoardLink>(config, FindBoardSim(config.boardsim));
    else
        link = MakeSerialBoardLink(config.device, config.baud);

    CAgent agent(config, std::move(link), std::make_unique<CCalendarSchedule>());
    if (const lumivo::Result r = agent.Load(); !r)
        LogLine("the stored state was not taken: " + r.FirstError());
    CHttpApi api(agent, token);
    if (!api.Bind(error)) {
        LogLine(error);
        return 1;
    }
    LogLine("listening on " + config.host + ":" + std::to_string(api.BoundPort()) +
            (config.cert.empty() ? " (HTTP)" : " (HTTPS)") + ", board " + agent.Link().Device() + ", state in " +
            config.stateDir);

    uint64_t watchdogUs = 0;
    const bool watchdog = sd_watchdog_enabled(0, &watchdogUs) > 0;
    agent.Start([watchdog] {
        if (watchdog)
            sd_notify(0, "WATCHDOG=1");
    });
    g_api = &api;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // Beside the HTTP API, over the same agent; the loop runs without it.
    std::unique_ptr<CMqttBridge> mqtt;
    if (config.mqtt.enabled()) {
        mqtt = std::make_unique<CMqttBridge>(agent, config.mqtt, LUMIVO_VERSION);
        if (!mqtt->Start(error)) {
            LogLine(error);
            return 1;
        }
        LogLine("mqtt: as " + config.mqtt.Base() + " on " + config.mqtt.broker.host);
    }
    sd_notify(0, "READY=1");
    api.Serve();
    if (mqtt)
        mqtt->Stop();
    g_api = nullptr;
    sd_notify(0, "STOPPING=1");
    agent.Stop();
    LogLine("stopped");
    common::SetAppProfile(nullptr);
    return 0;
}
