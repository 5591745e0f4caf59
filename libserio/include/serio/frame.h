// SPDX-License-Identifier: BSD-2-Clause
// The packet frame shared by both directions of the link:
//   0xAA, command, payload length (32-bit little-endian), payload, checksum
// where the checksum is the byte sum of command, length bytes and payload.
#pragma once

#include <common/platform.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace serio {

inline constexpr BYTE kFrameStart = 0xAA;
inline constexpr size_t kFrameOverhead = 7;
inline constexpr BYTE kResultAck = 0xFC;       // answer received and accepted / acknowledgement frame
inline constexpr BYTE kResultForeign = 0xFD;   // answer with somebody else's command byte
inline constexpr BYTE kResultNoAnswer = 0xFB;  // silence on the last try
inline constexpr BYTE kResultCancelled = 0xFA; // the caller ended the exchange
inline constexpr DWORD kDefaultReceiveBuffer = 0x20000;
inline constexpr DWORD kMaxReceiveBuffer = 0x200000;

BYTE FrameChecksum(BYTE command, const BYTE* payload, DWORD length);
// The whole frame for command and payload (payload may be null when length is 0).
std::vector<BYTE> BuildFrame(BYTE command, const BYTE* payload, DWORD length);

// The receive state machine: bytes in, frames out, in any number of pieces.
// Bytes before a start mark are skipped; a frame whose length exceeds
// kMaxReceiveBuffer cannot be held and is dropped, and the machine looks
// for the next start mark. Not thread-safe by itself.
class CFrameReceiver {
public:
    enum State : int { kWaitStart = 1, kCommand = 2, kLength = 4, kPayload = 8, kChecksum = 16 };

    explicit CFrameReceiver(DWORD bufferSize = kDefaultReceiveBuffer);
    virtual ~CFrameReceiver() = default;

    // Feeds bytes in order; returns how many frames completed with a
    // correct checksum.
    size_t Feed(const BYTE* data, size_t length);

    BYTE Command() const { return m_command; }
    // Payload length of the last frame whose length field was accepted.
    DWORD PacketLength() const { return m_length; }
    BYTE* Buffer() { return m_buffer.get(); }
    const BYTE* Buffer() const { return m_buffer.get(); }
    DWORD BufferSize() const { return m_bufferSize; }
    int GetState() const { return m_state; }
    uint64_t DroppedOverlong() const { return m_droppedOverlong; }

    // Replaces the buffer by a zeroed one (none for 0) and starts over at
    // state 1; sizes above kMaxReceiveBuffer change nothing.
    BYTE* SetBufferSize(DWORD size);
    void ClearBuffer();
    void FreeBuffer();
    void Reset() { m_state = kWaitStart; m_checksum = 0; m_counter = 0; }

protected:
    // A frame's payload is about to arrive (length > 0).
    virtual void OnPayloadStart() {}
    // Payload byte counter of length has arrived.
    virtual void OnPayloadByte(DWORD counter, DWORD length) {}
    // A frame with a correct checksum is complete.
    virtual void OnFrame() {}
    // A frame ended with a wrong checksum (it is dropped).
    virtual void OnBadFrame() {}

private:
    void Feed(BYTE b);

    BYTE m_command = 0;
    DWORD m_length = 0;
    DWORD m_incoming = 0; // length field being assembled
    std::unique_ptr<BYTE[]> m_buffer;
    DWORD m_bufferSize = 0;
    int m_state = kWaitStart;
    BYTE m_checksum = 0;
    DWORD m_counter = 0;
    size_t m_completed = 0;
    uint64_t m_droppedOverlong = 0;
};

} // namespace serio
