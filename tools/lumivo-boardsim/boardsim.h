// SPDX-License-Identifier: GPL-2.0-or-later
// A simulated sign-board controller on a pseudo-terminal: it answers the
// program's commands as a controller would, keeps what it receives (in a
// state folder across runs when given one), paces its output like a real
// line, and injects faults on request. Used by the lumivo-boardsim tool and
// by the link tests.
#pragma once

#include <serio/board_records.h>
#include <serio/frame.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace boardsim {

// Commands the controller understands.
enum Command : BYTE {
    kEnterUpdate = 0x55,
    kLeaveUpdate = 0x45,
    kSetClock = 0x54,
    kModuleInfo = 0x56,
    kReadSettings = 0x73,
    kWriteSettings = 0x53,
    kStoreAds = 0x5B,
    kReadAds = 0x7B,
    kStoreUserImages = 0x49,
    kReadUserImages = 0x69,
    kUserImagesDone = 0x44,
};

struct Options {
    int moduleRows = 1;
    int moduleCols = 6;
    char language = 'A';  // 'A' (code 10) or 'E' (code 14)
    int contentRows = 1;  // row code: 1 = 16 dots, 2 = 32 dots
    int contentCols = 6;  // column code: 3 or 6
    std::string stateDir; // empty: nothing kept across runs
    unsigned baud = 0;    // 0: write as fast as the terminal takes it
    unsigned readBaud = 0; // 0: take requests as fast as they come
    // Faults by command byte: how many times (-1 = every time).
    std::map<BYTE, int> noAnswer, badChecksum, foreign, cutOff, vanish;
    // Before the answer, a whole answer to another command, as one to an
    // earlier request that arrives late.
    std::map<BYTE, int> stale;
    // A whole, valid answer whose payload lacks its last byte.
    std::map<BYTE, int> shortAnswer;
    // The stored-Ads count the module information claims (-1: the count of
    // the stored blob), for counts a real blob cannot have.
    int claimedAds = -1;
    // Answers held back: ms after the request arrived, the first `times`
    // times (-1 = every time). A request that arrives meanwhile replaces
    // the answer held back, as a controller starts over on a new request.
    struct Delay {
        int ms = 0;
        int times = -1;
    };
    std::map<BYTE, Delay> delay;
    // Stops reading after this many bytes (0: never), as a controller or
    // adapter that hangs: the sender's writes stall once the line is full.
    size_t stopReadingAfter = 0;
};

// Parses the tool's arguments (without argv[0]); false with a message on error.
// An Ad blob with pagesUsed pages of one item each, every item byte set to
// fill (for tests that need stored Ads).
std::vector<BYTE> MakeAdBlob(int pagesUsed, BYTE fill = 0);

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);
const char* Usage();

struct FrameRecord {
    BYTE command;
    DWORD length;
    bool checksumOk;
};

class CBoardSim {
public:
    // log: where received and sent frames are logged (nullptr: nowhere).
    explicit CBoardSim(Options options, std::FILE* log = stderr);
    ~CBoardSim();
    CBoardSim(const CBoardSim&) = delete;
    CBoardSim& operator=(const CBoardSim&) = delete;

    // Creates the pseudo-terminal; 0 or errno.
    int Create();
    const std::string& DevicePath() const { return m_path; }

    // Serves until Stop or until a vanish fault removed the device.
    void Run();
    // Run on a thread of its own (tests).
    void Start();
    void Stop();
    bool Vanished() const { return m_vanished; }

    serio::ModuleInfo MakeModuleInfo() const;
    std::vector<BYTE> Settings() const;
    std::vector<BYTE> AdBlob() const;
    std::vector<BYTE> UserImages() const;
    std::vector<BYTE> Clock() const;
    bool InUpdateMode() const { return m_updateMode; }
    // Bytes taken from the line so far (a hung controller stops at its limit).
    size_t BytesRead() const { return m_bytesRead; }
    std::vector<FrameRecord> Received() const;
    // Number of stored Ads in an Ad blob (pages with a first item); 0 for
    // anything it cannot read.
    static int CountAds(const std::vector<BYTE>& blob);

private:
    class Receiver : public serio::CFrameReceiver {
    public:
        explicit Receiver(CBoardSim& sim) : m_sim(sim) {}

    protected:
        void OnFrame() override;
        void OnBadFrame() override;

    private:
        CBoardSim& m_sim;
    };

    void Handle(BYTE command, const BYTE* payload, DWORD length);
    void Acknowledge(BYTE request);
    void Answer(BYTE request, BYTE command, const std::vector<BYTE>& payload);
    bool WriteAll(const BYTE* data, size_t length);
    // Sends the answer held back once it is due; the poll time-out (ms)
    // until then.
    int SendHeldAnswer();
    bool TakeFault(std::map<BYTE, int>& faults, BYTE command);
    void Vanish();
    void Log(const char* fmt, ...);
    void LoadState();
    void SaveState(const char* name, const std::vector<BYTE>& data);
    // Stores received data under the lock and in the state folder.
    void Keep(std::vector<BYTE>& slot, const std::vector<BYTE>& data, const char* file);
    std::vector<BYTE> Locked(const std::vector<BYTE>& value) const;

    Options m_options;
    std::FILE* m_log;
    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up
    int m_wake = -1;  // an eventfd: Stop wakes the serving loop at once
    std::string m_path;
    Receiver m_receiver{*this};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_vanished{false};
    std::atomic<bool> m_updateMode{false};
    std::atomic<size_t> m_bytesRead{0}; // written by the serving thread only
    std::atomic<bool> m_settingsWritten{false}; // the module information follows them
    std::thread m_thread;
    // The answer held back by a delay (only the serving thread uses it).
    struct HeldAnswer {
        bool held = false;
        std::chrono::steady_clock::time_point due;
        BYTE request = 0;
        std::vector<BYTE> frame;
        bool vanish = false;
    } m_heldAnswer;

    mutable std::mutex m_lock; // the state below (tests read it)
    std::vector<BYTE> m_settings;
    std::vector<BYTE> m_adBlob;
    std::vector<BYTE> m_userImages;
    std::vector<BYTE> m_clock;
    std::vector<FrameRecord> m_received;
};

} // namespace boardsim
