// SPDX-License-Identifier: BSD-2-Clause
// CPacket against the simulated controller over a pseudo-terminal.
#include "link_fixture.h"

#include <boardsim.h>
#include <qvr/lzo.h>

#include <cstring>
#include <filesystem>
#include <numeric>
#include <sys/wait.h>
#include <spawn.h>

using serio_test::Clock;
using serio_test::MsSince;
using serio_test::ScopedProfile;
using serio_test::WaitFor;

namespace {

// Progress window stand-in: records what the packet tells it.
class ProgressRecorder : public serio::ISerialProgress {
public:
    struct Log {
        std::mutex lock;
        std::vector<DWORD> positions;
        std::atomic<int> refreshes{0};
        std::string title;
        DWORD total = 0;
        std::atomic<int> destroyed{0};
    };
    explicit ProgressRecorder(Log& log) : m_log(log) {}
    ~ProgressRecorder() override { ++m_log.destroyed; }
    void OnProgressMessage(DWORD bytes) override
    {
        std::lock_guard lk(m_log.lock);
        m_log.positions.push_back(bytes);
    }
    void RefreshPosition() override { ++m_log.refreshes; }

private:
    Log& m_log;
};

class Owner : public serio::IPacketOwner {
public:
    std::unique_ptr<serio::ISerialProgress> CreateProgressWindow(const char* title, DWORD total) override
    {
        log.title = title;
        log.total = total;
        return std::make_unique<ProgressRecorder>(log);
    }
    ProgressRecorder::Log log;
};

// CPacket whose line events can be counted.
class CountingPacket : public CPacket {
public:
    using CPacket::SendPacket;
    ~CountingPacket() override { EndListener(); }
    std::atomic<int> vanished{0};
    std::atomic<int> events{0};
    // When set, reported instead of a plain receive event, as a port does
    // when a line error or break comes with the characters.
    std::atomic<DWORD> receiveReportedAs{0};
    std::atomic<DWORD> receiveErrors{0};
    // When set, the next receive event is handled this much later, as by a
    // listener that a loaded machine runs late.
    std::atomic<int> lateReadMs{0};

protected:
    void OnEvent(EEvent e, EError err) override
    {
        ++events;
        if (e == EEventRecv)
            if (const int late = lateReadMs.exchange(0))
                std::this_thread::sleep_for(std::chrono::milliseconds(late));
        if (e == EEventError && err == EErrorIOE)
            ++vanished;
        if (e == EEventRecv && receiveReportedAs)
            return CPacket::OnEvent(static_cast<EEvent>(receiveReportedAs.load()),
                                    static_cast<EError>(receiveErrors.load()));
        CPacket::OnEvent(e, err);
    }
};

class PacketLink : public ::testing::Test {
protected:
    void StartSim(boardsim::Options options = {})
    {
        sim = std::make_unique<boardsim::CBoardSim>(std::move(options), nullptr);
        ASSERT_EQ(0, sim->Create());
        profile.profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, sim->DevicePath());
        sim->Start();
        packet = std::make_unique<CountingPacket>();
        ASSERT_EQ(0, packet->Open(&owner));
    }
    void TearDown() override
    {
        packet.reset();
        if (sim)
            sim->Stop();
    }
    int Requests(BYTE command) const
    {
        int n = 0;
        for (const auto& f : sim->Received())
            n += f.command == command;
        return n;
    }

    ScopedProfile profile;
    Owner owner;
    std::unique_ptr<boardsim::CBoardSim> sim;
    std::unique_ptr<CountingPacket> packet;
};

using boardsim::MakeAdBlob;

} // namespace

TEST_F(PacketLink, ConnectionExchangeAndRecords)
{
    boardsim::Options o;
    o.moduleRows = 2;
    o.moduleCols = 8;
    o.language = 'E';
    o.contentRows = 2;
    o.contentCols = 6;
    StartSim(o);
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x55, 0, nullptr, 3000, 2));
    EXPECT_TRUE(sim->InUpdateMode());
    const BYTE clock[7] = {0x63, 0x0C, 0x1F, 0x05, 0x17, 0x3B, 0x3B};
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x54, 7, clock, 2000, 2));
    EXPECT_EQ(std::vector<BYTE>(clock, clock + 7), sim->Clock());

    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x56, 0, nullptr, 3000, 3));
    ASSERT_EQ(sizeof(serio::ModuleInfo), packet->GetPacketLength());
    serio::ModuleInfo info{};
    const auto bytes = packet->CopyPacket();
    ASSERT_TRUE(serio::RecordFromBytes(info, bytes.data(), bytes.size()));
    EXPECT_EQ(2, info.byModuleRows);
    EXPECT_EQ(8, info.byModuleCols);
    EXPECT_EQ(14u, info.LanguageCode());
    EXPECT_EQ(2u, info.RowCode());
    EXPECT_EQ(6u, info.ColumnCode());
    EXPECT_EQ(0, info.byAdCount);
    EXPECT_EQ(u'L', info.szModelName[0]);

    // Settings go back byte for byte, the unused tail included.
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x73, 0, nullptr, 3000, 3));
    std::vector<BYTE> settings = packet->CopyPacket();
    ASSERT_EQ(156u, settings.size());
    serio::ControllerSettings cs{};
    ASSERT_TRUE(serio::RecordFromBytes(cs, settings.data(), settings.size()));
    EXPECT_EQ(8, cs.wColumns);
    EXPECT_EQ(2, cs.wRows);
    for (size_t i = 56; i < settings.size(); ++i)
        settings[i] = static_cast<BYTE>(i);
    settings[28] = 3;
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x53, 156, settings.data(), 2000, 2));
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x73, 0, nullptr, 2000, 2));
    EXPECT_EQ(settings, packet->CopyPacket());

    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x45, 0, nullptr, 1000, 1));
    EXPECT_FALSE(sim->InUpdateMode());
}

TEST_F(PacketLink, AdsAndUserImagesAreKeptAndReported)
{
    StartSim();
    const auto blob = MakeAdBlob(3);
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x5B, static_cast<DWORD>(blob.size()), blob.data(), 10000, 3));
    const std::vector<BYTE> images(3000, 0x24);
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x49, 3000, images.data(), 10000, 3));
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x44, 0, nullptr, 3000, 1));

    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x56, 0, nullptr, 3000, 3));
    serio::ModuleInfo info{};
    const auto bytes = packet->CopyPacket();
    ASSERT_TRUE(serio::RecordFromBytes(info, bytes.data(), bytes.size()));
    EXPECT_EQ(3, info.byAdCount);
    EXPECT_EQ(1, info.byUserImage);
    EXPECT_EQ(blob.size(), info.wAdBlobLength);
    EXPECT_EQ(3000, info.wUserImageLength);

    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x7B, 0, nullptr, 3000, 1));
    EXPECT_EQ(blob, packet->CopyPacket());
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x69, 0, nullptr, 10000, 1));
    EXPECT_EQ(images, packet->CopyPacket());
}

TEST_F(PacketLink, ForeignAnswerIsNotRetriedAndBadChecksumIsRetried)
{
    boardsim::Options o;
    o.foreign[0x56] = -1;
    o.badChecksum[0x73] = 1; // only the first answer is damaged
    o.stale[0x55] = 1;
    StartSim(o);
    EXPECT_EQ(serio::kResultForeign, packet->SendPacketAck(0x56, 0, nullptr, 300, 3));
    EXPECT_EQ(1, Requests(0x56));

    // A late answer to an earlier request, then the own one: the exchange
    // goes on to its own answer.
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x55, 0, nullptr, 2000, 1));
    EXPECT_EQ(1, Requests(0x55));

    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x73, 0, nullptr, 1000, 2));
    EXPECT_EQ(2, Requests(0x73));
    EXPECT_EQ(156u, packet->GetPacketLength());
}

TEST_F(PacketLink, SilenceOnEveryTryGivesNoAnswerAfterAllTries)
{
    boardsim::Options o;
    o.noAnswer[0x55] = -1;
    StartSim(o);
    const auto start = Clock::now();
    EXPECT_EQ(serio::kResultNoAnswer, packet->SendPacketAck(0x55, 0, nullptr, 300, 2));
    const long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 580); // twice the time-out, on a millisecond clock
    EXPECT_LT(elapsed, 5000);
    ASSERT_TRUE(WaitFor([&] { return Requests(0x55) == 2; }, 2000));
}

TEST_F(PacketLink, NoTriesToCountRepeatsUntilAnAnswer)
{
    boardsim::Options o;
    o.noAnswer[0x55] = 3;
    o.noAnswer[0x56] = 2;
    StartSim(o);
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x55, 0, nullptr, 1000, 0));
    EXPECT_EQ(4, Requests(0x55));
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x56, 0, nullptr, 1000, -1));
    EXPECT_EQ(3, Requests(0x56));
}

TEST_F(PacketLink, LongAnswerAtLineSpeedOutlastsTheSilenceTimeout)
{
    boardsim::Options o;
    o.baud = 115200;
    StartSim(o);
    std::vector<BYTE> images(60000);
    std::iota(images.begin(), images.end(), BYTE{3});
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x49, 60000, images.data(), 10000, 3));

    EXPECT_EQ(1, packet->ShowProgress(60000, 0));
    EXPECT_TRUE(packet->IsProgressShown());
    EXPECT_EQ("Read data...", owner.log.title);
    const auto start = Clock::now();
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x69, 0, nullptr, 3000, 1));
    // Over five seconds on the line, more than the 3000 ms time-out.
    EXPECT_GT(MsSince(start), 3000);
    packet->DestoryProgress();
    EXPECT_EQ(1, owner.log.destroyed.load());
    EXPECT_EQ(images, packet->CopyPacket());

    // The 7-byte request itself first; then one message per whole percent
    // of the answer at most, rising, ending with all bytes.
    std::lock_guard lk(owner.log.lock);
    const auto& pos = owner.log.positions;
    ASSERT_GE(pos.size(), 2u);
    EXPECT_EQ(7u, pos.front());
    EXPECT_LE(pos.size() - 1, 101u);
    EXPECT_TRUE(std::is_sorted(pos.begin() + 1, pos.end()));
    EXPECT_EQ(60000u, pos.back());
    EXPECT_GT(owner.log.refreshes.load(), 10);
}

TEST_F(PacketLink, SendingReportsProgressPerPercent)
{
    StartSim();
    std::vector<BYTE> blob(20000, 0x11);
    packet->ShowProgress(static_cast<DWORD>(blob.size()), 1);
    EXPECT_EQ("Send data...", owner.log.title);
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x5B, 20000, blob.data(), 10000, 3));
    packet->DestoryProgress();
    std::lock_guard lk(owner.log.lock);
    const auto& pos = owner.log.positions;
    // Pieces of 1024 bytes: one message per piece whose percentage changed.
    EXPECT_EQ(20u, pos.size());
    EXPECT_EQ(1024u, pos.front());
    EXPECT_EQ(20007u, pos.back());
}

TEST_F(PacketLink, AnswerThatCameWithALineErrorIsReadOnTheFirstTry)
{
    StartSim();
    const struct {
        DWORD event, errors;
    } reports[] = {{CSerial::EEventRecv | CSerial::EEventError, CSerial::EErrorFrame},
                   {CSerial::EEventRecv | CSerial::EEventBreak, CSerial::EErrorBreak},
                   {CSerial::EEventError, CSerial::EErrorParity}};
    for (const auto& r : reports) {
        SCOPED_TRACE(r.event);
        packet->receiveErrors = r.errors;
        packet->receiveReportedAs = r.event;
        const int before = Requests(0x56);
        EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x56, 0, nullptr, 2000, 1));
        EXPECT_EQ(sizeof(serio::ModuleInfo), packet->GetPacketLength());
        EXPECT_EQ(before + 1, Requests(0x56));
    }
}

TEST_F(PacketLink, CutOffAnswerIsOvercomeByRetries)
{
    boardsim::Options o;
    o.cutOff[0x56] = 1;
    StartSim(o);
    // The half answer swallows the start of the next one as its payload; the
    // receiver finds its footing again and a later try gets through.
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x56, 0, nullptr, 1000, 3));
    EXPECT_EQ(sizeof(serio::ModuleInfo), packet->GetPacketLength());
    EXPECT_GE(Requests(0x56), 2);
}

TEST(BoardSimState, KeptAcrossRunsInTheStateFolder)
{
    ScopedProfile profile;
    char dir[] = "/tmp/boardsim-state-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(dir));
    boardsim::Options o;
    o.stateDir = dir;
    const auto blob = MakeAdBlob(2);
    std::vector<BYTE> settings;
    for (int run = 0; run < 2; ++run) {
        boardsim::CBoardSim sim(o, nullptr);
        ASSERT_EQ(0, sim.Create());
        profile.profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, sim.DevicePath());
        sim.Start();
        CPacket packet;
        ASSERT_EQ(0, packet.Open(nullptr));
        if (run == 0) {
            ASSERT_EQ(serio::kResultAck, packet.SendPacketAck(0x73, 0, nullptr, 3000, 2));
            settings = packet.CopyPacket();
            settings[52] = 5;
            settings[155] = 0x99;
            ASSERT_EQ(serio::kResultAck, packet.SendPacketAck(0x53, 156, settings.data(), 3000, 2));
            ASSERT_EQ(serio::kResultAck,
                      packet.SendPacketAck(0x5B, static_cast<DWORD>(blob.size()), blob.data(), 3000, 2));
        } else {
            ASSERT_EQ(serio::kResultAck, packet.SendPacketAck(0x73, 0, nullptr, 3000, 2));
            EXPECT_EQ(settings, packet.CopyPacket());
            ASSERT_EQ(serio::kResultAck, packet.SendPacketAck(0x56, 0, nullptr, 3000, 2));
            EXPECT_EQ(2, packet.CopyPacket()[50]);
            ASSERT_EQ(serio::kResultAck, packet.SendPacketAck(0x7B, 0, nullptr, 3000, 2));
            EXPECT_EQ(blob, packet.CopyPacket());
        }
        packet.Close();
        sim.Stop();
    }
    std::filesystem::remove_all(dir);
}

TEST(BoardSimOptions, ParsedAndRejected)
{
    boardsim::Options o;
    std::string error;
    ASSERT_TRUE(boardsim::ParseOptions({"--module-rows", "2", "--language", "E", "--baud", "9600", "--no-answer",
                                        "0x55:2", "--vanish", "123", "--delay", "0x5B:10500:2", "--delay", "0x45:90"},
                                       o, error))
        << error;
    EXPECT_EQ(10500, o.delay[0x5B].ms);
    EXPECT_EQ(2, o.delay[0x5B].times);
    EXPECT_EQ(-1, o.delay[0x45].times);
    for (const char* bad : {"0x56", "0x56:", "0x56:-1", "0x56:10:0", "0x56:10:x", "0x156:10"})
        EXPECT_FALSE(boardsim::ParseOptions({"--delay", bad}, o, error)) << bad;
    EXPECT_EQ(2, o.moduleRows);
    EXPECT_EQ('E', o.language);
    EXPECT_EQ(9600u, o.baud);
    EXPECT_EQ(2, o.noAnswer[0x55]);
    EXPECT_EQ(-1, o.vanish[123]);
    EXPECT_FALSE(boardsim::ParseOptions({"--language", "X"}, o, error));
    EXPECT_FALSE(boardsim::ParseOptions({"--content-cols", "4"}, o, error));
    EXPECT_FALSE(boardsim::ParseOptions({"--no-answer", "0x155"}, o, error));
    EXPECT_FALSE(boardsim::ParseOptions({"--module-rows"}, o, error));
    EXPECT_FALSE(boardsim::ParseOptions({"--bogus", "1"}, o, error));
    EXPECT_TRUE(boardsim::ParseOptions({"--read-baud", "9600", "--stop-reading-after", "4096"}, o, error));
    EXPECT_EQ(9600u, o.readBaud);
    EXPECT_EQ(4096u, o.stopReadingAfter);
    EXPECT_FALSE(boardsim::ParseOptions({"--stop-reading-after", "0"}, o, error));
    // Blobs it cannot read count no Ads rather than failing.
    EXPECT_EQ(0, boardsim::CBoardSim::CountAds({'R', 'L', 'E', ' ', 0, 0, 0, 0}));
    std::vector<BYTE> damaged = MakeAdBlob(4);
    damaged[4] = 0xFF; // L1 beyond the blob
    EXPECT_EQ(0, boardsim::CBoardSim::CountAds(damaged));
    EXPECT_EQ(4, boardsim::CBoardSim::CountAds(MakeAdBlob(4)));
}

TEST_F(PacketLink, VanishedDeviceClosesThePortWithOneEvent)
{
    boardsim::Options o;
    o.vanish[0x7B] = -1;
    StartSim(o);
    const auto blob = MakeAdBlob(1);
    ASSERT_EQ(serio::kResultAck, packet->SendPacketAck(0x5B, static_cast<DWORD>(blob.size()), blob.data(), 3000, 1));
    // The exchange ends when the device goes, not after three silent tries.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(serio::kResultNoAnswer, packet->SendPacketAck(0x7B, 0, nullptr, 10000, 3));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_TRUE(WaitFor([&] { return !packet->IsOpen(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(1, packet->vanished.load());
    EXPECT_FALSE(packet->IsListening());
    EXPECT_EQ(serio::kErrorInvalidHandle, packet->SendPacket(0x45));
}

// A board that stops taking bytes: the write is bounded by the try's
// time-out plus the frame's line time and the try is lost; a Cancel from
// another thread ends such an exchange at once.
TEST_F(PacketLink, StalledWriteLosesTheTryWithinItsBoundAndCancelEndsItAtOnce)
{
    boardsim::Options o;
    o.stopReadingAfter = 100;
    StartSim(o);
    const std::vector<BYTE> payload(30000, 0x5A); // more than the terminal's buffers hold
    const int64_t bound = 300 + packet->LineTimeMs(payload.size() + serio::kFrameOverhead);
    auto start = Clock::now();
    EXPECT_EQ(serio::kResultNoAnswer,
              packet->SendPacketAck(0x5B, DWORD(payload.size()), payload.data(), 300, 1));
    EXPECT_EQ(serio::ExchangeFault::Stalled, packet->LastFault());
    EXPECT_GE(MsSince(start), bound - 50);
    EXPECT_LT(MsSince(start), bound + 2000);
    EXPECT_TRUE(packet->IsOpen());

    // Timed from the Cancel itself: a try left to its limit would take 10 s.
    Clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancelledAt = Clock::now();
        packet->CancelExchange();
    });
    EXPECT_EQ(serio::kResultCancelled,
              packet->SendPacketAck(0x5B, DWORD(payload.size()), payload.data(), 10000, 3));
    const auto returned = Clock::now();
    canceller.join();
    EXPECT_LT(returned - cancelledAt, std::chrono::milliseconds(1500));
    EXPECT_EQ(serio::ExchangeFault::Cancelled, packet->LastFault());
    // Nothing more goes out until the caller takes the Cancel back.
    EXPECT_EQ(serio::kResultCancelled, packet->SendPacketAck(0x55, 0, nullptr, 3000, 1));
    packet->ResetCancel();
}

// A requester that wakes after its time-out, or a listener that reads after
// it (a loaded machine), still takes the answer that came in time instead of
// losing the try.
TEST_F(PacketLink, AnswerInTimeIsTakenWhenTheWaitWakesLate)
{
    boardsim::Options o;
    o.delay[0x55] = {50, -1};
    StartSim(o);
    bool stalled = false;
    packet->SetPumpCallback([&] {
        if (!std::exchange(stalled, true))
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
    });
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x55, 0, nullptr, 300, 1));
    EXPECT_EQ(1, Requests(0x55));

    packet->SetPumpCallback({});
    packet->lateReadMs = 700; // the answer waits in the port past the 500 ms
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x55, 0, nullptr, 500, 1));
    EXPECT_EQ(2, Requests(0x55));
}

TEST_F(PacketLink, OpenTwiceAndMissingDevice)
{
    StartSim();
    EXPECT_EQ(serio::kErrorAlreadyInitialized, packet->Open(&owner));
    EXPECT_EQ(serio::kResultAck, packet->SendPacketAck(0x55, 0, nullptr, 3000, 2));
    packet->Close();
    EXPECT_FALSE(packet->IsOpen());

    profile.profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, "/dev/no-such-tty");
    CPacket other;
    EXPECT_EQ(ENOENT, other.Open(&owner));
    EXPECT_FALSE(other.IsOpen());
}

#ifdef LUMIVO_BOARDSIM
// The tool itself: device path on the first line, frames logged to stderr.
TEST(BoardSimTool, ServesOnThePrintedDevice)
{
    ScopedProfile profile;
    char errPath[] = "/tmp/boardsim-log-XXXXXX";
    const int errFd = ::mkstemp(errPath);
    ASSERT_GE(errFd, 0);
    int out[2];
    ASSERT_EQ(0, ::pipe(out));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(LUMIVO_BOARDSIM), const_cast<char*>("--module-cols"),
                    const_cast<char*>("12"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(0, ::posix_spawn(&pid, LUMIVO_BOARDSIM, &actions, nullptr, argv, environ));
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    std::string device;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        device += c;
    ::close(out[0]);
    ASSERT_EQ(0u, device.rfind("/dev/", 0)) << device;

    profile.profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, device);
    {
        CPacket packet;
        ASSERT_EQ(0, packet.Open(nullptr));
        ASSERT_EQ(serio::kResultAck, packet.SendPacketAck(0x56, 0, nullptr, 3000, 3));
        serio::ModuleInfo info{};
        const auto bytes = packet.CopyPacket();
        ASSERT_TRUE(serio::RecordFromBytes(info, bytes.data(), bytes.size()));
        EXPECT_EQ(12, info.byModuleCols);
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));

    std::string log(4096, '\0');
    log.resize(static_cast<size_t>(std::max<ssize_t>(0, ::pread(errFd, log.data(), log.size(), 0))));
    ::close(errFd);
    ::unlink(errPath);
    EXPECT_NE(std::string::npos, log.find("rx cmd=0x56 len=0 checksum=ok")) << log;
}
#endif
