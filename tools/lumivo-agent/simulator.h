// SPDX-License-Identifier: GPL-2.0-or-later
// The "simulated" device: lumivo-boardsim started on a pseudo-terminal with
// its state in a folder of the agent's state, started again when it ends,
// and ended with the agent (also should the agent die).
#pragma once

#include "board_link.h"
#include "config.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace agent {

class CSimulatedBoardLink final : public IBoardLink {
public:
    CSimulatedBoardLink(const AgentConfig& config, std::string program);
    ~CSimulatedBoardLink() override;

    std::string Device() const override;
    lumivo::Result Check(BoardInfo& info) override;
    lumivo::Result Send(const std::vector<uint8_t>& blob, BoardInfo& info) override;
    lumivo::Result ReadBack(std::vector<uint8_t>& blob, BoardInfo& info) override;
    lumivo::Result WriteSettings(const std::map<std::string, std::string>& settings) override;
    lumivo::Result SetClock() override;

    // Whether the simulator has ended since the last look (it is started
    // again by the next exchange). Any thread.
    bool Ended();
    int Pid() const { return m_pid; }
    std::string StateFolder() const { return m_stateDir; }

private:
    lumivo::Result Ensure();

    std::string m_program;
    std::vector<std::string> m_args;
    std::string m_stateDir;
    mutable std::mutex m_lock;
    int m_pid = -1;
    std::string m_device;
    std::unique_ptr<IBoardLink> m_inner;
    unsigned m_baud;
};

// The simulator's program: beside this program, else on the path.
std::string FindBoardSim(const std::string& configured);

} // namespace agent
