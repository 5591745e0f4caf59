// SPDX-License-Identifier: BSD-2-Clause
// The port layer over pseudo-terminals.
#include "link_fixture.h"

#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <mutex>

using serio_test::Clock;
using serio_test::MsSince;
using serio_test::PtyPair;
using serio_test::ScopedProfile;
using serio_test::WaitFor;

namespace {

// Records the events its listener hands over, with the thread they came on.
class RecordingPort : public CSerialEx {
public:
    ~RecordingPort() override { EndListener(); }
    struct Event {
        DWORD event;
        DWORD error;
        std::thread::id thread;
    };
    std::vector<Event> Events()
    {
        std::lock_guard lk(m_lock);
        return m_events;
    }

protected:
    void OnEvent(EEvent e, EError err) override
    {
        std::lock_guard lk(m_lock);
        m_events.push_back({e, err, std::this_thread::get_id()});
    }

private:
    std::mutex m_lock;
    std::vector<Event> m_events;
};

// Counts its events; the first one waits until the test opens the gate.
class GatedPort : public CSerialEx {
public:
    ~GatedPort() override
    {
        Release(); // never leave a handler waiting
        EndListener();
    }
    void Release()
    {
        std::lock_guard lk(m_lock);
        m_open = true;
        m_wake.notify_all();
    }
    std::atomic<int> calls{0};

protected:
    void OnEvent(EEvent, EError) override
    {
        ++calls;
        std::unique_lock lk(m_lock);
        m_wake.wait(lk, [this] { return m_open; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_open = false;
};

struct Message {
    uint32_t msg;
    uint64_t wParam;
    int64_t lParam;
};

class MessageLog {
public:
    serio::CCallbackWindow window{[this](uint32_t m, uint64_t w, int64_t l) {
        std::lock_guard lk(lock);
        messages.push_back({m, w, l});
    }};
    std::vector<Message> Get()
    {
        std::lock_guard lk(lock);
        return messages;
    }

private:
    std::mutex lock;
    std::vector<Message> messages;
};

} // namespace

TEST(SerialPort, OpenIsExclusiveAndOpenTwiceFails)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(0, port.Open(pty.path));
    EXPECT_EQ(serio::kErrorAlreadyInitialized, port.Open(pty.path));
    EXPECT_EQ(serio::kErrorAlreadyInitialized, port.GetLastError());
    EXPECT_TRUE(port.IsOpen());
    DWORD n = 0;
    EXPECT_EQ(0, port.Write("ok", &n)); // still the same working port
    EXPECT_EQ(2u, n);

    CSerial other;
    EXPECT_EQ(EBUSY, other.Open(pty.path));
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(CSerial::EPortInUse, CSerial::CheckPort(pty.path));
    EXPECT_EQ(0, port.Close());
    EXPECT_EQ(CSerial::EPortAvailable, CSerial::CheckPort(pty.path));
    EXPECT_EQ(CSerial::EPortNotAvailable, CSerial::CheckPort("/dev/no-such-serial-device"));
    EXPECT_EQ(ENOENT, other.Open("/dev/no-such-serial-device"));
    EXPECT_EQ(ENOTTY, other.Open("/dev/null"));
}

TEST(SerialPort, ClosedPortFailsWithInvalidHandle)
{
    CSerial port;
    EXPECT_EQ(0, port.Close());
    BYTE b = 0;
    EXPECT_EQ(serio::kErrorInvalidHandle, port.Read(&b, 1));
    EXPECT_EQ(serio::kErrorInvalidHandle, port.Write(&b, 1));
    EXPECT_EQ(serio::kErrorInvalidHandle, port.WaitEvent());
    EXPECT_EQ(serio::kErrorInvalidHandle, port.SetupHandshaking(CSerial::EHandshakeOff));
    EXPECT_EQ(serio::kErrorInvalidHandle, port.Purge());
    EXPECT_EQ(CSerial::EBaudUnknown, port.GetBaudrate());
    EXPECT_EQ(serio::kErrorInvalidHandle, port.GetLastError());
    EXPECT_EQ(0u, port.GetEventMask());
}

TEST(SerialPort, LineSettingsAndEnumerationsOutOfRange)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(0, port.Open(pty.path, 0, 0, true));
    // A pseudo-terminal keeps speed and stop bits but always says 8 data
    // bits without parity, so those two are only read back here.
    ASSERT_EQ(0, port.Setup(CSerial::EBaud57600, CSerial::EData7, CSerial::EParEven, CSerial::EStop2));
    EXPECT_EQ(CSerial::EBaud57600, port.GetBaudrate());
    EXPECT_EQ(CSerial::EStop2, port.GetStopBits());
    EXPECT_EQ(CSerial::EData8, port.GetDataBits());
    ASSERT_EQ(0, port.Setup(CSerial::EBaud115200, CSerial::EData8, CSerial::EParNone, CSerial::EStop1));
    EXPECT_EQ(CSerial::EParNone, port.GetParity());
    // Rates outside the classic table are set as they are.
    ASSERT_EQ(0, port.Setup(CSerial::EBaud14400));
    EXPECT_EQ(CSerial::EBaud14400, port.GetBaudrate());
    ASSERT_EQ(0, port.Setup(CSerial::EBaud115200));
    EXPECT_EQ(CSerial::EBaud115200, port.GetBaudrate());
    EXPECT_EQ(EINVAL, port.Setup(CSerial::EBaudUnknown));

    ASSERT_EQ(0, port.SetupHandshaking(CSerial::EHandshakeSoftware));
    EXPECT_EQ(CSerial::EHandshakeSoftware, port.GetHandshaking());
    EXPECT_EQ(serio::kErrorInvalidArg, port.SetupHandshaking(static_cast<CSerial::EHandshake>(3)));
    EXPECT_EQ(CSerial::EHandshakeSoftware, port.GetHandshaking()); // unchanged
    ASSERT_EQ(0, port.SetupHandshaking(CSerial::EHandshakeHardware));
    EXPECT_EQ(CSerial::EHandshakeHardware, port.GetHandshaking());
    ASSERT_EQ(0, port.SetupHandshaking(CSerial::EHandshakeOff));
    EXPECT_EQ(CSerial::EHandshakeOff, port.GetHandshaking());

    EXPECT_EQ(serio::kErrorInvalidArg, port.SetupReadTimeouts(static_cast<CSerial::EReadTimeout>(2)));
    EXPECT_EQ(0, port.SetEventChar('\n', true));
    EXPECT_EQ(CSerial::EEventBreak | CSerial::EEventError | CSerial::EEventRecv | CSerial::EEventRcvEv,
              port.GetEventMask());
    EXPECT_EQ('\n', port.GetEventChar());
}

TEST(SerialPort, ReadWriteAndTimeouts)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(0, port.Open(pty.path, 512, 512, true));
    ASSERT_EQ(0, port.Write("hello"));
    EXPECT_EQ((std::vector<BYTE>{'h', 'e', 'l', 'l', 'o'}), pty.Receive(5));

    // Non-blocking reads return at once with what is queued.
    BYTE buf[16] = {};
    DWORD n = 99;
    EXPECT_EQ(0, port.Read(buf, sizeof buf, &n));
    EXPECT_EQ(0u, n);
    pty.Send({1, 2, 3});
    ASSERT_TRUE(WaitFor([&] { port.Read(buf, sizeof buf, &n); return n == 3; }));

    // Blocking reads wait for the full count; the time-out keeps what came.
    ASSERT_EQ(0, port.SetupReadTimeouts(CSerial::EReadTimeoutBlocking));
    pty.Send({7, 8});
    const auto start = Clock::now();
    EXPECT_EQ(serio::kErrorTimeout, port.Read(buf, 4, &n, nullptr, 150));
    EXPECT_GE(MsSince(start), 140);
    EXPECT_EQ(2u, n);
    EXPECT_EQ(7, buf[0]);

    // A caller's record completes at once with what is queued.
    serio::CEvent done;
    serio::COverlapped ov;
    ov.hEvent = &done;
    pty.Send({9});
    ASSERT_TRUE(WaitFor([&] {
        port.Read(buf, 4, &n, &ov);
        return ov.dwBytes == 1;
    }));
    EXPECT_TRUE(done.IsSet());
    EXPECT_EQ(9, buf[0]);
    EXPECT_EQ(0, port.Purge());

    // A synchronous port refuses records and finite time-outs.
    CSerial sync;
    PtyPair other;
    ASSERT_EQ(0, sync.Open(other.path));
    EXPECT_EQ(serio::kErrorInvalidFunction, sync.Read(buf, 1, &n, nullptr, 10));
    EXPECT_EQ(serio::kErrorInvalidFunction, sync.WaitEvent(&ov));
    EXPECT_EQ(0, sync.Read(buf, 1, &n));
}

TEST(SerialPort, WaitEventReportsInputAndSetMaskCompletesAPendingWait)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(0, port.Open(pty.path, 0, 0, true));
    EXPECT_EQ(serio::kErrorTimeout, port.WaitEvent(nullptr, 50));

    std::atomic<LONG> result{-1};
    std::thread waiter([&] { result = port.WaitEvent(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(-1, result.load());
    port.SetMask(port.GetEventMask());
    waiter.join();
    EXPECT_EQ(0, result.load());
    EXPECT_EQ(CSerial::EEventNone, port.GetEventType());

    pty.Send({0x42});
    ASSERT_EQ(0, port.WaitEvent(nullptr, 2000));
    EXPECT_EQ(CSerial::EEventRecv, port.GetEventType());
    EXPECT_EQ(CSerial::EEventNone, port.GetEventType()); // the word is cleared
    // Input already announced and not read is not announced again.
    EXPECT_EQ(serio::kErrorTimeout, port.WaitEvent(nullptr, 60));
    EXPECT_EQ(CSerial::EErrorUnknown, port.GetError());
}

TEST(SerialWindow, EventsArePostedAsMessages)
{
    PtyPair pty;
    MessageLog log;
    CSerialMFC port;
    ASSERT_EQ(0, port.Open(pty.path, log.window, 0, 77));
    EXPECT_TRUE(port.IsListening());
    EXPECT_EQ(CSerialWnd::mg_nDefaultComMsg, port.GetMessageId());
    pty.Send({1, 2, 3});
    ASSERT_TRUE(WaitFor([&] { return !log.Get().empty(); }));
    const Message m = log.Get().front();
    EXPECT_EQ(CSerialWnd::mg_nDefaultComMsg, m.msg);
    EXPECT_EQ(static_cast<uint64_t>(CSerial::EEventRecv), m.wParam);
    EXPECT_EQ(77, m.lParam);
    EXPECT_EQ(0, port.Close());
    EXPECT_EQ(nullptr, port.GetWindow());
    EXPECT_FALSE(port.IsListening());

    // The window-only form opens the configured device with its settings.
    ScopedProfile profile;
    profile.profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, pty.path);
    profile.profile.WriteProfileInt(serio::kSerialSetupSection, "Baudrate", 19200);
    CSerialWnd configured;
    ASSERT_EQ(0, configured.Open(&log.window));
    EXPECT_EQ(CSerial::EBaud19200, configured.GetBaudrate());
    EXPECT_EQ(CSerialWnd::mg_nDefaultComMsg, configured.GetMessageId());
    ASSERT_EQ(0, configured.Setup(CSerial::EBaud38400));
    EXPECT_EQ(CSerial::EBaud38400, configured.GetSettings().eBaudrate); // kept for the profile
    configured.Close();

    EXPECT_NE(CSerialWnd::mg_nDefaultComMsg, CSerialAVR::mg_nDefaultComMsg);
    EXPECT_EQ(CSerialWnd::mg_nDefaultComMsg, serio::RegisterWindowMessage("CSerialWnd_DefaultComMsg"));
}

TEST(SerialListener, VanishedDeviceIsReportedOnceAndOnTheListenerThread)
{
    ScopedProfile profile;
    PtyPair pty;
    RecordingPort port;
    ASSERT_EQ(0, port.Open(pty.path, 0, 0, true));
    ASSERT_TRUE(port.IsListening());
    pty.CloseMaster(); // the adapter is pulled out
    ASSERT_TRUE(WaitFor([&] { return !port.IsListening(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // room for a second report
    const auto events = port.Events();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(static_cast<DWORD>(CSerial::EEventError), events[0].event);
    EXPECT_EQ(static_cast<DWORD>(CSerial::EErrorIOE), events[0].error);
    EXPECT_NE(std::this_thread::get_id(), events[0].thread);
    EXPECT_TRUE(port.IsOpen()); // only CPacket closes itself
    EXPECT_EQ(0, port.Close());
}

TEST(SerialListener, StopWithoutWaitingLeavesABusyListenerToEndByItself)
{
    ScopedProfile profile;
    PtyPair pty;
    GatedPort port;
    ASSERT_EQ(0, port.Open(pty.path, 0, 0, true));
    pty.Send({1});
    ASSERT_TRUE(WaitFor([&] { return port.calls == 1; })); // the handler is busy
    std::atomic<bool> returned{false};
    std::thread stopper([&] {
        port.StopListener(0);
        returned = true;
    });
    // The handler cannot end before the gate opens: a Stop that waited for
    // it would never return here, however long the deadline.
    const bool prompt = WaitFor([&] { return returned.load(); });
    const bool stillBusy = port.calls == 1;
    EXPECT_FALSE(port.IsListening());
    // More input while the handler is still busy: the listener it stopped
    // waiting for must end after the handler instead of taking it.
    pty.Send({2});
    port.Release();
    stopper.join();
    EXPECT_TRUE(prompt) << "a time-out of 0 waited for the handler";
    EXPECT_TRUE(stillBusy);
    // A listener that went on would find the input at once; a slow machine
    // can only hide that, never fake it.
    EXPECT_FALSE(WaitFor([&] { return port.calls > 1; }, 200)) << "the stopped listener took more input";
    EXPECT_EQ(0, port.Close()); // waits for that listener
    EXPECT_EQ(1, port.calls.load());
    // A new listener starts after it. The unread byte may be announced on
    // its own before the new one comes, so the count may pass 2 at once.
    ASSERT_EQ(0, port.Open(pty.path, 0, 0, true));
    pty.Send({3});
    EXPECT_TRUE(WaitFor([&] { return port.calls >= 2; }));
}

TEST(SerialAvr, ByteInterface)
{
    ScopedProfile profile;
    PtyPair pty;
    profile.profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, pty.path);
    CSerialAVR avr;
    EXPECT_EQ(-1, avr.getByte(1)); // closed: at once
    ASSERT_EQ(0, avr.Open(static_cast<serio::IWindow*>(nullptr)));
    EXPECT_EQ(0, avr.RunListener());
    EXPECT_EQ(CSerial::EBaud115200, avr.GetBaudrate());
    avr.sendByte(0x1A5);
    EXPECT_EQ((std::vector<BYTE>{0xA5}), pty.Receive(1));
    pty.Send({0x7F});
    EXPECT_EQ(0x7F, avr.getByte(2));
    const auto start = Clock::now();
    EXPECT_EQ(-1, avr.getByte(1));
    const long waited = MsSince(start);
    EXPECT_GE(waited, 990);
    EXPECT_LT(waited, 1900) << "a time-out of one second";
    avr.flushTX();
    avr.Close();
    avr.flushTX();
    EXPECT_EQ(serio::kErrorInvalidHandle, avr.GetLastError());
}

TEST(SerialSettings, ProfileValuesAndDeviceChoice)
{
    ScopedProfile profile;
    {
        RecordingPort port; // defaults are written back on destruction
        EXPECT_EQ(1, port.GetSettings().nPort);
        EXPECT_EQ("/dev/ttyUSB0", serio::ResolveSerialDevice(1, ""));
    }
    auto& p = profile.profile;
    EXPECT_EQ(115200, p.GetProfileInt("Serial Setup", "Baudrate", 0));
    EXPECT_EQ(512, p.GetProfileInt("Serial Setup", "Queue Size", 0));
    EXPECT_TRUE(p.Contains("Serial Setup", "HandShake"));

    p.WriteProfileInt("Serial Setup", "Baudrate", 9600);
    p.WriteProfileInt("Serial Setup", "Port", 3);
    p.WriteProfileString("Serial Setup", "Device", "/dev/ttyACM1");
    RecordingPort port;
    EXPECT_EQ(CSerial::EBaud9600, port.GetSettings().eBaudrate);
    EXPECT_EQ("/dev/ttyACM1", port.GetDeviceName());
    ::setenv(serio::kSerialDeviceEnv, "/dev/pts/override", 1);
    EXPECT_EQ("/dev/pts/override", port.GetDeviceName());
    ::unsetenv(serio::kSerialDeviceEnv);
    EXPECT_EQ("/dev/ttyUSB2", serio::ResolveSerialDevice(3, ""));

    // The set-up dialog is plugged in; Cancel changes nothing.
    struct Ui : serio::ISerialSetupUi {
        bool ok = false;
        bool EditSerialSettings(serio::SerialSettings& s, bool portOnly) override
        {
            s.nPort = 7;
            s.eBaudrate = CSerial::EBaud38400;
            return ok;
        }
    } ui;
    EXPECT_EQ(0, port.SerialSetup(0)); // no dialog yet
    serio::SetSerialSetupUi(&ui);
    EXPECT_EQ(0, port.SerialSetup(0));
    EXPECT_EQ(3, port.GetSettings().nPort);
    ui.ok = true;
    EXPECT_EQ(1, port.SerialSetup(1)); // port only
    EXPECT_EQ(7, port.GetSettings().nPort);
    EXPECT_EQ(CSerial::EBaud9600, port.GetSettings().eBaudrate);
    EXPECT_EQ(1, port.SerialSetup(0));
    EXPECT_EQ(CSerial::EBaud38400, port.GetSettings().eBaudrate);
    serio::SetSerialSetupUi(nullptr);
}

TEST(SerialPort, AdapterProductComesFromTheUsbDeviceAboveTheTty)
{
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/serio-sys-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(tmpl));
    const fs::path root = tmpl;
    const fs::path usb = root / "devices" / "usb1" / "1-1";
    const fs::path port = usb / "1-1:1.0" / "ttyUSB7";
    fs::create_directories(port);
    fs::create_directories(root / "class" / "tty" / "ttyUSB7");
    fs::create_directories(root / "class" / "tty" / "ttyS0" / "device");
    fs::create_symlink(port, root / "class" / "tty" / "ttyUSB7" / "device");
    std::ofstream(usb / "product") << "FT232R USB UART\n";
    const std::string sys = (root / "class" / "tty").string();
    EXPECT_EQ("FT232R USB UART", serio::SerialDeviceProduct("/dev/ttyUSB7", sys));
    EXPECT_EQ("", serio::SerialDeviceProduct("/dev/ttyS0", sys));   // a built-in port
    EXPECT_EQ("", serio::SerialDeviceProduct("/dev/pts/9", sys));   // nothing in sysfs
    fs::remove_all(root);
}
