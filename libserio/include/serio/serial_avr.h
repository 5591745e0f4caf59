// SPDX-License-Identifier: BSD-2-Clause
// CSerialAVR: a byte-at-a-time interface (sendByte/getByte) with events
// posted as CSerialAVR_DefaultComMsg to a window when a listener runs.
#pragma once

#include <serio/serial_ex.h>

class CSerialAVR : public CSerialEx {
public:
    static const uint32_t mg_nDefaultComMsg; // "CSerialAVR_DefaultComMsg"

    CSerialAVR() = default;
    ~CSerialAVR() override;
    CSerialAVR(const CSerialAVR& other);
    CSerialAVR& operator=(const CSerialAVR& other);

    using CSerialEx::Open;
    // Opens the stored device with the stored settings; no listener.
    LONG Open(serio::IWindow* hwnd);
    int RunListener() const { return IsListening() ? 1 : 0; }
    // Writes the low byte when the port is open.
    void sendByte(int32_t value);
    // The next byte (0..255), or -1 when the port is closed, a read fails or
    // nTimeoutSeconds have passed.
    int32_t getByte(int32_t nTimeoutSeconds);
    // Discards both queues (port closed: last error 6).
    void flushTX();

protected:
    void OnEvent(EEvent eEvent, EError eError) override;

    std::atomic<serio::IWindow*> m_hwndDest{nullptr};
};
