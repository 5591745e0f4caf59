// SPDX-License-Identifier: BSD-2-Clause
#include <serio/frame.h>

#include <cstring>

namespace serio {

BYTE FrameChecksum(BYTE command, const BYTE* payload, DWORD length)
{
    unsigned sum = command;
    for (int i = 0; i < 4; ++i)
        sum += (length >> (8 * i)) & 0xFF;
    for (DWORD i = 0; i < length; ++i)
        sum += payload[i];
    return static_cast<BYTE>(sum);
}

std::vector<BYTE> BuildFrame(BYTE command, const BYTE* payload, DWORD length)
{
    std::vector<BYTE> frame(static_cast<size_t>(length) + kFrameOverhead);
    frame[0] = kFrameStart;
    frame[1] = command;
    for (int i = 0; i < 4; ++i)
        frame[2 + i] = static_cast<BYTE>(length >> (8 * i));
    if (length)
        std::memcpy(frame.data() + 6, payload, length);
    frame[6 + length] = FrameChecksum(command, payload, length);
    return frame;
}

CFrameReceiver::CFrameReceiver(DWORD bufferSize)
{
    SetBufferSize(bufferSize);
}

BYTE* CFrameReceiver::SetBufferSize(DWORD size)
{
    if (size > kMaxReceiveBuffer)
        return m_buffer.get();
    m_buffer.reset(size ? new BYTE[size]() : nullptr);
    m_bufferSize = size;
    if (m_length > size)
        m_length = 0; // never claim more payload than the buffer holds
    Reset();
    return m_buffer.get();
}

void CFrameReceiver::ClearBuffer()
{
    if (m_buffer)
        std::memset(m_buffer.get(), 0, m_bufferSize);
}

void CFrameReceiver::FreeBuffer()
{
    m_buffer.reset();
    m_bufferSize = 0;
    m_length = 0;
    Reset();
}

size_t CFrameReceiver::Feed(const BYTE* data, size_t length)
{
    m_completed = 0;
    for (size_t i = 0; i < length; ++i)
        Feed(data[i]);
    return m_completed;
}

void CFrameReceiver::Feed(BYTE b)
{
    switch (m_state) {
    case kWaitStart:
        if (b == kFrameStart)
            m_state = kCommand;
        break;
    case kCommand:
        m_command = b;
        m_incoming = 0;
        m_checksum = b;
        m_counter = 0;
        m_state = kLength;
        break;
    case kLength:
        m_checksum = static_cast<BYTE>(m_checksum + b);
        m_incoming |= static_cast<DWORD>(b) << (8 * m_counter);
        if (++m_counter < 4)
            break;
        m_counter = 0;
        if (m_incoming == 0) {
            m_length = 0;
            m_state = kChecksum;
            break;
        }
        if (m_incoming > kMaxReceiveBuffer) {
            // Cannot be held: drop it and look for the next start mark.
            ++m_droppedOverlong;
            Reset();
            break;
        }
        if (m_incoming > m_bufferSize) {
            m_buffer.reset(new BYTE[m_incoming]());
            m_bufferSize = m_incoming;
        } else {
            ClearBuffer();
        }
        m_length = m_incoming;
        OnPayloadStart();
        m_state = kPayload;
        break;
    case kPayload:
        m_buffer[m_counter++] = b;
        m_checksum = static_cast<BYTE>(m_checksum + b);
        OnPayloadByte(m_counter, m_length);
        if (m_counter >= m_length) {
            m_counter = 0;
            m_state = kChecksum;
        }
        break;
    case kChecksum: {
        const bool good = b == m_checksum;
        m_checksum = 0;
        m_state = kWaitStart;
        if (good) {
            ++m_completed;
            OnFrame();
        } else {
            OnBadFrame();
        }
        break;
    }
    default:
        Reset();
        break;
    }
}

} // namespace serio
