// SPDX-License-Identifier: GPL-2.0-or-later
#include "boardsim.h"

#include <qvr/lzo.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace boardsim {
namespace {

constexpr size_t kPageBytes = 10;
constexpr size_t kPageArrayBytes = 50 * kPageBytes;

bool ParseByte(const std::string& text, BYTE& out)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (errno || end == text.c_str() || *end || v > 0xFF)
        return false;
    out = static_cast<BYTE>(v);
    return true;
}

bool ParseInt(const std::string& text, long lo, long hi, long& out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || end == text.c_str() || *end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

// "CMD" (every time) or "CMD:N" (the first N times).
bool ParseFault(const std::string& text, std::map<BYTE, int>& faults)
{
    const auto colon = text.find(':');
    BYTE cmd = 0;
    if (!ParseByte(text.substr(0, colon), cmd))
        return false;
    long times = -1;
    if (colon != std::string::npos && !ParseInt(text.substr(colon + 1), 1, 1000000, times))
        return false;
    faults[cmd] = static_cast<int>(times);
    return true;
}

// "CMD:MS" (every time) or "CMD:MS:N" (the first N times).
bool ParseDelay(const std::string& text, std::map<BYTE, Options::Delay>& delays)
{
    const auto first = text.find(':');
    if (first == std::string::npos)
        return false;
    const auto second = text.find(':', first + 1);
    BYTE cmd = 0;
    long ms = 0, times = -1;
    if (!ParseByte(text.substr(0, first), cmd)
        || !ParseInt(text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1),
                     0, 600000, ms))
        return false;
    if (second != std::string::npos && !ParseInt(text.substr(second + 1), 1, 1000000, times))
        return false;
    delays[cmd] = {static_cast<int>(ms), static_cast<int>(times)};
    return true;
}

uint32_t ReadLe32(const BYTE* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

std::vector<BYTE> MakeAdBlob(int pagesUsed, BYTE fill)
{
    std::vector<BYTE> items(50 * 824, fill);
    std::vector<BYTE> pages(kPageArrayBytes, 0);
    for (int p = 0; p < pagesUsed && p < 50; ++p) {
        pages[p * kPageBytes] = static_cast<BYTE>(p + 1); // first item of the page
        pages[p * kPageBytes + 9] = 1;
    }
    const auto c1 = qvr::lzo::Compress(items.data(), items.size());
    const auto c2 = qvr::lzo::Compress(pages.data(), pages.size());
    std::vector<BYTE> blob = {'L', 'Z', 'O', ' '};
    auto put32 = [&](size_t v) {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    put32(c1.size());
    blob.insert(blob.end(), c1.begin(), c1.end());
    put32(c2.size());
    blob.insert(blob.end(), c2.begin(), c2.end());
    return blob;
}

const char* Usage()
{
    return "usage: lumivo-boardsim [options]\n"
           "  Opens a pseudo-terminal, prints its device path on the first line of\n"
           "  standard output and answers there as a sign-board controller.\n"
           "  --module-rows N      board height in modules (1..255, default 1)\n"
           "  --module-cols N      board width in modules (1..255, default 6)\n"
           "  --language A|E       language code of the model (default A)\n"
           "  --content-rows 1|2   row code of the model (1 = 16 dots, 2 = 32 dots; default 1)\n"
           "  --content-cols 3|6   column code of the model (default 6)\n"
           "  --state DIR          keep settings, Ads, user images and clock in DIR across runs\n"
           "  --baud N             pace the answers like a line of N bit/s (10 bits a byte)\n"
           "  --read-baud N        take requests no faster than a line of N bit/s carries them\n"
           "  --no-answer CMD[:N]  do not answer CMD (the first N times; default always)\n"
           "  --bad-checksum CMD[:N]  answer CMD with a wrong checksum\n"
           "  --foreign CMD[:N]    answer CMD with a foreign command byte (0xEE)\n"
           "  --stale CMD[:N]      send a late answer to another command (0xEE) before the\n"
           "                       answer to CMD\n"
           "  --cut-off CMD[:N]    send only the first half of the answer to CMD\n"
           "  --vanish CMD         send half of the answer to CMD, then remove the device\n"
           "  --short CMD[:N]      answer CMD with a valid frame whose payload lacks its last byte\n"
           "  --delay CMD:MS[:N]   answer CMD MS milliseconds after the request (the first N\n"
           "                       times; default always); a request that arrives meanwhile\n"
           "                       replaces the answer held back\n"
           "  --stop-reading-after N  read no more after N bytes of requests (a hung board:\n"
           "                       the sender's writes stall once the line is full)\n"
           "  The module information follows the rows and columns of the settings written.\n"
           "  Frames received are logged to standard error.\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) {
            error = "missing value for " + a;
            return false;
        }
        const std::string& v = args[++i];
        long n = 0;
        bool ok = true;
        if (a == "--module-rows") {
            ok = ParseInt(v, 1, 255, n);
            o.moduleRows = int(n);
        } else if (a == "--module-cols") {
            ok = ParseInt(v, 1, 255, n);
            o.moduleCols = int(n);
        } else if (a == "--language") {
            ok = v == "A" || v == "E";
            o.language = v.empty() ? 'A' : v[0];
        } else if (a == "--content-rows") {
            ok = ParseInt(v, 1, 2, n);
            o.contentRows = int(n);
        } else if (a == "--content-cols") {
            ok = ParseInt(v, 3, 6, n) && (n == 3 || n == 6);
            o.contentCols = int(n);
        } else if (a == "--state") {
            o.stateDir = v;
        } else if (a == "--baud") {
            ok = ParseInt(v, 1, 10000000, n);
            o.baud = unsigned(n);
        } else if (a == "--read-baud") {
            ok = ParseInt(v, 1, 10000000, n);
            o.readBaud = unsigned(n);
        } else if (a == "--no-answer") {
            ok = ParseFault(v, o.noAnswer);
        } else if (a == "--bad-checksum") {
            ok = ParseFault(v, o.badChecksum);
        } else if (a == "--foreign") {
            ok = ParseFault(v, o.foreign);
        } else if (a == "--stale") {
            ok = ParseFault(v, o.stale);
        } else if (a == "--cut-off") {
            ok = ParseFault(v, o.cutOff);
        } else if (a == "--vanish") {
            ok = ParseFault(v, o.vanish);
        } else if (a == "--short") {
            ok = ParseFault(v, o.shortAnswer);
        } else if (a == "--delay") {
            ok = ParseDelay(v, o.delay);
        } else if (a == "--stop-reading-after") {
            ok = ParseInt(v, 1, 1L << 30, n);
            o.stopReadingAfter = size_t(n);
        } else {
            error = "unknown option " + a;
            return false;
        }
        if (!ok) {
            error = "bad value for " + a + ": " + v;
            return false;
        }
    }
    return true;
}

CBoardSim::CBoardSim(Options options, std::FILE* log)
    : m_options(std::move(options)), m_log(log), m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    serio::ControllerSettings s{};
    s.wBuild = 1;
    s.byMinor = 0;
    s.byMajor = 1;
    s.byPowerOn[0] = 7;
    s.byPowerOff[0] = 23;
    s.wBeep = 1;
    s.wDayBrightness = 10;
    s.wNightBrightness = 5;
    s.byDayTime[0] = 7;
    s.byNightTime[0] = 19;
    s.wColumns = static_cast<WORD>(m_options.moduleCols);
    s.wRows = static_cast<WORD>(m_options.moduleRows);
    s.wLanguage = m_options.language == 'E' ? 2 : 1;
    m_settings.resize(sizeof s);
    std::memcpy(m_settings.data(), &s, sizeof s);
    LoadState();
}

CBoardSim::~CBoardSim()
{
    Stop();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_wake >= 0)
        ::close(m_wake);
}

int CBoardSim::Create()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return errno;
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name, sizeof name) != 0)
        return errno;
    m_path = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return errno;
    // Raw from the start: no echo, no line editing, no newline translation.
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
    return 0;
}

void CBoardSim::Start()
{
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
}

void CBoardSim::Stop()
{
    m_stop = true;
    if (m_wake >= 0) {
        const uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one); // also from a signal handler
    }
    if (m_thread.joinable())
        m_thread.join();
}

void CBoardSim::Run()
{
    using Clock = std::chrono::steady_clock;
    BYTE buf[4096];
    // With a line rate, bytes are taken no faster than such a line carries
    // them (in slices of about 5 ms), so a sender waits as it would on it.
    const unsigned rate = m_options.readBaud;
    const size_t slice = rate ? std::clamp<size_t>(rate / 2000, 1, sizeof buf) : sizeof buf;
    Clock::time_point carried = Clock::now();
    while (!m_stop && !m_vanished) {
        const size_t limit = m_options.stopReadingAfter;
        const bool hung = limit && m_bytesRead >= limit;
        // A request already waiting is taken before an answer held back that
        // fell due meanwhile: it came first, and replaces that answer. Only
        // a late wake-up of this thread could let the older answer out.
        pollfd p{m_master, POLLIN, 0};
        const bool waiting = !hung && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
        const int wait = waiting ? 0 : SendHeldAnswer();
        if (m_vanished)
            break;
        if (hung) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // hung: nothing is taken any more
            continue;
        }
        pollfd both[2] = {{m_master, POLLIN, 0}, {m_wake, POLLIN, 0}};
        const int r = ::poll(both, m_wake >= 0 ? 2 : 1, wait);
        if (m_wake >= 0 && (both[1].revents & POLLIN)) {
            uint64_t count = 0;
            (void)!::read(m_wake, &count, sizeof count);
        }
        if (r <= 0 || !(both[0].revents & POLLIN))
            continue;
        const size_t want = limit ? std::min(slice, limit - m_bytesRead.load()) : slice;
        const ssize_t n = ::read(m_master, buf, want);
        if (n <= 0)
            continue;
        m_bytesRead += size_t(n);
        if (limit && m_bytesRead >= limit)
            Log("stopped reading after %zu bytes", m_bytesRead.load());
        if (rate) {
            // A line that was idle starts now; a busy one goes on from where
            // it was, so late wake-ups do not add up.
            const auto now = Clock::now();
            if (now - carried > std::chrono::milliseconds(5))
                carried = now;
            carried += std::chrono::microseconds(uint64_t(n) * 10ull * 1000000ull / rate);
            std::this_thread::sleep_until(carried);
        }
        m_receiver.Feed(buf, static_cast<size_t>(n));
    }
}

int CBoardSim::SendHeldAnswer()
{
    constexpr int kPollMs = 50;
    // Idle, the line or a Stop wakes the loop: a fleet of idle boards on one
    // machine should not tick twenty times a second each.
    constexpr int kIdleMs = 1000;
    HeldAnswer& h = m_heldAnswer;
    if (!h.held)
        return kIdleMs;
    const auto now = std::chrono::steady_clock::now();
    if (now < h.due) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(h.due - now).count();
        return static_cast<int>(std::min<long long>(kPollMs, left));
    }
    h.held = false;
    Log("answer to 0x%02X sent after its delay", h.request);
    WriteAll(h.frame.data(), h.frame.size());
    if (h.vanish)
        Vanish();
    return 0;
}

void CBoardSim::Log(const char* fmt, ...)
{
    if (!m_log)
        return;
    va_list ap;
    va_start(ap, fmt);
    std::fputs("boardsim: ", m_log);
    std::vfprintf(m_log, fmt, ap);
    std::fputc('\n', m_log);
    std::fflush(m_log);
    va_end(ap);
}

void CBoardSim::Receiver::OnFrame()
{
    {
        std::lock_guard lk(m_sim.m_lock);
        m_sim.m_received.push_back({Command(), PacketLength(), true});
    }
    m_sim.Log("rx cmd=0x%02X len=%u checksum=ok", Command(), PacketLength());
    m_sim.Handle(Command(), Buffer(), PacketLength());
}

void CBoardSim::Receiver::OnBadFrame()
{
    {
        std::lock_guard lk(m_sim.m_lock);
        m_sim.m_received.push_back({Command(), PacketLength(), false});
    }
    m_sim.Log("rx cmd=0x%02X len=%u checksum=bad (dropped)", Command(), PacketLength());
}

bool CBoardSim::TakeFault(std::map<BYTE, int>& faults, BYTE command)
{
    auto it = faults.find(command);
    if (it == faults.end() || it->second == 0)
        return false;
    if (it->second > 0)
        --it->second;
    return true;
}

void CBoardSim::Handle(BYTE command, const BYTE* payload, DWORD length)
{
    if (m_heldAnswer.held) {
        Log("answer to 0x%02X held back: dropped for the new request", m_heldAnswer.request);
        m_heldAnswer.held = false;
    }
    if (TakeFault(m_options.noAnswer, command)) {
        Log("fault: no answer to 0x%02X", command);
        return;
    }
    const std::vector<BYTE> data(payload, payload + length);
    switch (command) {
    case kEnterUpdate:
        m_updateMode = true;
        Acknowledge(command);
        break;
    case kLeaveUpdate:
        m_updateMode = false;
        Acknowledge(command);
        break;
    case kSetClock:
        if (length != 7) {
            Log("0x54 with %u bytes instead of 7: ignored", length);
            return;
        }
        Log("clock set to 20%02u-%02u-%02u %02u:%02u:%02u (day of week %u)", data[0], data[1], data[2], data[4],
            data[5], data[6], data[3]);
        Keep(m_clock, data, "clock.bin");
        Acknowledge(command);
        break;
    case kModuleInfo: {
        const serio::ModuleInfo info = MakeModuleInfo();
        std::vector<BYTE> bytes(sizeof info);
        std::memcpy(bytes.data(), &info, sizeof info);
        Answer(command, command, bytes);
        break;
    }
    case kReadSettings:
        Answer(command, command, Settings());
        break;
    case kWriteSettings:
        if (length != sizeof(serio::ControllerSettings)) {
            Log("0x53 with %u bytes instead of 156: ignored", length);
            return;
        }
        Keep(m_settings, data, "settings.bin");
        m_settingsWritten = true;
        Acknowledge(command);
        break;
    case kStoreAds:
        Keep(m_adBlob, data, "ads.bin");
        Log("stored an Ad blob of %u bytes (%d Ads)", length, CountAds(data));
        Acknowledge(command);
        break;
    case kReadAds:
        Answer(command, command, AdBlob());
        break;
    case kStoreUserImages:
        Keep(m_userImages, data, "userimages.bin");
        Acknowledge(command);
        break;
    case kReadUserImages:
        Answer(command, command, UserImages());
        break;
    case kUserImagesDone:
        Acknowledge(command);
        break;
    default:
        Log("unknown command 0x%02X: no answer", command);
        break;
    }
}

void CBoardSim::Acknowledge(BYTE request)
{
    Answer(request, serio::kResultAck, {});
}

void CBoardSim::Answer(BYTE request, BYTE command, const std::vector<BYTE>& payload)
{
    if (TakeFault(m_options.foreign, request)) {
        Log("fault: foreign command byte in the answer to 0x%02X", request);
        command = request == 0xEE ? 0xEF : 0xEE;
    }
    DWORD length = static_cast<DWORD>(payload.size());
    if (length > 0 && TakeFault(m_options.shortAnswer, request)) {
        Log("fault: answer to 0x%02X one byte short", request);
        --length;
    }
    std::vector<BYTE> frame = serio::BuildFrame(command, payload.data(), length);
    if (TakeFault(m_options.badChecksum, request)) {
        Log("fault: bad checksum in the answer to 0x%02X", request);
        frame.back() ^= 0xFF;
    }
    if (TakeFault(m_options.stale, request)) {
        Log("fault: a late answer to another command before the answer to 0x%02X", request);
        const std::vector<BYTE> late = serio::BuildFrame(request == 0xEE ? 0xEF : 0xEE, nullptr, 0);
        WriteAll(late.data(), late.size());
        // Apart, as the board takes a while over the new request: the
        // requester sees the late answer on its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const bool vanish = TakeFault(m_options.vanish, request);
    if (vanish || TakeFault(m_options.cutOff, request)) {
        Log("fault: answer to 0x%02X cut off after %zu of %zu bytes", request, frame.size() / 2, frame.size());
        frame.resize(frame.size() / 2);
    }
    Log("tx cmd=0x%02X len=%u", command, length);
    auto delay = m_options.delay.find(request);
    if (delay != m_options.delay.end() && delay->second.times != 0) {
        if (delay->second.times > 0)
            --delay->second.times;
        Log("answer to 0x%02X held back %d ms", request, delay->second.ms);
        m_heldAnswer = {true, std::chrono::steady_clock::now() + std::chrono::milliseconds(delay->second.ms),
                        request, std::move(frame), vanish};
        return;
    }
    WriteAll(frame.data(), frame.size());
    if (vanish)
        Vanish();
}

bool CBoardSim::WriteAll(const BYTE* data, size_t length)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    // Pace in slices of about 5 ms of line time.
    const size_t slice = m_options.baud ? std::max<size_t>(1, m_options.baud / 2000) : length;
    size_t done = 0;
    while (done < length && !m_stop) {
        if (m_options.baud) {
            const auto due = start + std::chrono::microseconds(done * 10ull * 1000000ull / m_options.baud);
            std::this_thread::sleep_until(due);
        }
        const size_t want = std::min(slice, length - done);
        const ssize_t n = ::write(m_master, data + done, want);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, 50); // the other side is not reading yet
    }
    return done == length;
}

void CBoardSim::Vanish()
{
    Log("fault: device removed");
    // Let the bytes already written reach the other side before the end.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_vanished = true;
}

serio::ModuleInfo CBoardSim::MakeModuleInfo() const
{
    serio::ModuleInfo info{};
    const char16_t name[] = u"LV-SIM";
    std::memcpy(info.szModelName, name, sizeof name);
    info.byManufactureDate[0] = 0x26; // 2026-01-15, BCD
    info.byManufactureDate[1] = 0x01;
    info.byManufactureDate[2] = 0x15;
    info.dwModelCode = serio::ModuleInfo::MakeModelCode(static_cast<unsigned>(m_options.contentCols),
                                                        static_cast<unsigned>(m_options.contentRows),
                                                        m_options.language == 'E' ? 14 : 10);
    std::lock_guard lk(m_lock);
    // A controller reports the size it was last set to.
    serio::ControllerSettings s{};
    // (The size given on the command line until settings are written.)
    const bool haveSettings = m_settingsWritten && serio::RecordFromBytes(s, m_settings.data(), m_settings.size());
    info.byModuleRows = static_cast<BYTE>(haveSettings && s.wRows >= 1 && s.wRows <= 255 ? s.wRows : m_options.moduleRows);
    info.byModuleCols =
        static_cast<BYTE>(haveSettings && s.wColumns >= 1 && s.wColumns <= 255 ? s.wColumns : m_options.moduleCols);
    info.byAdCount = static_cast<BYTE>(m_options.claimedAds >= 0 ? m_options.claimedAds : CountAds(m_adBlob));
    info.byUserImage = m_userImages.empty() ? 0 : 1;
    info.wAdBlobLength = static_cast<WORD>(std::min<size_t>(m_adBlob.size(), 0xFFFF));
    info.wUserImageLength = static_cast<WORD>(std::min<size_t>(m_userImages.size(), 0xFFFF));
    return info;
}

int CBoardSim::CountAds(const std::vector<BYTE>& blob)
{
    if (blob.size() < 12 || std::memcmp(blob.data(), "LZO ", 4) != 0)
        return 0;
    const uint64_t l1 = ReadLe32(blob.data() + 4);
    if (l1 == 0 || 12 + l1 > blob.size())
        return 0;
    const uint64_t l2 = ReadLe32(blob.data() + 8 + l1);
    if (12 + l1 + l2 > blob.size())
        return 0;
    BYTE pages[kPageArrayBytes] = {};
    if (qvr::lzo::Decompress(blob.data() + 12 + l1, l2, pages, sizeof pages) < 0)
        return 0;
    int count = 0;
    for (size_t p = 0; p < 50; ++p)
        if (pages[p * kPageBytes] | pages[p * kPageBytes + 1])
            ++count;
    return count;
}

std::vector<BYTE> CBoardSim::Locked(const std::vector<BYTE>& value) const
{
    std::lock_guard lk(m_lock);
    return value;
}

void CBoardSim::Keep(std::vector<BYTE>& slot, const std::vector<BYTE>& data, const char* file)
{
    {
        std::lock_guard lk(m_lock);
        slot = data;
    }
    SaveState(file, data);
}

std::vector<BYTE> CBoardSim::Settings() const
{
    return Locked(m_settings);
}

std::vector<BYTE> CBoardSim::AdBlob() const
{
    return Locked(m_adBlob);
}

std::vector<BYTE> CBoardSim::UserImages() const
{
    return Locked(m_userImages);
}

std::vector<BYTE> CBoardSim::Clock() const
{
    return Locked(m_clock);
}

std::vector<FrameRecord> CBoardSim::Received() const
{
    std::lock_guard lk(m_lock);
    return m_received;
}

void CBoardSim::LoadState()
{
    if (m_options.stateDir.empty())
        return;
    auto load = [&](const char* name) {
        std::ifstream in(std::filesystem::path(m_options.stateDir) / name, std::ios::binary);
        return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    std::vector<BYTE> settings = load("settings.bin");
    if (settings.size() == sizeof(serio::ControllerSettings))
        m_settings = std::move(settings);
    m_adBlob = load("ads.bin");
    m_userImages = load("userimages.bin");
    std::vector<BYTE> clock = load("clock.bin");
    if (clock.size() == 7)
        m_clock = std::move(clock);
}

void CBoardSim::SaveState(const char* name, const std::vector<BYTE>& data)
{
    if (m_options.stateDir.empty())
        return;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(m_options.stateDir, ec);
    const fs::path target = fs::path(m_options.stateDir) / name;
    const fs::path temp = target.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!out) {
            Log("cannot write %s", temp.c_str());
            return;
        }
    }
    fs::rename(temp, target, ec); // whole files only, never half-written ones
    if (ec)
        Log("cannot write %s: %s", target.c_str(), ec.message().c_str());
}

} // namespace boardsim
