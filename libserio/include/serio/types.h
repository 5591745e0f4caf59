// SPDX-License-Identifier: BSD-2-Clause
// Small platform pieces the port classes are written in: error codes,
// manual-reset events, asynchronous-operation records and message targets.
#pragma once

#include <common/platform.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>

namespace serio {

// Error codes the port layer produces itself; every other failure is the
// platform's errno value.
inline constexpr LONG kErrorSuccess = 0;
inline constexpr LONG kErrorInvalidFunction = 1;     // async record / finite timeout on a synchronous port
inline constexpr LONG kErrorInvalidHandle = 6;       // port not open
inline constexpr LONG kErrorAlreadyInitialized = 1247;
inline constexpr LONG kErrorTimeout = 1460;
inline constexpr LONG kErrorInvalidArg = static_cast<LONG>(0x80070057u);

inline constexpr DWORD kInfinite = 0xFFFFFFFFu;

// A manual-reset event: stays set until Reset.
class CEvent {
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // Waits up to timeoutMs (kInfinite: no limit); true when set.
    bool Wait(DWORD timeoutMs) const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_cv;
    bool m_set = false;
};

// Record of an asynchronous wait, read or write. Operations that start with
// a record return at once; CSerial::WaitOverlapped completes a pending one.
struct COverlapped {
    CEvent* hEvent = nullptr;  // signalled on completion
    DWORD dwBytes = 0;         // bytes transferred (reads and writes)
    DWORD dwEvent = 0;         // event bits (waits)
    LONG lResult = 0;          // 0 or the error code of the completed operation
    bool bPending = false;     // started and not yet completed
};

// The destination of the messages the window-routing port classes post.
// The GUI implements it with a queued signal; it runs on the listener thread
// and must not block on the GUI thread.
class IWindow {
public:
    virtual ~IWindow() = default;
    virtual void PostMessage(uint32_t msg, uint64_t wParam, int64_t lParam) = 0;
};

// An IWindow that forwards every message to a function.
class CCallbackWindow final : public IWindow {
public:
    using Callback = std::function<void(uint32_t, uint64_t, int64_t)>;
    explicit CCallbackWindow(Callback cb) : m_cb(std::move(cb)) {}
    void PostMessage(uint32_t msg, uint64_t wParam, int64_t lParam) override
    {
        if (m_cb)
            m_cb(msg, wParam, lParam);
    }

private:
    Callback m_cb;
};

// Returns the process-wide message id registered under name: the same name
// always gives the same id, in the range 0xC000..0xFFFF.
uint32_t RegisterWindowMessage(std::string_view name);

} // namespace serio
