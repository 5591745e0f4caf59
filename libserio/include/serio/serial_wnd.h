// SPDX-License-Identifier: BSD-2-Clause
// Port classes that route the listener's events to a window: each event is
// posted as message (error flags << 16) | (event bits & 0xFFFF). The window
// is an serio::IWindow; the GUI turns the posts into queued signals.
#pragma once

#include <serio/serial_ex.h>

class CSerialWnd : public CSerialEx {
public:
    static const uint32_t mg_nDefaultComMsg; // "CSerialWnd_DefaultComMsg"

    CSerialWnd() = default;
    ~CSerialWnd() override;
    CSerialWnd(const CSerialWnd& other);
    CSerialWnd& operator=(const CSerialWnd& other);

    using CSerialEx::Open;
    LONG Close() override;
    // Also keeps the four values as the port settings saved with the profile.
    LONG Setup(EBaudrate eBaudrate = EBaud9600, EDataBits eDataBits = EData8, EParity eParity = EParNone,
               EStopBits eStopBits = EStop1) override;
    // Opens the stored device with the stored settings and starts listening.
    virtual LONG Open(serio::IWindow* hwndDest);
    // Opens device with the driver's line defaults; nComMsg 0 means
    // mg_nDefaultComMsg; lParam is passed as the message's second parameter.
    virtual LONG Open(const std::string& device, serio::IWindow* hwndDest, uint32_t nComMsg = 0,
                      int32_t lParam = 0, DWORD dwInQueue = 0, DWORD dwOutQueue = 0);

    serio::IWindow* GetWindow() const { return m_hwndDest.load(); }
    uint32_t GetMessageId() const { return m_nComMsg.load(); }

protected:
    void OnEvent(EEvent eEvent, EError eError) override;

    std::atomic<serio::IWindow*> m_hwndDest{nullptr};
    std::atomic<uint32_t> m_nComMsg{0};
    std::atomic<int32_t> m_lParam{0};
};

// The framework flavour: takes the window object rather than its handle.
class CSerialMFC : public CSerialWnd {
public:
    using CSerialWnd::Open;
    virtual LONG Open(const std::string& device, serio::IWindow& wnd, uint32_t nComMsg = 0, int32_t lParam = 0,
                      DWORD dwInQueue = 0, DWORD dwOutQueue = 0);
};
