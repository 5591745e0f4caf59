// SPDX-License-Identifier: BSD-2-Clause
#include <serio/serial_avr.h>

#include <chrono>
#include <thread>

const uint32_t CSerialAVR::mg_nDefaultComMsg = serio::RegisterWindowMessage("CSerialAVR_DefaultComMsg");

CSerialAVR::~CSerialAVR()
{
    EndListener();
}

CSerialAVR::CSerialAVR(const CSerialAVR& other) : CSerialEx(other)
{
    m_hwndDest = other.m_hwndDest.load();
}

CSerialAVR& CSerialAVR::operator=(const CSerialAVR& other)
{
    if (this != &other) {
        CSerialEx::operator=(other);
        m_hwndDest = other.m_hwndDest.load();
    }
    return *this;
}

LONG CSerialAVR::Open(serio::IWindow* hwnd)
{
    if (LONG r = OpenWithSettings())
        return r;
    m_hwndDest = hwnd;
    return 0;
}

void CSerialAVR::OnEvent(EEvent eEvent, EError eError)
{
    if (serio::IWindow* w = m_hwndDest.load())
        w->PostMessage(mg_nDefaultComMsg, (static_cast<uint64_t>(eError) << 16) | (eEvent & 0xFFFFu), 0);
}

void CSerialAVR::sendByte(int32_t value)
{
    if (!IsOpen())
        return;
    const BYTE b = static_cast<BYTE>(value & 0xFF);
    Write(&b, 1);
}

int32_t CSerialAVR::getByte(int32_t nTimeoutSeconds)
{
    if (!IsOpen())
        return -1;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(nTimeoutSeconds > 0 ? nTimeoutSeconds : 0);
    for (;;) {
        BYTE b = 0;
        DWORD n = 0;
        if (Read(&b, 1, &n) != 0)
            return -1;
        if (n == 1)
            return b;
        if (Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CSerialAVR::flushTX()
{
    Purge();
}
