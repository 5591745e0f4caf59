// SPDX-License-Identifier: BSD-2-Clause
// CSerial on POSIX termios. Line events are emulated with poll: input that
// has not been announced yet, an emptied output queue, modem-line changes and
// the driver's break/error counters (where the driver keeps them). A wake
// pipe lets SetMask complete a pending wait; a second pipe tells every
// waiting operation that the port is being closed.
#include <serio/serial.h>

#include "serial_speed.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kModemEvents = CSerial::EEventCTS | CSerial::EEventDSR | CSerial::EEventRLSD | CSerial::EEventRing;
constexpr DWORD kCounterEvents = CSerial::EEventBreak | CSerial::EEventError;
constexpr int kPollSliceMs = 20;

struct SpeedEntry {
    int baud;
    speed_t speed;
};
constexpr SpeedEntry kSpeeds[] = {
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
    {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
};

bool BaudToSpeed(int baud, speed_t* speed)
{
    for (const auto& e : kSpeeds)
        if (e.baud == baud) {
            *speed = e.speed;
            return true;
        }
    return false;
}

int SpeedToBaud(speed_t speed)
{
    for (const auto& e : kSpeeds)
        if (e.speed == speed)
            return e.baud;
    return -1;
}

// Milliseconds left until deadline, or -1 for no limit.
int RemainingMs(bool limited, Clock::time_point deadline)
{
    if (!limited)
        return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

void DrainPipe(int fd)
{
    char buf[64];
    while (::read(fd, buf, sizeof buf) > 0) {
    }
}

void ClosePair(int p[2])
{
    for (int i = 0; i < 2; ++i)
        if (p[i] >= 0) {
            ::close(p[i]);
            p[i] = -1;
        }
}

void Poke(int fd)
{
    if (fd >= 0) {
        const char b = 1;
        [[maybe_unused]] ssize_t n = ::write(fd, &b, 1);
    }
}

// Opens a device the way a port is opened: read/write, never creating it,
// not becoming our controlling terminal, and exclusively (a lock that also
// binds root, plus the tty's own exclusive mode). Returns the descriptor or
// -errno.
int OpenExclusive(const std::string& device)
{
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    int err = 0;
    if (!::isatty(fd))
        err = ENOTTY;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        err = (errno == EWOULDBLOCK) ? EBUSY : errno;
    else if (::ioctl(fd, TIOCEXCL) != 0)
        err = errno;
    if (err) {
        ::close(fd);
        return -err;
    }
    return fd;
}

} // namespace

CSerial::CSerial() = default;

CSerial::~CSerial()
{
    Close();
}

CSerial::CSerial(const CSerial& other)
{
    CopyFrom(other);
}

CSerial& CSerial::operator=(const CSerial& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CSerial::CopyFrom(const CSerial& other)
{
    m_lLastError = other.m_lLastError.load();
    m_eEvent = other.m_eEvent.load();
    m_dwEventMask = other.m_dwEventMask.load();
    m_bEventChar = other.m_bEventChar;
    m_readMode = other.m_readMode.load();
    m_dwQueueSize = other.m_dwQueueSize;
    m_oneAndHalfStop = other.m_oneAndHalfStop;
}

CSerial::EPort CSerial::CheckPort(const std::string& device)
{
    int fd = OpenExclusive(device);
    if (fd >= 0) {
        ::close(fd);
        return EPortAvailable;
    }
    switch (-fd) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return EPortNotAvailable;
    case EACCES:
    case EPERM:
    case EBUSY:
        return EPortInUse;
    default:
        return EPortUnknownError;
    }
}

LONG CSerial::Open(const std::string& device, DWORD dwInQueue, DWORD dwOutQueue, bool fOverlapped)
{
    m_lLastError = 0;
    if (IsOpen())
        return SetLastErrorCode(serio::kErrorAlreadyInitialized);

    int fd = OpenExclusive(device);
    if (fd < 0)
        return SetLastErrorCode(-fd);

    if (::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0 || ::pipe2(m_closePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int err = errno;
        ClosePair(m_wakePipe);
        ClosePair(m_closePipe);
        ::close(fd);
        return SetLastErrorCode(err);
    }
    if (fOverlapped)
        m_hevtOverlapped = std::make_unique<serio::CEvent>();
    // The driver's queues have fixed sizes here; the value still drives the
    // "input queue 80 % full" event.
    m_dwQueueSize = dwInQueue ? dwInQueue : dwOutQueue;
    m_closing = false;
    m_rxReported = 0;
    m_txPending = false;
    m_rx80Reported = false;
    m_pendingEvents = 0;
    m_pendingErrors = 0;
    m_eEvent = 0;
    m_waiters = 0;
    m_hFile = fd;

    SetMask(EEventBreak | EEventError | EEventRecv);
    SetupReadTimeouts(EReadTimeoutNonblocking);

    // The device's default configuration: raw bytes, receiver on, modem
    // lines not required; the speed stays as the driver has it.
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        // With VMIN 1 an empty non-blocking read says EAGAIN, so that a
        // read of 0 bytes only ever means a hang-up.
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSANOW, &t);
    }

    {
        std::lock_guard lk(m_lineLock);
        int bits = 0;
        m_haveModem = ReadModemBits(fd, &bits);
        m_lastModem = m_haveModem ? bits : -1;
        serial_icounter_struct ic{};
        m_haveCounters = ::ioctl(fd, TIOCGICOUNT, &ic) == 0;
        if (m_haveCounters) {
            const uint32_t now[6] = {uint32_t(ic.brk), uint32_t(ic.frame), uint32_t(ic.overrun),
                                     uint32_t(ic.parity), uint32_t(ic.buf_overrun), 0};
            std::memcpy(m_lastCounters, now, sizeof now);
        }
    }
    return 0;
}

LONG CSerial::Close()
{
    std::lock_guard closeGuard(m_closeLock);
    if (!IsOpen()) {
        m_lLastError = 0;
        return 0;
    }
    // Wake every operation waiting on the device, then wait for them to leave.
    m_closing = true;
    Poke(m_closePipe[1]);
    {
        std::unique_lock lk(m_fdLock);
        const int fd = m_hFile.exchange(-1);
        if (fd >= 0)
            ::close(fd);
        ClosePair(m_wakePipe);
        ClosePair(m_closePipe);
        m_hevtOverlapped.reset();
    }
    m_closing = false;
    m_lLastError = 0;
    return 0;
}

LONG CSerial::Setup(EBaudrate eBaudrate, EDataBits eDataBits, EParity eParity, EStopBits eStopBits)
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    const int fd = m_hFile;
    if (fd < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return SetLastErrorCode(errno);

    if (eBaudrate <= 0)
        return SetLastErrorCode(EINVAL);
    speed_t speed{};
    const bool standard = BaudToSpeed(eBaudrate, &speed);
    if (standard) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }

    tcflag_t size;
    switch (eDataBits) {
    case EData5: size = CS5; break;
    case EData6: size = CS6; break;
    case EData7: size = CS7; break;
    case EData8: size = CS8; break;
    default: return SetLastErrorCode(EINVAL);
    }
    t.c_cflag = (t.c_cflag & ~CSIZE) | size;

    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (eParity) {
    case EParNone: break;
    case EParOdd: t.c_cflag |= PARENB | PARODD; break;
    case EParEven: t.c_cflag |= PARENB; break;
    case EParMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case EParSpace: t.c_cflag |= PARENB | CMSPAR; break;
    default: return SetLastErrorCode(EINVAL);
    }
    // Parity checking exactly when a parity is used.
    if (eParity != EParNone)
        t.c_iflag |= INPCK;
    else
        t.c_iflag &= ~INPCK;

    switch (eStopBits) {
    case EStop1: t.c_cflag &= ~CSTOPB; break;
    case EStop1_5: // the nearest the driver offers
    case EStop2: t.c_cflag |= CSTOPB; break;
    default: return SetLastErrorCode(EINVAL);
    }
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        return SetLastErrorCode(errno);
    if (!standard) {
        if (const int err = serio::detail::SetLineSpeed(fd, eBaudrate))
            return SetLastErrorCode(err);
    }
    m_oneAndHalfStop = eStopBits == EStop1_5;
    return 0;
}

LONG CSerial::SetEventChar(BYTE bEventChar, bool fAdjustMask)
{
    m_lLastError = 0;
    if (!IsOpen())
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (fAdjustMask) {
        if (LONG r = SetMask(GetEventMask() | EEventRcvEv))
            return r;
    }
    m_bEventChar = bEventChar;
    return 0;
}

LONG CSerial::SetMask(DWORD dwMask)
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    m_dwEventMask = dwMask;
    // Setting the mask completes a pending wait (with no events); with none
    // pending there is nothing to complete, and a later wait must not see it.
    if (m_waiters.load() > 0)
        Poke(m_wakePipe[1]);
    return 0;
}

CSerial::Ready CSerial::WaitDevice(short events, DWORD timeoutMs, bool wakeable, int* err)
{
    const bool limited = timeoutMs != serio::kInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        pollfd p[3] = {{m_hFile, events, 0}, {m_closePipe[0], POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        const int r = ::poll(p, wakeable ? 3 : 2, RemainingMs(limited, deadline));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            return Ready::kFailed;
        }
        if (r == 0)
            return Ready::kTimeout;
        if (p[1].revents)
            return Ready::kClosing;
        if (wakeable && p[2].revents) {
            DrainPipe(m_wakePipe[0]);
            return Ready::kWake;
        }
        if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Input still queued is delivered first; then the device has
            // gone (adapter pulled out, other end closed).
            int queued = 0;
            if ((events & POLLIN) && ::ioctl(m_hFile, FIONREAD, &queued) == 0 && queued > 0)
                return Ready::kData;
            *err = EIO;
            return Ready::kFailed;
        }
        if (p[0].revents & events)
            return Ready::kData;
    }
}

bool CSerial::ReadModemBits(int fd, int* bits)
{
    return ::ioctl(fd, TIOCMGET, bits) == 0;
}

void CSerial::UpdateCounters(int fd)
{
    std::lock_guard lk(m_lineLock);
    if (!m_haveCounters)
        return;
    serial_icounter_struct ic{};
    if (::ioctl(fd, TIOCGICOUNT, &ic) != 0)
        return;
    const uint32_t now[6] = {uint32_t(ic.brk), uint32_t(ic.frame), uint32_t(ic.overrun),
                             uint32_t(ic.parity), uint32_t(ic.buf_overrun), 0};
    DWORD ev = 0, errs = 0;
    if (now[0] != m_lastCounters[0]) { ev |= EEventBreak; errs |= EErrorBreak; }
    if (now[1] != m_lastCounters[1]) { ev |= EEventError; errs |= EErrorFrame; }
    if (now[2] != m_lastCounters[2]) { ev |= EEventError; errs |= EErrorOverrun; }
    if (now[3] != m_lastCounters[3]) { ev |= EEventError; errs |= EErrorParity; }
    if (now[4] != m_lastCounters[4]) { ev |= EEventError; errs |= EErrorRxOver; }
    std::memcpy(m_lastCounters, now, sizeof now);
    m_pendingEvents |= ev;
    m_pendingErrors |= errs;
}

DWORD CSerial::CollectLineEvents(int fd)
{
    const DWORD mask = m_dwEventMask;
    DWORD ev = 0;
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) == 0) {
        if (queued == 0)
            m_rxReported = 0;
        if (queued > m_rxReported) {
            ev |= EEventRecv;
            m_rxReported = queued;
        }
        if (m_dwQueueSize) {
            const bool full = static_cast<uint64_t>(queued) * 5 >= static_cast<uint64_t>(m_dwQueueSize) * 4;
            if (full && !m_rx80Reported.exchange(true))
                ev |= EEventRx80Full;
            else if (!full)
                m_rx80Reported = false;
        }
    }
    if ((mask & EEventSend) && m_txPending) {
        int out = 0;
        if (::ioctl(fd, TIOCOUTQ, &out) == 0 && out == 0) {
            m_txPending = false;
            ev |= EEventSend;
        }
    }
    if (mask & kModemEvents) {
        std::lock_guard lk(m_lineLock);
        int bits = 0;
        if (m_haveModem && ReadModemBits(fd, &bits)) {
            const int changed = m_lastModem >= 0 ? (bits ^ m_lastModem) : 0;
            if (changed & TIOCM_CTS) ev |= EEventCTS;
            if (changed & TIOCM_DSR) ev |= EEventDSR;
            if (changed & TIOCM_CD) ev |= EEventRLSD;
            if ((changed & TIOCM_RI) && (bits & TIOCM_RI)) ev |= EEventRing;
            m_lastModem = bits;
        }
    }
    UpdateCounters(fd);
    ev |= m_pendingEvents.exchange(0);
    return ev;
}

bool CSerial::NeedsPolling(int fd)
{
    const DWORD mask = m_dwEventMask;
    if ((mask & kModemEvents) && m_haveModem)
        return true;
    if ((mask & kCounterEvents) && m_haveCounters)
        return true;
    if ((mask & EEventSend) && m_txPending)
        return true;
    int queued = 0;
    return ::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0; // announced, unread input
}

LONG CSerial::DoWaitEvent(DWORD timeoutMs, DWORD* events)
{
    *events = 0;
    const int fd = m_hFile;
    const bool limited = timeoutMs != serio::kInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        if (AbandonWait())
            return 0;
        const DWORD ev = CollectLineEvents(fd) & m_dwEventMask;
        if (ev) {
            *events = ev;
            return 0;
        }
        int queued = 0;
        const bool unread = ::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0;
        // Announced but unread input keeps the descriptor readable: watch
        // only for hang-ups then, and look again after a short slice.
        const short watch = (unread || !(m_dwEventMask & EEventRecv)) ? 0 : POLLIN;
        int slice = RemainingMs(limited, deadline);
        if (NeedsPolling(fd) && (slice < 0 || slice > kPollSliceMs))
            slice = kPollSliceMs;
        int err = 0;
        switch (WaitDevice(watch, slice < 0 ? serio::kInfinite : static_cast<DWORD>(slice), true, &err)) {
        case Ready::kData:
            break;
        case Ready::kWake:
            return 0;
        case Ready::kClosing:
            return serio::kErrorInvalidHandle;
        case Ready::kFailed:
            return err;
        case Ready::kTimeout:
            if (limited && Clock::now() >= deadline)
                return serio::kErrorTimeout;
            break;
        }
    }
}

LONG CSerial::WaitEvent(serio::COverlapped* lpOverlapped, DWORD dwTimeout)
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (!m_hevtOverlapped && (lpOverlapped || dwTimeout != serio::kInfinite))
        return SetLastErrorCode(serio::kErrorInvalidFunction);

    // Counted as pending before looking, so that a SetMask from now on
    // completes the wait (see SetMask).
    ++m_waiters;
    if (lpOverlapped) {
        // Start: complete at once when something is already there, else
        // leave it pending (and counted) for WaitOverlapped.
        DWORD ev = 0;
        const LONG r = DoWaitEvent(0, &ev);
        lpOverlapped->dwBytes = 0;
        if (r == serio::kErrorTimeout) {
            lpOverlapped->bPending = true;
            lpOverlapped->lResult = 0;
            return 0;
        }
        --m_waiters;
        lpOverlapped->bPending = false;
        lpOverlapped->lResult = r;
        lpOverlapped->dwEvent = ev;
        m_eEvent = ev;
        if (lpOverlapped->hEvent)
            lpOverlapped->hEvent->Set();
        return 0;
    }

    DWORD ev = 0;
    const LONG r = DoWaitEvent(dwTimeout, &ev);
    --m_waiters;
    m_eEvent = ev;
    return r ? SetLastErrorCode(r) : 0;
}

LONG CSerial::WaitOverlapped(serio::COverlapped& ov, DWORD dwTimeout)
{
    if (ov.bPending) {
        std::shared_lock lk(m_fdLock);
        if (m_hFile < 0)
            return SetLastErrorCode(serio::kErrorInvalidHandle);
        DWORD ev = 0;
        const LONG r = DoWaitEvent(dwTimeout, &ev);
        if (r == serio::kErrorTimeout)
            return SetLastErrorCode(r);
        --m_waiters;
        ov.bPending = false;
        ov.lResult = r;
        ov.dwEvent = ev;
        m_eEvent = ev;
        if (ov.hEvent)
            ov.hEvent->Set();
    }
    return ov.lResult ? SetLastErrorCode(ov.lResult) : 0;
}

LONG CSerial::SetupHandshaking(EHandshake eHandshake)
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    const int fd = m_hFile;
    if (fd < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (eHandshake != EHandshakeOff && eHandshake != EHandshakeHardware && eHandshake != EHandshakeSoftware)
        return SetLastErrorCode(serio::kErrorInvalidArg);
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return SetLastErrorCode(errno);
    int lines = TIOCM_DTR | TIOCM_RTS;
    bool raise = false;
    switch (eHandshake) {
    case EHandshakeOff:
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        break;
    case EHandshakeHardware:
        t.c_cflag |= CRTSCTS;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        raise = true;
        break;
    default:
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag |= IXON | IXOFF;
        break;
    }
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        return SetLastErrorCode(errno);
    // Modem lines do not exist on every device (pseudo-terminals): ignore.
    ::ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &lines);
    return 0;
}

LONG CSerial::SetupReadTimeouts(EReadTimeout eReadTimeout)
{
    m_lLastError = 0;
    if (!IsOpen())
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (eReadTimeout != EReadTimeoutNonblocking && eReadTimeout != EReadTimeoutBlocking)
        return SetLastErrorCode(serio::kErrorInvalidArg);
    m_readMode = eReadTimeout;
    return 0;
}

namespace {
// Reads the line state for a getter; false (with the error stored) when the
// port is closed or the driver fails.
template <typename F>
bool WithTermios(std::shared_mutex& lock, const std::atomic<int>& handle, std::atomic<LONG>& lastError, F&& f)
{
    std::shared_lock lk(lock);
    const int fd = handle;
    if (fd < 0) {
        lastError = serio::kErrorInvalidHandle;
        return false;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        lastError = errno;
        return false;
    }
    f(t);
    return true;
}
} // namespace

CSerial::EBaudrate CSerial::GetBaudrate()
{
    m_lLastError = 0;
    int baud = -1;
    WithTermios(m_fdLock, m_hFile, m_lLastError, [&](const termios& t) {
        baud = SpeedToBaud(::cfgetospeed(&t));
        if (baud < 0) // a rate set outside the table
            baud = serio::detail::GetLineSpeed(m_hFile);
    });
    return static_cast<EBaudrate>(baud);
}

CSerial::EDataBits CSerial::GetDataBits()
{
    m_lLastError = 0;
    int bits = -1;
    WithTermios(m_fdLock, m_hFile, m_lLastError, [&](const termios& t) {
        switch (t.c_cflag & CSIZE) {
        case CS5: bits = 5; break;
        case CS6: bits = 6; break;
        case CS7: bits = 7; break;
        default: bits = 8; break;
        }
    });
    return static_cast<EDataBits>(bits);
}

CSerial::EParity CSerial::GetParity()
{
    m_lLastError = 0;
    int parity = -1;
    WithTermios(m_fdLock, m_hFile, m_lLastError, [&](const termios& t) {
        if (!(t.c_iflag & INPCK) || !(t.c_cflag & PARENB))
            parity = EParNone;
        else if (t.c_cflag & CMSPAR)
            parity = (t.c_cflag & PARODD) ? EParMark : EParSpace;
        else
            parity = (t.c_cflag & PARODD) ? EParOdd : EParEven;
    });
    return static_cast<EParity>(parity);
}

CSerial::EStopBits CSerial::GetStopBits()
{
    m_lLastError = 0;
    int stop = -1;
    WithTermios(m_fdLock, m_hFile, m_lLastError, [&](const termios& t) {
        stop = !(t.c_cflag & CSTOPB) ? EStop1 : (m_oneAndHalfStop ? EStop1_5 : EStop2);
    });
    return static_cast<EStopBits>(stop);
}

CSerial::EHandshake CSerial::GetHandshaking()
{
    m_lLastError = 0;
    int hs = -1;
    WithTermios(m_fdLock, m_hFile, m_lLastError, [&](const termios& t) {
        if (t.c_cflag & CRTSCTS)
            hs = EHandshakeHardware;
        else if ((t.c_iflag & IXON) && (t.c_iflag & IXOFF))
            hs = EHandshakeSoftware;
        else
            hs = EHandshakeOff;
    });
    return static_cast<EHandshake>(hs);
}

DWORD CSerial::GetEventMask()
{
    m_lLastError = 0;
    if (!IsOpen()) {
        m_lLastError = serio::kErrorInvalidHandle;
        return 0;
    }
    return m_dwEventMask;
}

BYTE CSerial::GetEventChar()
{
    m_lLastError = 0;
    if (!IsOpen()) {
        m_lLastError = serio::kErrorInvalidHandle;
        return 0;
    }
    return m_bEventChar;
}

LONG CSerial::WaitTransfer(short events, bool limited, std::chrono::steady_clock::time_point deadline)
{
    int err = 0;
    const int left = RemainingMs(limited, deadline);
    switch (WaitDevice(events, left < 0 ? serio::kInfinite : static_cast<DWORD>(left), false, &err)) {
    case Ready::kTimeout: return serio::kErrorTimeout;
    case Ready::kClosing: return serio::kErrorInvalidHandle;
    case Ready::kFailed: return err;
    default: return 0;
    }
}

LONG CSerial::DoRead(void* pData, size_t iLen, DWORD* count, DWORD timeoutMs, bool blocking)
{
    const int fd = m_hFile;
    auto* p = static_cast<BYTE*>(pData);
    size_t total = 0;
    const bool limited = timeoutMs != serio::kInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    LONG result = 0;
    while (total < iLen) {
        const ssize_t n = ::read(fd, p + total, iLen - total);
        if (n > 0) {
            total += static_cast<size_t>(n);
            m_rxReported = 0; // what is still queued gets announced again
            if (!blocking)
                break;
            continue;
        }
        if (n == 0) {
            pollfd hup{fd, 0, 0};
            if (::poll(&hup, 1, 0) > 0 && (hup.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                result = EIO; // end of file on a terminal: it was hung up
                break;
            }
            if (!blocking)
                break;
            errno = EAGAIN; // nothing queued (somebody set VMIN to 0)
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            result = errno;
            break;
        }
        if (!blocking)
            break;
        if ((result = WaitTransfer(POLLIN, limited, deadline)) != 0)
            break;
    }
    *count = static_cast<DWORD>(total);
    return result;
}

LONG CSerial::DoWrite(const void* pData, size_t iLen, DWORD* count, DWORD timeoutMs)
{
    const int fd = m_hFile;
    const auto* p = static_cast<const BYTE*>(pData);
    size_t total = 0;
    const bool limited = timeoutMs != serio::kInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    LONG result = 0;
    while (total < iLen) {
        const ssize_t n = ::write(fd, p + total, iLen - total);
        if (n > 0) {
            total += static_cast<size_t>(n);
            m_txPending = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            result = errno;
            break;
        }
        if ((result = WaitTransfer(POLLOUT, limited, deadline)) != 0)
            break;
    }
    *count = static_cast<DWORD>(total);
    return result;
}

// Finishes a read or write: a record gets the result and is signalled (the
// call itself succeeded); without one the result is returned.
LONG CSerial::Complete(serio::COverlapped* ov, LONG result, DWORD count)
{
    if (!ov)
        return result ? SetLastErrorCode(result) : 0;
    ov->bPending = false;
    ov->lResult = result;
    ov->dwBytes = count;
    if (ov->hEvent)
        ov->hEvent->Set();
    return 0;
}

LONG CSerial::Write(const char* pString, DWORD* pdwWritten, serio::COverlapped* lpOverlapped, DWORD dwTimeout)
{
    return Write(pString, pString ? std::strlen(pString) : 0, pdwWritten, lpOverlapped, dwTimeout);
}

LONG CSerial::Write(const void* pData, size_t iLen, DWORD* pdwWritten, serio::COverlapped* lpOverlapped,
                    DWORD dwTimeout)
{
    DWORD scratch = 0;
    DWORD* count = pdwWritten ? pdwWritten : &scratch;
    *count = 0;
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (!m_hevtOverlapped && (lpOverlapped || dwTimeout != serio::kInfinite))
        return SetLastErrorCode(serio::kErrorInvalidFunction);
    // A write with a record runs to its end here (a terminal accepts bytes
    // promptly unless flow control holds it) and completes the record.
    const LONG r = DoWrite(pData, iLen, count, lpOverlapped ? serio::kInfinite : dwTimeout);
    return Complete(lpOverlapped, r, *count);
}

LONG CSerial::Read(void* pData, size_t iLen, DWORD* pdwRead, serio::COverlapped* lpOverlapped, DWORD dwTimeout)
{
    DWORD scratch = 0;
    DWORD* count = pdwRead ? pdwRead : &scratch;
    *count = 0;
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (!m_hevtOverlapped && (lpOverlapped || dwTimeout != serio::kInfinite))
        return SetLastErrorCode(serio::kErrorInvalidFunction);
    if (lpOverlapped) {
        // A read with a record completes at once with what is queued.
        const LONG r = DoRead(pData, iLen, count, 0, false);
        return Complete(lpOverlapped, r, *count);
    }
    const LONG r = DoRead(pData, iLen, count, dwTimeout, m_readMode == EReadTimeoutBlocking);
    return Complete(nullptr, r, *count);
}

LONG CSerial::Flush(DWORD dwTimeout)
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    const bool limited = dwTimeout != serio::kInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? dwTimeout : 0);
    // Watch the output queue empty in short slices rather than sit in the
    // driver, so that closing the port (or a hang-up) ends the wait. A slice
    // is no longer than the queued bytes take on the line: a short frame is
    // out in well under a slice, and its answer must not wait for the rest.
    termios t{};
    int baud = ::tcgetattr(m_hFile, &t) == 0 ? SpeedToBaud(::cfgetospeed(&t)) : -1;
    if (baud <= 0)
        baud = serio::detail::GetLineSpeed(m_hFile);
    for (int queued = 0; ::ioctl(m_hFile, TIOCOUTQ, &queued) == 0 && queued > 0;) {
        if (limited && Clock::now() >= deadline)
            return SetLastErrorCode(serio::kErrorTimeout);
        // Ten bits a byte, and a millisecond more for the last one.
        const int64_t lineMs = baud > 0 ? int64_t(queued) * 10 * 1000 / baud + 1 : kPollSliceMs;
        const DWORD slice = static_cast<DWORD>(std::min<int64_t>(lineMs, kPollSliceMs));
        int err = 0;
        switch (WaitDevice(0, slice, false, &err)) {
        case Ready::kClosing: return SetLastErrorCode(serio::kErrorInvalidHandle);
        case Ready::kFailed: return SetLastErrorCode(err);
        default: break;
        }
    }
    if (::tcdrain(m_hFile) != 0)
        return SetLastErrorCode(errno);
    return 0;
}

LONG CSerial::Purge()
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (::tcflush(m_hFile, TCIOFLUSH) != 0)
        return SetLastErrorCode(errno);
    m_rxReported = 0;
    m_txPending = false;
    return 0;
}

LONG CSerial::Break()
{
    m_lLastError = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    if (::ioctl(m_hFile, TIOCSBRK) != 0)
        return SetLastErrorCode(errno);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (::ioctl(m_hFile, TIOCCBRK) != 0)
        return SetLastErrorCode(errno);
    return 0;
}

CSerial::EEvent CSerial::GetEventType()
{
    return static_cast<EEvent>(m_eEvent.exchange(0) & m_dwEventMask);
}

LONG CSerial::TakeLineErrors(DWORD& errors)
{
    errors = 0;
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return serio::kErrorInvalidHandle;
    UpdateCounters(m_hFile);
    errors = m_pendingErrors.exchange(0);
    return 0;
}

CSerial::EError CSerial::GetError()
{
    m_lLastError = 0;
    DWORD errors = 0;
    if (LONG r = TakeLineErrors(errors))
        SetLastErrorCode(r);
    return static_cast<EError>(errors);
}

namespace {
bool ModemLine(std::shared_mutex& lock, const std::atomic<int>& handle, std::atomic<LONG>& lastError, int line)
{
    lastError = 0;
    std::shared_lock lk(lock);
    if (handle < 0) {
        lastError = serio::kErrorInvalidHandle;
        return false;
    }
    int bits = 0;
    if (::ioctl(handle, TIOCMGET, &bits) != 0) {
        lastError = errno;
        return false;
    }
    return (bits & line) != 0;
}
} // namespace

bool CSerial::GetCTS() { return ModemLine(m_fdLock, m_hFile, m_lLastError, TIOCM_CTS); }
bool CSerial::GetDSR() { return ModemLine(m_fdLock, m_hFile, m_lLastError, TIOCM_DSR); }
bool CSerial::GetRing() { return ModemLine(m_fdLock, m_hFile, m_lLastError, TIOCM_RI); }
bool CSerial::GetRLSD() { return ModemLine(m_fdLock, m_hFile, m_lLastError, TIOCM_CD); }

LONG CSerial::CancelCommIo()
{
    std::shared_lock lk(m_fdLock);
    if (m_hFile < 0)
        return serio::kErrorInvalidHandle;
    Poke(m_wakePipe[1]); // completes a pending wait
    return 0;
}

LONG CSerial::CheckRequirements(serio::COverlapped*, DWORD) const
{
    return 0;
}
