// SPDX-License-Identifier: BSD-2-Clause
#include <serio/serial_wnd.h>

const uint32_t CSerialWnd::mg_nDefaultComMsg = serio::RegisterWindowMessage("CSerialWnd_DefaultComMsg");

CSerialWnd::~CSerialWnd()
{
    EndListener(); // OnEvent reads this class's members
}

CSerialWnd::CSerialWnd(const CSerialWnd& other) : CSerialEx(other)
{
    m_hwndDest = other.m_hwndDest.load();
    m_nComMsg = other.m_nComMsg.load();
    m_lParam = other.m_lParam.load();
}

CSerialWnd& CSerialWnd::operator=(const CSerialWnd& other)
{
    if (this != &other) {
        CSerialEx::operator=(other);
        m_hwndDest = other.m_hwndDest.load();
        m_nComMsg = other.m_nComMsg.load();
        m_lParam = other.m_lParam.load();
    }
    return *this;
}

LONG CSerialWnd::Close()
{
    m_hwndDest = nullptr;
    m_nComMsg = 0;
    return CSerialEx::Close();
}

LONG CSerialWnd::Setup(EBaudrate eBaudrate, EDataBits eDataBits, EParity eParity, EStopBits eStopBits)
{
    m_eBaudrate = eBaudrate;
    m_eDataBits = eDataBits;
    m_eParity = eParity;
    m_eStopBits = eStopBits;
    return CSerialEx::Setup(eBaudrate, eDataBits, eParity, eStopBits);
}

LONG CSerialWnd::Open(serio::IWindow* hwndDest)
{
    if (LONG r = OpenWithSettings())
        return r;
    // This form stores no message id of its own; the default one keeps the
    // events from going out as message 0.
    if (m_nComMsg == 0)
        m_nComMsg = mg_nDefaultComMsg;
    m_hwndDest = hwndDest;
    if (LONG r = StartListener()) {
        Close();
        return SetLastErrorCode(r);
    }
    return 0;
}

LONG CSerialWnd::Open(const std::string& device, serio::IWindow* hwndDest, uint32_t nComMsg, int32_t lParam,
                      DWORD dwInQueue, DWORD dwOutQueue)
{
    if (LONG r = CSerialEx::Open(device, dwInQueue, dwOutQueue, false))
        return r;
    m_hwndDest = hwndDest;
    m_nComMsg = nComMsg ? nComMsg : mg_nDefaultComMsg;
    m_lParam = lParam;
    if (LONG r = StartListener()) {
        Close();
        return SetLastErrorCode(r);
    }
    return 0;
}

void CSerialWnd::OnEvent(EEvent eEvent, EError eError)
{
    if (serio::IWindow* w = m_hwndDest.load())
        w->PostMessage(m_nComMsg, (static_cast<uint64_t>(eError) << 16) | (eEvent & 0xFFFFu), m_lParam);
}

LONG CSerialMFC::Open(const std::string& device, serio::IWindow& wnd, uint32_t nComMsg, int32_t lParam,
                      DWORD dwInQueue, DWORD dwOutQueue)
{
    return CSerialWnd::Open(device, &wnd, nComMsg, lParam, dwInQueue, dwOutQueue);
}
