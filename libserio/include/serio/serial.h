// SPDX-License-Identifier: BSD-2-Clause
// CSerial: one serial device (a USB adapter, a built-in port or a
// pseudo-terminal) opened exclusively, its line settings and its byte I/O.
// Errors are signed 32-bit codes: 0 success, the codes of <serio/types.h>,
// otherwise the platform's errno value; the last one is kept (GetLastError).
#pragma once

#include <serio/types.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

class CSerial {
public:
    enum EBaudrate : int32_t {
        EBaudUnknown = -1,
        EBaud110 = 110, EBaud300 = 300, EBaud600 = 600, EBaud1200 = 1200,
        EBaud2400 = 2400, EBaud4800 = 4800, EBaud9600 = 9600, EBaud14400 = 14400,
        EBaud19200 = 19200, EBaud38400 = 38400, EBaud56000 = 56000, EBaud57600 = 57600,
        EBaud115200 = 115200, EBaud128000 = 128000, EBaud230400 = 230400,
        EBaud256000 = 256000, EBaud460800 = 460800, EBaud921600 = 921600,
    };
    enum EDataBits : int32_t { EDataUnknown = -1, EData5 = 5, EData6 = 6, EData7 = 7, EData8 = 8 };
    enum EParity : int32_t {
        EParUnknown = -1, EParNone = 0, EParOdd = 1, EParEven = 2, EParMark = 3, EParSpace = 4,
    };
    enum EStopBits : int32_t { EStopUnknown = -1, EStop1 = 0, EStop1_5 = 1, EStop2 = 2 };
    enum EHandshake : int32_t {
        EHandshakeUnknown = -1, EHandshakeOff = 0, EHandshakeHardware = 1, EHandshakeSoftware = 2,
    };
    enum EReadTimeout : int32_t { EReadTimeoutNonblocking = 0, EReadTimeoutBlocking = 1 };
    enum EEvent : uint32_t {
        EEventUnknown = 0xFFFFFFFFu,
        EEventNone = 0x0000,
        EEventRecv = 0x0001,
        EEventRcvEv = 0x0002,
        EEventSend = 0x0004,
        EEventCTS = 0x0008,
        EEventDSR = 0x0010,
        EEventRLSD = 0x0020,
        EEventBreak = 0x0040,
        EEventError = 0x0080,
        EEventRing = 0x0100,
        EEventPrinterError = 0x0200,
        EEventRx80Full = 0x0400,
        EEventProviderEvt1 = 0x0800,
        EEventProviderEvt2 = 0x1000,
    };
    enum EError : uint32_t {
        EErrorUnknown = 0,
        EErrorRxOver = 0x0001,
        EErrorOverrun = 0x0002,
        EErrorParity = 0x0004,
        EErrorFrame = 0x0008,
        EErrorBreak = 0x0010,
        EErrorTxFull = 0x0100,
        EErrorIOE = 0x0400,
        EErrorMode = 0x8000,
    };
    enum EPort : int32_t { EPortUnknownError = -1, EPortAvailable = 0, EPortNotAvailable = 1, EPortInUse = 2 };

    CSerial();
    virtual ~CSerial();
    // Copies carry the settings and codes of the original but never its open
    // device: two objects closing one descriptor would close a stranger's.
    CSerial(const CSerial& other);
    CSerial& operator=(const CSerial& other);

    virtual LONG Open(const std::string& device, DWORD dwInQueue = 0, DWORD dwOutQueue = 0,
                      bool fOverlapped = false);
    virtual LONG Close();
    virtual LONG Setup(EBaudrate eBaudrate = EBaud9600, EDataBits eDataBits = EData8,
                       EParity eParity = EParNone, EStopBits eStopBits = EStop1);
    virtual LONG SetEventChar(BYTE bEventChar, bool fAdjustMask = true);
    virtual LONG SetMask(DWORD dwMask = EEventBreak | EEventError | EEventRecv);
    virtual LONG WaitEvent(serio::COverlapped* lpOverlapped = nullptr, DWORD dwTimeout = serio::kInfinite);
    virtual LONG SetupHandshaking(EHandshake eHandshake);
    virtual LONG SetupReadTimeouts(EReadTimeout eReadTimeout);
    virtual EBaudrate GetBaudrate();
    virtual EDataBits GetDataBits();
    virtual EParity GetParity();
    virtual EStopBits GetStopBits();
    virtual EHandshake GetHandshaking();
    virtual DWORD GetEventMask();
    virtual BYTE GetEventChar();
    // Writes the bytes of a zero-terminated string.
    virtual LONG Write(const char* pString, DWORD* pdwWritten = nullptr,
                       serio::COverlapped* lpOverlapped = nullptr, DWORD dwTimeout = serio::kInfinite);
    virtual LONG Write(const void* pData, size_t iLen, DWORD* pdwWritten = nullptr,
                       serio::COverlapped* lpOverlapped = nullptr, DWORD dwTimeout = serio::kInfinite);
    virtual LONG Read(void* pData, size_t iLen, DWORD* pdwRead = nullptr,
                      serio::COverlapped* lpOverlapped = nullptr, DWORD dwTimeout = serio::kInfinite);

    static EPort CheckPort(const std::string& device);
    // Waits until the output queue has gone out; kErrorTimeout when it has
    // not after dwTimeout ms (a device that stopped taking bytes).
    LONG Flush(DWORD dwTimeout = serio::kInfinite);
    LONG Purge();
    LONG Break();
    EEvent GetEventType();
    EError GetError();
    bool GetCTS();
    bool GetDSR();
    bool GetRing();
    bool GetRLSD();
    int GetCommHandle() const { return m_hFile.load(); }
    bool IsOpen() const { return m_hFile.load() >= 0; }
    LONG GetLastError() const { return m_lLastError.load(); }

    // Completes an operation started with a record: waits up to dwTimeout for
    // it (a pending wait for line events is carried out here) and returns its
    // result; 1460 when the time ran out.
    LONG WaitOverlapped(serio::COverlapped& ov, DWORD dwTimeout);

protected:
    LONG CancelCommIo();
    LONG CheckRequirements(serio::COverlapped* lpOverlapped, DWORD dwTimeout) const;
    LONG SetLastErrorCode(LONG code) { m_lLastError = code; return code; }
    // Reads and clears the line error flags; 0 or the error code.
    LONG TakeLineErrors(DWORD& errors);
    // Checked by a wait before and while it waits: true ends it at once with
    // no events (the listener being stopped).
    virtual bool AbandonWait() const { return false; }

private:
    enum class Ready { kData, kWake, kClosing, kTimeout, kFailed };
    // Waits until the device is readable (or writable), the wait is woken,
    // the port is closing, or the time runs out; errno in *err on failure.
    Ready WaitDevice(short events, DWORD timeoutMs, bool wakeable, int* err);
    LONG DoWaitEvent(DWORD timeoutMs, DWORD* events);
    LONG DoRead(void* pData, size_t iLen, DWORD* count, DWORD timeoutMs, bool blocking);
    LONG DoWrite(const void* pData, size_t iLen, DWORD* count, DWORD timeoutMs);
    LONG WaitTransfer(short events, bool limited, std::chrono::steady_clock::time_point deadline);
    LONG Complete(serio::COverlapped* ov, LONG result, DWORD count);
    DWORD CollectLineEvents(int fd);
    void UpdateCounters(int fd);
    bool NeedsPolling(int fd);
    bool ReadModemBits(int fd, int* bits);
    void CopyFrom(const CSerial& other);

    std::atomic<LONG> m_lLastError{0};
    std::atomic<int> m_hFile{-1};
    std::atomic<DWORD> m_eEvent{0};
    std::atomic<DWORD> m_dwEventMask{0};
    std::unique_ptr<serio::CEvent> m_hevtOverlapped; // present when opened for asynchronous use

    // Emulation state of the line events.
    std::shared_mutex m_fdLock;      // shared by I/O, exclusive while closing
    std::atomic<bool> m_closing{false};
    std::atomic<int> m_waiters{0};   // waits pending (SetMask completes them)
    int m_wakePipe[2] = {-1, -1};    // SetMask completes a pending wait through it
    int m_closePipe[2] = {-1, -1};   // readable once Close has begun
    std::atomic<int> m_rxReported{0}; // input bytes already announced
    std::atomic<bool> m_txPending{false};
    std::atomic<bool> m_rx80Reported{false};
    int m_lastModem = -1;
    bool m_haveCounters = false;
    bool m_haveModem = false;
    std::atomic<DWORD> m_pendingEvents{0};
    std::mutex m_closeLock;
    std::mutex m_lineLock;           // modem and counter snapshots
    uint32_t m_lastCounters[6] = {};
    std::atomic<DWORD> m_pendingErrors{0};
    std::atomic<int> m_readMode{EReadTimeoutNonblocking};
    BYTE m_bEventChar = 0;
    bool m_oneAndHalfStop = false;
    DWORD m_dwQueueSize = 0;
};
