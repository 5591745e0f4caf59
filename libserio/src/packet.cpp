// SPDX-License-Identifier: BSD-2-Clause
#include <serio/packet.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <sys/ioctl.h>
#include <utility>

const uint32_t CPacket::mg_nDefaultPacketRecvMsg = serio::RegisterWindowMessage("CPacket_DefaultPacketRecvMsg");

namespace serio {

POINT CenterOver(const RECT& owner, const SIZE& window)
{
    POINT p;
    p.x = owner.left + ((owner.right - owner.left) - window.cx) / 2;
    p.y = owner.top + ((owner.bottom - owner.top) - window.cy) / 2;
    return p;
}

} // namespace serio

namespace {

// Bytes that have arrived on fd and wait to be read (0 when unknown).
int QueuedInput(int fd)
{
    int queued = 0;
    return fd >= 0 && ::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0 ? queued : 0;
}

constexpr DWORD kSendPiece = 1024;
constexpr DWORD kReadPiece = 512;
constexpr int64_t kPlainWriteMs = 1000; // a frame sent without waiting for its answer
constexpr int64_t kWriteSliceMs = 50;   // how soon a write notices a Cancel
constexpr BYTE kLeaveUpdateMode = 0x45;
} // namespace

int64_t CPacket::NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CPacket::CPacket() = default;

CPacket::~CPacket()
{
    if (IsListening())
        Close();
    EndListener(); // also one that ended on its own and may still be notifying
    if (IsOpen()) {
        SendPacket(kLeaveUpdateMode);
        Close();
    }
    DestoryProgress();
}

LONG CPacket::Open(serio::IPacketOwner* pOwner)
{
    if (LONG r = OpenWithSettings())
        return r;
    {
        std::lock_guard lk(m_rxLock);
        m_receiver.Reset();
    }
    m_pOwner = pOwner;
    if (LONG r = StartListener()) {
        Close();
        return SetLastErrorCode(r);
    }
    return 0;
}

LONG CPacket::Close()
{
    m_pOwner = nullptr;
    CSerialEx::Close();
    return 0;
}

LONG CPacket::SendPacket(BYTE byCommand)
{
    return SendPacket(byCommand, 0, nullptr);
}

LONG CPacket::SendPacket(BYTE byCommand, DWORD dwLength, const BYTE* pData)
{
    return WriteFrame(byCommand, dwLength, pData, kPlainWriteMs + LineTimeMs(dwLength + serio::kFrameOverhead));
}

int64_t CPacket::LineTimeMs(size_t nBytes) const
{
    // Ten bits a byte: start, eight data bits, stop.
    const int64_t baud = m_eBaudrate > 0 ? m_eBaudrate : 9600;
    return (static_cast<int64_t>(nBytes) * 10 * 1000 + baud - 1) / baud;
}

LONG CPacket::WriteFrame(BYTE byCommand, DWORD dwLength, const BYTE* pData, int64_t limitMs)
{
    if (!IsOpen())
        return serio::kErrorInvalidHandle;
    if (dwLength && !pData)
        return SetLastErrorCode(EINVAL);
    try {
        m_sendBuffer = serio::BuildFrame(byCommand, pData, dwLength);
    } catch (const std::bad_alloc&) {
        return SetLastErrorCode(ENOMEM);
    }
    m_dwSendLength = static_cast<DWORD>(m_sendBuffer.size());
    {
        std::lock_guard lk(m_progressLock);
        m_progressPhase = ProgressPhase::Sending;
        m_nLastPercent = -1;
    }

    const int64_t deadline = NowMs() + limitMs;
    const DWORD total = m_dwSendLength;
    DWORD sent = 0;
    LONG result = 0;
    // Written in short slices, so that a device that stops taking bytes, or
    // a Cancel, ends the write within its bound instead of never.
    while (sent < total) {
        const int64_t left = deadline - NowMs();
        if (m_bCancel || left <= 0) {
            result = serio::kErrorTimeout;
            break;
        }
        const DWORD piece = std::min(kSendPiece, total - sent);
        DWORD written = 0;
        // The lock spans the write and its report: a quick answer to the
        // last piece cannot be reported before the piece itself, so the
        // bar shows the request, then the answer, in that order.
        std::lock_guard lk(m_progressLock);
        result = Write(m_sendBuffer.data() + sent, piece, &written, nullptr,
                       static_cast<DWORD>(std::min<int64_t>(left, kWriteSliceMs)));
        sent += written;
        if (written)
            ReportProgressLocked(ProgressPhase::Sending, sent, total);
        if (result == serio::kErrorTimeout)
            result = 0; // the slice ended; the bound is checked above
        else if (result != 0)
            break;
    }
    Init_SendBuffer();
    if (result != 0)
        return SetLastErrorCode(result);
    while (!m_bCancel) {
        const int64_t left = deadline - NowMs();
        if (left <= 0)
            return SetLastErrorCode(serio::kErrorTimeout);
        const LONG r = Flush(static_cast<DWORD>(std::min<int64_t>(left, kWriteSliceMs)));
        if (r != serio::kErrorTimeout)
            return 0; // another failure is kept as the last error only
    }
    return SetLastErrorCode(serio::kErrorTimeout);
}

BYTE CPacket::SendPacketAck(BYTE byCommand, DWORD dwLength, const BYTE* pData, int32_t nTimeoutMs, int32_t nTries)
{
    using serio::ExchangeFault;
    bool arrived = false;
    // A port that closes during the exchange (the listener closes it when the
    // device vanishes) can never answer: waiting out every try would only
    // freeze the caller.
    const bool wasOpen = IsOpen();
    bool lost = false;
    bool stalled = false;
    bool foreign = false;
    m_bBadFrame = false;
    const int32_t tries = nTries;
    const int64_t writeLimit = int64_t(std::max(nTimeoutMs, 0)) + LineTimeMs(dwLength + serio::kFrameOverhead);
    for (int32_t attempt = 1; !m_bCancel; ++attempt) {
        m_bPacketReceived.store(false, std::memory_order_release);
        const LONG written = WriteFrame(byCommand, dwLength, pData, writeLimit);
        if (written == serio::kErrorTimeout && !m_bCancel) {
            // What is stuck in the queue would only run into the next try.
            stalled = true;
            Purge();
        } else {
            ReportWaiting(attempt, tries);
            m_lastActivityMs = NowMs();
            bool lateRead = false;
            // A silence time-out: every arriving piece moves the activity time.
            // The answer is looked for before the clock: a thread that wakes
            // late (a loaded machine) must not throw away an answer already in.
            while (!m_bCancel) {
                if (m_bPacketReceived.load(std::memory_order_acquire)) {
                    if (IsOwnAnswer(byCommand)) {
                        arrived = true;
                        break;
                    }
                    // A late answer to an earlier try or exchange, arriving
                    // on a slow line or a loaded machine: not ours, so keep
                    // listening. An own answer that lands while the flag is
                    // cleared is caught by the second look.
                    foreign = true;
                    m_bPacketReceived.store(false, std::memory_order_release);
                    if (IsOwnAnswer(byCommand)) {
                        arrived = true;
                        break;
                    }
                    continue;
                }
                if (wasOpen && !IsOpen()) {
                    lost = true;
                    break;
                }
                // Strictly more: both times are cut to the millisecond, so
                // ">=" could end a try up to a millisecond short.
                if (NowMs() - m_lastActivityMs.load() > nTimeoutMs) {
                    // Bytes that came in time but wait for a listener that
                    // runs late are activity too: the try gets one more
                    // time-out for a running listener to read them.
                    if (lateRead || !IsListening() || QueuedInput(GetCommHandle()) == 0)
                        break;
                    lateRead = true;
                    m_lastActivityMs = NowMs();
                }
                PumpMessage();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        if (wasOpen && !IsOpen())
            lost = true;
        --nTries;
        // A board that only answers for another command would answer the
        // next try the same way.
        if (arrived || lost || foreign || nTries == 0)
            break;
    }
    if (!arrived) {
        if (m_bCancel)
            m_lastFault = ExchangeFault::Cancelled;
        else if (lost)
            m_lastFault = ExchangeFault::Vanished;
        else if (foreign) {
            m_lastFault = ExchangeFault::Foreign;
            return serio::kResultForeign;
        }
        else if (m_bBadFrame)
            m_lastFault = ExchangeFault::Damaged;
        else
            m_lastFault = stalled ? ExchangeFault::Stalled : ExchangeFault::NoAnswer;
        return m_bCancel ? serio::kResultCancelled : serio::kResultNoAnswer;
    }
    m_lastFault = ExchangeFault::None;
    return serio::kResultAck;
}

bool CPacket::IsOwnAnswer(BYTE byCommand) const
{
    const BYTE answer = m_byAnswerCommand.load();
    return answer == byCommand || answer == serio::kResultAck;
}

void CPacket::ReportWaiting(int attempt, int tries)
{
    if (!m_bProgress)
        return;
    std::lock_guard lk(m_progressLock);
    if (m_pProgress)
        m_pProgress->OnWaiting(attempt, tries);
}

BYTE* CPacket::GetBuffer()
{
    std::lock_guard lk(m_rxLock);
    return m_receiver.Buffer();
}

std::vector<BYTE> CPacket::CopyPacket() const
{
    std::lock_guard lk(m_rxLock);
    const BYTE* buf = m_receiver.Buffer();
    const DWORD n = std::min(m_receiver.PacketLength(), m_receiver.BufferSize());
    return buf ? std::vector<BYTE>(buf, buf + n) : std::vector<BYTE>{};
}

BYTE* CPacket::SetBufferSize(DWORD dwSize)
{
    std::lock_guard lk(m_rxLock);
    if (dwSize > serio::kMaxReceiveBuffer)
        return m_receiver.Buffer();
    Init_SendBuffer();
    return m_receiver.SetBufferSize(dwSize);
}

DWORD CPacket::GetPacketLength() const
{
    std::lock_guard lk(m_rxLock);
    return m_receiver.PacketLength();
}

DWORD CPacket::GetBufferSize() const
{
    std::lock_guard lk(m_rxLock);
    return m_receiver.BufferSize();
}

void CPacket::Clear_Buffer()
{
    std::lock_guard lk(m_rxLock);
    m_receiver.ClearBuffer();
}

void CPacket::Destory()
{
    std::lock_guard lk(m_rxLock);
    m_receiver.FreeBuffer();
    Init_SendBuffer();
}

void CPacket::Init_SendBuffer()
{
    m_sendBuffer.clear();
    m_sendBuffer.shrink_to_fit();
    m_dwSendLength = 0;
}

int CPacket::GetReceiveState() const
{
    std::lock_guard lk(m_rxLock);
    return m_receiver.GetState();
}

uint64_t CPacket::GetDroppedOverlong() const
{
    std::lock_guard lk(m_rxLock);
    return m_receiver.DroppedOverlong();
}

void CPacket::PumpMessage()
{
    if (m_pump)
        m_pump();
}

DWORD CPacket::ProcPacket(BYTE*)
{
    return 0;
}

void CPacket::ProcessReceived(const BYTE* pData, size_t nLength)
{
    std::lock_guard lk(m_rxLock);
    m_receiver.Feed(pData, nLength);
}

void CPacket::Receiver::OnPayloadStart()
{
    std::lock_guard lk(m_owner.m_progressLock);
    m_owner.m_progressPhase = ProgressPhase::Receiving;
    m_owner.m_nLastPercent = -1;
}

void CPacket::Receiver::OnPayloadByte(DWORD counter, DWORD length)
{
    m_owner.ReportProgress(ProgressPhase::Receiving, counter, length);
}

void CPacket::Receiver::OnFrame()
{
    // Publish the answer before the flag: the requester reads it only
    // after seeing the flag.
    m_owner.m_byAnswerCommand = Command();
    m_owner.m_bPacketReceived.store(true, std::memory_order_release);
}

void CPacket::Receiver::OnBadFrame()
{
    m_owner.m_bBadFrame = true;
}

void CPacket::OnEvent(EEvent eEvent, EError eError)
{
    if (eEvent == EEventError && eError == EErrorIOE) {
        Close(); // the device has gone
        return;
    }
    // Whatever woke the listener (characters, a line error or break that
    // came with them, a modem line), read what has arrived: bytes left
    // queued are not announced again until more come, so an answer would
    // wait for the next try.
    BYTE piece[kReadPiece];
    for (;;) {
        DWORD got = 0;
        if (Read(piece, sizeof piece, &got) != 0 || got == 0)
            break;
        m_lastActivityMs = NowMs();
        ProcessReceived(piece, got);
    }
}

void CPacket::ReportProgress(ProgressPhase phase, DWORD done, DWORD total)
{
    if (!m_bProgress)
        return;
    std::lock_guard lk(m_progressLock);
    ReportProgressLocked(phase, done, total);
}

void CPacket::ReportProgressLocked(ProgressPhase phase, DWORD done, DWORD total)
{
    // A report of a phase that has ended would move the bar backwards.
    if (!m_bProgress || total == 0 || phase != m_progressPhase)
        return;
    const int percent = static_cast<int>(done * 100.0 / total);
    if (std::exchange(m_nLastPercent, percent) == percent)
        return;
    if (m_pProgress)
        m_pProgress->OnProgressMessage(done);
}

int CPacket::ShowProgress(DWORD dwTotal, int bSending, const std::string& status)
{
    serio::IPacketOwner* owner = m_pOwner;
    if (!owner)
        return 1;
    DestoryProgress(); // one window at a time
    m_bProgress = true;
    std::unique_ptr<serio::ISerialProgress> window =
        owner->CreateProgressWindow(bSending ? "Send data..." : "Read data...", dwTotal);
    if (!window)
        return 1;
    if (!status.empty())
        window->OnStatus(status);
    {
        std::lock_guard lk(m_progressLock);
        m_pProgress = std::move(window);
    }
    m_bRefreshRunning = true;
    m_refreshThread = std::thread(&CPacket::RefreshLoop, this);
    return 1;
}

void CPacket::RefreshLoop()
{
    std::unique_lock wait(m_refreshLock);
    while (m_bRefreshRunning) {
        {
            std::lock_guard lk(m_progressLock);
            if (m_pProgress)
                m_pProgress->RefreshPosition();
        }
        m_refreshWake.wait_for(wait, std::chrono::milliseconds(20), [this] { return !m_bRefreshRunning; });
    }
}

void CPacket::DestoryProgress()
{
    m_bProgress = false;
    if (m_refreshThread.joinable()) {
        {
            std::lock_guard lk(m_refreshLock);
            m_bRefreshRunning = false;
        }
        m_refreshWake.notify_all();
        // The loop only sleeps between refreshes, so it ends promptly.
        m_refreshThread.join();
    }
    std::unique_ptr<serio::ISerialProgress> window;
    {
        std::lock_guard lk(m_progressLock);
        window = std::move(m_pProgress);
    }
    try {
        window.reset();
    } catch (...) {
        // A window that fails while going away changes nothing here.
    }
}
