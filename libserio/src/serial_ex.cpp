// SPDX-License-Identifier: BSD-2-Clause
#include <serio/serial_ex.h>

#include <common/profile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>

namespace serio {
namespace {

std::atomic<ISerialSetupUi*> g_setupUi{nullptr};
thread_local const CSerialEx* t_listenerOf = nullptr;

} // namespace

void SetSerialSetupUi(ISerialSetupUi* ui)
{
    g_setupUi = ui;
}

std::string ResolveSerialDevice(int nPort, const std::string& chosen)
{
    if (const char* env = std::getenv(kSerialDeviceEnv); env && *env)
        return env;
    if (!chosen.empty())
        return chosen;
    return "/dev/ttyUSB" + std::to_string(std::clamp(nPort, 1, 99) - 1);
}

std::vector<std::string> EnumerateSerialDevices()
{
    namespace fs = std::filesystem;
    std::vector<std::string> byId, ports;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/dev/serial/by-id", ec))
        byId.push_back(e.path().string());
    for (const auto& e : fs::directory_iterator("/dev", ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0 || name.rfind("ttyS", 0) == 0)
            ports.push_back(e.path().string());
    }
    std::sort(byId.begin(), byId.end());
    std::sort(ports.begin(), ports.end());
    byId.insert(byId.end(), ports.begin(), ports.end());
    return byId;
}

namespace {

std::string ReadFirstLine(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line.substr(0, 64);
}

// The process that has device open, found through /proc; empty when none is
// visible (another user's processes may not be).
std::string FindHolder(const std::string& device)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path real = fs::canonical(device, ec);
    if (ec)
        return {};
    int scanned = 0;
    for (const auto& proc : fs::directory_iterator("/proc", ec)) {
        const std::string pid = proc.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || ++scanned > 100000)
            continue;
        std::error_code fdEc;
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", fdEc)) {
            std::error_code linkEc;
            if (fs::read_symlink(fd.path(), linkEc) == real && !linkEc)
                return ReadFirstLine(proc.path() / "comm") + " (pid " + pid + ")";
        }
    }
    return {};
}

} // namespace

PortProblem ProbePort(const std::string& device)
{
    PortProblem problem;
    CSerial probe;
    problem.error = probe.Open(device);
    probe.Close();
    if (problem.error == EACCES || problem.error == EPERM) {
        struct stat st {};
        if (::stat(device.c_str(), &st) == 0) {
            const struct passwd* user = ::getpwuid(st.st_uid);
            const struct group* group = ::getgrgid(st.st_gid);
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
            problem.access = (user ? std::string(user->pw_name) : std::to_string(st.st_uid)) + ":" +
                             (group ? std::string(group->gr_name) : std::to_string(st.st_gid)) + " " + mode;
        }
    } else if (problem.error == EBUSY) {
        problem.holder = FindHolder(device);
    }
    return problem;
}

std::string SerialDeviceProduct(const std::string& device, const std::string& sysRoot)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    // A link such as /dev/serial/by-id/... names the device it points at.
    fs::path real = fs::canonical(device, ec);
    if (ec)
        real = device;
    fs::path dir = fs::canonical(fs::path(sysRoot) / real.filename() / "device", ec);
    if (ec)
        return {};
    // The interface, then the USB device that carries the product text.
    for (int up = 0; up < 4 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path()) {
        std::ifstream in(dir / "product");
        std::string product;
        if (in && std::getline(in, product) && !product.empty()) {
            if (product.size() > 80)
                product.resize(80);
            return product;
        }
    }
    return {};
}

} // namespace serio

using serio::kSerialSetupSection;

CSerialEx::CSerialEx()
{
    const auto& p = common::AppProfile();
    m_nPort = p.GetProfileInt(kSerialSetupSection, "Port", 1);
    m_eBaudrate = static_cast<EBaudrate>(p.GetProfileInt(kSerialSetupSection, "Baudrate", EBaud115200));
    m_eDataBits = static_cast<EDataBits>(p.GetProfileInt(kSerialSetupSection, "DataBits", EData8));
    m_eParity = static_cast<EParity>(p.GetProfileInt(kSerialSetupSection, "Parity", EParNone));
    m_eStopBits = static_cast<EStopBits>(p.GetProfileInt(kSerialSetupSection, "StopBits", EStop1));
    m_eHandshake = static_cast<EHandshake>(p.GetProfileInt(kSerialSetupSection, "HandShake", EHandshakeOff));
    m_dwQueueSize = static_cast<DWORD>(p.GetProfileInt(kSerialSetupSection, "Queue Size", 512));
    m_strDevice = p.GetProfileString(kSerialSetupSection, serio::kSerialDeviceKey, "");
}

CSerialEx::~CSerialEx()
{
    SaveSettings();
    StopListener(serio::kInfinite);
    if (IsOpen())
        CSerialEx::Close();
}

CSerialEx::CSerialEx(const CSerialEx& other) : CSerial(other)
{
    SetSettings(other.GetSettings());
}

CSerialEx& CSerialEx::operator=(const CSerialEx& other)
{
    if (this != &other) {
        CSerial::operator=(other);
        SetSettings(other.GetSettings());
    }
    return *this;
}

void CSerialEx::SaveSettings() const
{
    auto& p = common::AppProfile();
    p.WriteProfileInt(kSerialSetupSection, "Port", m_nPort);
    p.WriteProfileInt(kSerialSetupSection, "Baudrate", m_eBaudrate);
    p.WriteProfileInt(kSerialSetupSection, "DataBits", m_eDataBits);
    p.WriteProfileInt(kSerialSetupSection, "Parity", m_eParity);
    p.WriteProfileInt(kSerialSetupSection, "StopBits", m_eStopBits);
    p.WriteProfileInt(kSerialSetupSection, "HandShake", m_eHandshake);
    p.WriteProfileInt(kSerialSetupSection, "Queue Size", static_cast<int>(m_dwQueueSize));
    p.WriteProfileString(kSerialSetupSection, serio::kSerialDeviceKey, m_strDevice);
}

serio::SerialSettings CSerialEx::GetSettings() const
{
    serio::SerialSettings s;
    s.nPort = m_nPort;
    s.dwQueueSize = m_dwQueueSize;
    s.eBaudrate = m_eBaudrate;
    s.eDataBits = m_eDataBits;
    s.eParity = m_eParity;
    s.eStopBits = m_eStopBits;
    s.eHandshake = m_eHandshake;
    s.strDevice = m_strDevice;
    return s;
}

void CSerialEx::SetSettings(const serio::SerialSettings& s)
{
    m_nPort = s.nPort;
    m_dwQueueSize = s.dwQueueSize;
    m_eBaudrate = s.eBaudrate;
    m_eDataBits = s.eDataBits;
    m_eParity = s.eParity;
    m_eStopBits = s.eStopBits;
    m_eHandshake = s.eHandshake;
    m_strDevice = s.strDevice;
}

std::string CSerialEx::GetDeviceName() const
{
    return serio::ResolveSerialDevice(m_nPort, m_strDevice);
}

int CSerialEx::SerialSetup(int nPortOnly)
{
    serio::ISerialSetupUi* ui = serio::g_setupUi;
    if (!ui)
        return 0;
    serio::SerialSettings edited = GetSettings();
    if (!ui->EditSerialSettings(edited, nPortOnly != 0))
        return 0;
    if (nPortOnly) {
        m_nPort = edited.nPort;
        m_strDevice = edited.strDevice;
    } else {
        SetSettings(edited);
    }
    return 1;
}

LONG CSerialEx::Open(const std::string& device, DWORD dwInQueue, DWORD dwOutQueue, bool fStartListener)
{
    if (LONG r = CSerial::Open(device, dwInQueue, dwOutQueue, true))
        return r;
    m_hevtStop = std::make_unique<serio::CEvent>();
    return fStartListener ? StartListener() : 0;
}

LONG CSerialEx::OpenWithSettings()
{
    if (LONG r = CSerialEx::Open(GetDeviceName(), m_dwQueueSize, m_dwQueueSize, false))
        return r;
    LONG r = Setup(m_eBaudrate, m_eDataBits, m_eParity, m_eStopBits);
    if (r == 0)
        r = SetupHandshaking(m_eHandshake);
    if (r != 0) {
        // A port left open with settings it could not take would talk
        // garbage; close it and report why.
        Close();
        SetLastErrorCode(r);
    }
    return r;
}

LONG CSerialEx::Close()
{
    StopListener(serio::kInfinite);
    if (!OnListenerThread())
        m_hevtStop.reset();
    return CSerial::Close();
}

bool CSerialEx::OnListenerThread() const
{
    return serio::t_listenerOf == this;
}

LONG CSerialEx::StartListener()
{
    std::lock_guard lk(m_threadLock);
    if (m_bListening)
        return 0;
    // A listener that ended on its own, or one that a Stop with a time-out
    // left to finish its handler (it ends after it).
    if (m_hThread.joinable()) {
        if (m_hThread.get_id() == std::this_thread::get_id())
            m_hThread.detach();
        else
            m_hThread.join();
    }
    if (!IsOpen())
        return SetLastErrorCode(serio::kErrorInvalidHandle);
    m_threadEnded.Reset();
    m_bStopping = false;
    m_bListening = true;
    try {
        m_hThread = std::thread(&CSerialEx::ListenerProc, this);
    } catch (const std::system_error& e) {
        m_bListening = false;
        return SetLastErrorCode(e.code().value());
    }
    return 0;
}

LONG CSerialEx::StopListener(DWORD dwTimeout)
{
    if (OnListenerThread()) {
        // A handler cannot wait for its own thread: the loop ends after it.
        m_bStopping = true;
        return 0;
    }
    {
        std::lock_guard lk(m_threadLock);
        if (!m_hThread.joinable())
            return 0;
        if (m_bListening) {
            m_bStopping = true;
            // Setting the mask again completes the listener's pending wait.
            CSerial::SetMask(CSerial::GetEventMask());
        }
    }
    const bool ended = m_threadEnded.Wait(dwTimeout);
    m_bListening = false;
    if (!ended) {
        // Busy in a handler: it keeps its stop request and ends after the
        // handler; the next Start, Stop or Close reaps it. Until then the
        // port's events stay in place for it.
        return 0;
    }
    std::thread thread;
    {
        std::lock_guard lk(m_threadLock);
        thread = std::move(m_hThread);
    }
    if (thread.joinable())
        thread.join();
    m_bStopping = false;
    return 0;
}

void CSerialEx::ListenerProc()
{
    serio::t_listenerOf = this;
    serio::COverlapped ov;
    ov.hEvent = m_hevtStop.get();
    bool failed = false;
    while (!m_bStopping) {
        ov.hEvent->Reset();
        if (WaitEvent(&ov) != 0)
            break; // could not even start waiting: end quietly
        if (LONG r = WaitOverlapped(ov, serio::kInfinite)) {
            SetLastErrorCode(r);
            failed = true;
            break;
        }
        if (m_bStopping)
            break;
        const EEvent events = GetEventType();
        DWORD errors = 0;
        if (const LONG r = TakeLineErrors(errors)) {
            SetLastErrorCode(r);
            failed = true;
            break;
        }
        if (events)
            OnEvent(events, static_cast<EError>(errors));
    }
    // Not running any more before the notification, so that a handler that
    // closes the port does not wait for its own thread.
    m_bListening = false;
    if (failed)
        OnEvent(EEventError, EErrorIOE); // the device has gone
    m_threadEnded.Set();
}
