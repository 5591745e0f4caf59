// SPDX-License-Identifier: BSD-2-Clause
// CSerialEx: a port with a listener thread that waits for line events and
// hands each to OnEvent, and the port settings kept in the application's
// profile (section "Serial Setup").
#pragma once

#include <serio/serial.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace serio {

inline constexpr char kSerialSetupSection[] = "Serial Setup";
// The chosen device path is kept beside "Port" under this key.
inline constexpr char kSerialDeviceKey[] = "Device";
// Overrides the chosen device (tests and scripts point it at a pseudo-terminal).
inline constexpr char kSerialDeviceEnv[] = "LUMIVO_SERIAL_DEVICE";

// The seven "Serial Setup" values and the chosen device.
struct SerialSettings {
    int nPort = 1;
    DWORD dwQueueSize = 512;
    CSerial::EBaudrate eBaudrate = CSerial::EBaud115200;
    CSerial::EDataBits eDataBits = CSerial::EData8;
    CSerial::EParity eParity = CSerial::EParNone;
    CSerial::EStopBits eStopBits = CSerial::EStop1;
    CSerial::EHandshake eHandshake = CSerial::EHandshakeOff;
    std::string strDevice; // empty: derived from the port number

    bool operator==(const SerialSettings&) const = default;
};

// The set-up dialogs, plugged in by the GUI. Edit returns true when the user
// confirmed; portOnly asks for the port (device) selection only.
class ISerialSetupUi {
public:
    virtual ~ISerialSetupUi() = default;
    virtual bool EditSerialSettings(SerialSettings& settings, bool portOnly) = 0;
};
// The caller keeps the object alive; nullptr removes it.
void SetSerialSetupUi(ISerialSetupUi* ui);

// The device a port opens: $LUMIVO_SERIAL_DEVICE when set, else the chosen
// device, else /dev/ttyUSB<port - 1>.
std::string ResolveSerialDevice(int nPort, const std::string& chosen);

// Serial devices present on this machine, for the user to pick from:
// /dev/serial/by-id/*, /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS* (sorted).
std::vector<std::string> EnumerateSerialDevices();

// Why a device does not open now, for the port lists (error 0: it opens).
struct PortProblem {
    LONG error = 0;     // the open's errno
    std::string access; // refused for permissions: "root:dialout 0660"
    std::string holder; // in use: "minicom (pid 812)", when the holder is found
};
PortProblem ProbePort(const std::string& device);

// The adapter's product as the system knows it ("FT232R USB UART"), read
// from the USB device above /sys/class/tty/<name>/device; empty when there
// is none (built-in ports, pseudo-terminals). sysRoot: tests point it elsewhere.
std::string SerialDeviceProduct(const std::string& device, const std::string& sysRoot = "/sys/class/tty");

} // namespace serio

class CSerialEx : public CSerial {
public:
    // Loads the port settings from the application's profile.
    CSerialEx();
    // Writes the port settings back, stops the listener, closes the port.
    ~CSerialEx() override;
    // Copies the settings; the copy is closed and has no listener.
    CSerialEx(const CSerialEx& other);
    CSerialEx& operator=(const CSerialEx& other);

    // Always asynchronous; starts the listener when fStartListener is set.
    LONG Open(const std::string& device, DWORD dwInQueue = 0, DWORD dwOutQueue = 0,
              bool fStartListener = false) override;
    LONG Close() override;
    virtual LONG StartListener();
    // Waits up to dwTimeout ms for the listener to end. One still busy in
    // its handler then ends after it; Close waits for that. Always 0.
    virtual LONG StopListener(DWORD dwTimeout = serio::kInfinite);
    // Edits the settings through the plugged-in dialogs; returns 1 when they
    // changed (take effect at the next Open), else 0.
    virtual int SerialSetup(int nPortOnly);

    bool IsListening() const { return m_bListening.load(); }
    serio::SerialSettings GetSettings() const;
    void SetSettings(const serio::SerialSettings& settings);
    // The device the stored settings open.
    std::string GetDeviceName() const;
    // Writes the settings to the profile now.
    void SaveSettings() const;

protected:
    virtual void OnEvent(EEvent eEvent, EError eError) = 0;

    // Opens the stored device with the stored queue size and applies the
    // stored line settings and handshake; the listener is not started.
    LONG OpenWithSettings();
    // Stops and reaps the listener, also one that ended on its own. Derived
    // classes whose OnEvent uses their own members call it first in their
    // destructor.
    void EndListener() { StopListener(serio::kInfinite); }
    bool OnListenerThread() const;
    bool AbandonWait() const override { return m_bStopping.load() && OnListenerThread(); }

    int m_nPort = 1;
    DWORD m_dwQueueSize = 512;
    EBaudrate m_eBaudrate = EBaud115200;
    EDataBits m_eDataBits = EData8;
    EParity m_eParity = EParNone;
    EStopBits m_eStopBits = EStop1;
    EHandshake m_eHandshake = EHandshakeOff;
    std::string m_strDevice;

private:
    void ListenerProc();

    std::atomic<bool> m_bStopping{false};
    std::atomic<bool> m_bListening{false};
    std::mutex m_threadLock;
    std::thread m_hThread;
    serio::CEvent m_threadEnded;
    std::unique_ptr<serio::CEvent> m_hevtStop; // the listener's completion event
};
