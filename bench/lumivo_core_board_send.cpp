// SPDX-License-Identifier: GPL-2.0-or-later
// Sending a full project (50 items) to the simulated controller at 115,200
// baud, the simulator taking the bytes no faster than such a line: the time
// against the line-rate floor (bytes × 10 bits ÷ baud).
#include "core/board_session.h"
#include "core/project.h"
#include "core/project_board.h"

#include <boardsim.h>
#include <common/profile.h>
#include <serio/serio.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

namespace {

constexpr unsigned kBaud = 115200;

class SilentUi final : public lumivo::IBoardUi {
public:
    bool AskRetry(const std::string&, const std::string&) override { return false; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void ShowMessage(const std::string&, const std::string&, lumivo::MessageIcon) override {}
    bool EditModuleState(lumivo::CModuleStateModel&) override { return false; }
};

// 50 items of 60 scattered characters each on 13 pages: a blob that
// compresses far less than real texts do, so the line is the limit.
void Fill(lumivo::CProjectCore& project)
{
    uint32_t seed = 12345;
    auto item = [&seed] {
        CLumivo it;
        for (int i = 0; i < 60; ++i) {
            seed = seed * 1103515245u + 12345u;
            it.chars[i].code = static_cast<uint16_t>(0x21 + (seed >> 16) % 0x5E);
            it.chars[i].attr.color = (seed >> 8) & 7;
        }
        return it;
    };
    for (int p = 0; p < 12; ++p)
        project.AppendPage({item(), item(), item(), item()});
    project.AppendPage({item(), item()});
}

void SendFiftyItemsAt115200(benchmark::State& state)
{
    common::CMemoryProfile profile;
    common::SetAppProfile(&profile);
    boardsim::Options o;
    o.baud = kBaud;
    o.readBaud = kBaud;
    boardsim::CBoardSim sim(o, nullptr);
    if (sim.Create() != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    sim.Start();
    ::setenv(serio::kSerialDeviceEnv, sim.DevicePath().c_str(), 1);
    lumivo::CProjectCore project([](int) { return std::nullopt; });
    Fill(project);
    lumivo::CProjectBoardDocument document(project);
    SilentUi ui;
    double seconds = 0;
    size_t bytes = 0;
    {
        lumivo::CBoardSession session(ui);
        session.SetDocument(&document);
        for (auto _ : state) {
            state.PauseTiming();
            if (session.Connect() != lumivo::BoardResult::Ok) {
                state.SkipWithError("connection failed");
                break;
            }
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            // Send disconnects after success: that exchange (0x45) is timed too.
            if (session.Send() != lumivo::BoardResult::Ok) {
                state.SkipWithError("send failed");
                break;
            }
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        bytes = sim.AdBlob().size() + 7; // the frame around the blob
    }
    sim.Stop();
    ::unsetenv(serio::kSerialDeviceEnv);
    common::SetAppProfile(nullptr);
    const double floor = double(bytes) * 10.0 / kBaud;
    state.counters["frame_bytes"] = double(bytes);
    state.counters["floor_s"] = floor;
    if (state.iterations() > 0)
        state.counters["ratio_to_floor"] = seconds / double(state.iterations()) / floor;
}
BENCHMARK(SendFiftyItemsAt115200)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
