// SPDX-License-Identifier: GPL-2.0-or-later
// The board session's time-outs and tries, step by step, against simulated
// controllers that hold their answers back: an answer well inside a step's
// time-out is taken on the first try; answers just past it cost every try,
// each try waiting out its whole time-out, and a step makes exactly its
// number of tries. Each case has a controller and a session of its own;
// the long steps run side by side, so the whole takes about as long as the
// longest step.
#include "board_fixture.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace board_test;
using lumivo::BoardResult;
namespace cmd = lumivo::board_cmd;

namespace {

struct Case;

struct Step {
    const char* name;
    BYTE command;
    int timeoutMs;
    int tries;
    // Sets the case up before its session exists (controller options, stored data).
    std::function<void(Case&, boardsim::Options&)> prepare;
    // Runs the step through the session; true when it succeeded.
    std::function<bool(Case&)> run;
};

struct Case {
    const Step* step = nullptr;
    bool late = false;
    TempDir state;
    ScriptedUi ui;
    RecordingDocument document;
    lumivo::CFixedClock clock{2030, 6, 1, 12, 0, 0};
    std::unique_ptr<boardsim::CBoardSim> sim;
    std::unique_ptr<lumivo::CBoardSession> session;
    bool succeeded = false;
    long long elapsedMs = 0; // for the report of a failure

    int Requests() const
    {
        int n = 0;
        for (const auto& f : sim->Received())
            n += f.command == step->command;
        return n;
    }
};

// An answer this long after the request comes in time: half the time-out
// leaves a loaded machine room to carry it. The short steps answer at once.
int InsideDelay(int timeoutMs)
{
    return timeoutMs >= 1000 ? timeoutMs / 2 : 0;
}

// An answer this long past the time-out is lost: a time-out longer by more
// than this (a fifth, at most 500 ms; 100 ms for the short ones) takes it.
int LateMargin(int timeoutMs)
{
    return std::clamp(timeoutMs / 5, 100, 500);
}

// The short steps run first and one by one: on a machine busy with the
// other cases their time-outs would be lost to the load, not to the code.
bool Short(const Step& step)
{
    return step.timeoutMs < 1000;
}

bool Connected(Case& c)
{
    return c.session->Connect() == BoardResult::Ok;
}

// The settings dialog's exchanges, on a port opened without the connection
// sequence (which reads the settings with a time-out of its own).
bool EditSettings(Case& c)
{
    c.ui.edit = [](lumivo::CModuleStateModel&) { return true; };
    return c.session->Packet().Open(nullptr) == 0 && c.session->ModuleState() == BoardResult::Ok;
}

void StoreAds(Case& c, boardsim::Options&)
{
    WriteFile(c.state.path / "ads.bin", MakeAdBlob(2));
    c.ui.yes = true;
}

const Step kSteps[] = {
    {"enter update mode", cmd::kEnterUpdate, 3000, 2, {}, Connected},
    {"set the clock", cmd::kSetClock, 2000, 2, {}, Connected},
    {"module information", cmd::kModuleInfo, 3000, 3, {}, Connected},
    {"settings at connection", cmd::kReadSettings, 3000, 3, {}, Connected},
    {"read the stored Ads", cmd::kReadAds, 3000, 1, StoreAds, Connected},
    {"read the user images", cmd::kReadUserImages, 10000, 1,
     [](Case& c, boardsim::Options& o) {
         StoreAds(c, o);
         WriteFile(c.state.path / "userimages.bin", {'L', 'Z', 'O', ' ', 8, 0, 0, 0});
     },
     Connected},
    {"send the Ads", cmd::kSendAds, 10000, 3, [](Case& c, boardsim::Options&) { c.document.packed = MakeAdBlob(1); },
     [](Case& c) { return Connected(c) && c.session->Send() == BoardResult::Ok; }},
    {"send the user images", cmd::kSendUserImages, 10000, 3,
     [](Case& c, boardsim::Options&) { c.document.userImages = {'L', 'Z', 'O', ' ', 8, 0, 0, 0}; },
     [](Case& c) { return Connected(c) && c.session->SendUserImages() == BoardResult::Ok; }},
    {"close the user images", cmd::kUserImagesDone, 3000, 1,
     [](Case& c, boardsim::Options&) { c.document.userImages = {'L', 'Z', 'O', ' ', 8, 0, 0, 0}; },
     [](Case& c) { return Connected(c) && c.session->SendUserImages() == BoardResult::Ok; }},
    {"settings dialog: read", cmd::kReadSettings, 2000, 2, {}, EditSettings},
    {"settings dialog: write", cmd::kWriteSettings, 2000, 2, {}, EditSettings},
    // Giving up a connection step: the controller answers 0x55 with a
    // foreign byte, the user cancels. Whether the answer came shows in the
    // packet's received flag, as the result is not used.
    {"leave update mode, giving up", cmd::kLeaveUpdate, 50, 5,
     [](Case&, boardsim::Options& o) { o.foreign[cmd::kEnterUpdate] = 1; },
     [](Case& c) {
         c.session->Connect();
         return c.session->Packet().IsPacketReceived();
     }},
    {"leave update mode, disconnecting", cmd::kLeaveUpdate, 100, 1, {},
     [](Case& c) {
         if (!Connected(c))
             return false;
         c.session->Disconnect();
         return c.session->Packet().IsPacketReceived();
     }},
};

} // namespace

TEST(BoardTiming, EachStepKeepsItsTimeoutAndTries)
{
    ::unsetenv(serio::kSerialDeviceEnv);
    common::CMemoryProfile profile;
    common::SetAppProfile(&profile);
    struct Restore {
        ~Restore() { common::SetAppProfile(nullptr); }
    } restore;
    std::vector<std::unique_ptr<Case>> cases; // ended before the profile they write to
    // Sessions read their device from the profile when they are made, so
    // they are made one by one here; only the steps run side by side.
    for (const Step& step : kSteps) {
        for (bool late : {false, true}) {
            auto c = std::make_unique<Case>();
            c->step = &step;
            c->late = late;
            boardsim::Options o;
            o.stateDir = c->state.path.string();
            if (step.prepare)
                step.prepare(*c, o);
            o.delay[step.command] = {late ? step.timeoutMs + LateMargin(step.timeoutMs) : InsideDelay(step.timeoutMs),
                                     -1};
            c->sim = std::make_unique<boardsim::CBoardSim>(std::move(o), nullptr);
            ASSERT_EQ(0, c->sim->Create());
            profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, c->sim->DevicePath());
            c->sim->Start();
            c->session = std::make_unique<lumivo::CBoardSession>(c->ui, c->clock);
            c->session->SetDocument(&c->document);
            cases.push_back(std::move(c));
        }
    }
    auto run = [](Case& c) {
        const auto start = std::chrono::steady_clock::now();
        c.succeeded = c.step->run(c);
        c.elapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    for (auto& c : cases)
        if (Short(*c->step))
            run(*c);
    std::vector<std::thread> runs;
    for (auto& c : cases)
        if (!Short(*c->step))
            runs.emplace_back([&run, &c] { run(*c); });
    for (std::thread& t : runs)
        t.join();

    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c->step->name)
                     + (c->late ? ", answers just past the time-out" : ", answers just inside the time-out")
                     + " (" + std::to_string(c->elapsedMs) + " ms)");
        if (c->late) {
            EXPECT_FALSE(c->succeeded);
            EXPECT_EQ(c->step->tries, c->Requests()) << "every try lost, and no more tries than the step's";
            // Measured on the session's own thread, which load only slows:
            // a shorter time-out ends a try early and shows here.
            EXPECT_GE(c->elapsedMs, int64_t(c->step->tries) * c->step->timeoutMs) << "each try waits its whole time-out";
        } else {
            EXPECT_TRUE(c->succeeded) << c->session->LastError();
            EXPECT_EQ(1, c->Requests()) << "the first try's answer taken";
        }
    }
}
