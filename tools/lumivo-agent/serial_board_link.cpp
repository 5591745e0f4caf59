// SPDX-License-Identifier: GPL-2.0-or-later
// The board link over CBoardSession: the agent answers the session's
// questions itself (no Retry: the loop retries with backoff; Yes to reading
// stored Ads only when reading back).
#include "board_link.h"

#include "core/board_session.h"
#include "core/module_state.h"

#include <common/profile.h>
#include <serio/serio.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>

namespace agent {

namespace {

class CAgentUi final : public lumivo::IBoardUi {
public:
    bool readStored = false;
    bool AskRetry(const std::string&, const std::string&) override { return false; }
    bool AskYesNo(const std::string&, const std::string&) override { return readStored; }
    void ShowMessage(const std::string&, const std::string&, lumivo::MessageIcon) override {}
    bool EditModuleState(lumivo::CModuleStateModel&) override { return false; }
};

// Hands the session the blob to send and keeps the one read back.
class CBlobDocument final : public lumivo::IBoardDocument {
public:
    std::vector<BYTE> toSend, readBack;
    bool SetBoard(const lumivo::BoardFromModule&) override { return true; }
    void SetContentLanguage(unsigned) override {}
    bool PackAdBlob(std::vector<BYTE>& blob) override
    {
        blob = toSend;
        return !blob.empty();
    }
    bool LoadAdBlob(const BYTE* blob, size_t length) override
    {
        readBack.assign(blob, blob + length);
        return true;
    }
    bool LoadUserImages(const BYTE*, size_t) override { return true; }
    bool GetUserImageBlob(std::vector<BYTE>& blob) override { return false; }
};

bool ParseTime(const std::string& text, lumivo::TimeOfDay& t)
{
    int h = -1, m = -1, s = 0, used = 0;
    const int n = std::sscanf(text.c_str(), "%d:%d%n:%d%n", &h, &m, &used, &s, &used);
    if ((n != 2 && n != 3) || size_t(used) != text.size() || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 ||
        s > 59)
        return false;
    t = {h, m, s};
    return true;
}

bool ParseSwitch(const std::string& text, bool& on)
{
    if (text == "on" || text == "yes" || text == "1" || text == "true")
        return on = true, true;
    if (text == "off" || text == "no" || text == "0" || text == "false")
        return on = false, true;
    return false;
}

bool ParseNumber(const std::string& text, int min, int max, int& v)
{
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < min || n > max)
        return false;
    v = int(n);
    return true;
}

// Applies one edit to the model; the reason when it cannot.
std::string Apply(lumivo::CModuleStateModel& m, const std::string& f, const std::string& v, bool dryRun)
{
    using M = lumivo::CModuleStateModel;
    bool on = false;
    int n = 0;
    lumivo::TimeOfDay t{};
    if (f == "power" || f == "beep") {
        if (!ParseSwitch(v, on))
            return f + " must be on or off";
        if (!dryRun)
            f == "power" ? m.SetPowerEnabled(on) : m.SetBeep(on);
    } else if (f == "power-on" || f == "power-off" || f == "day-time" || f == "night-time") {
        if (!ParseTime(v, t))
            return f + " must be a time of day H:MM or H:MM:SS";
        if (!dryRun) {
            if (f == "power-on")
                m.SetPowerOn(t);
            else if (f == "power-off")
                m.SetPowerOff(t);
            else if (f == "day-time")
                m.SetDayTime(t);
            else
                m.SetNightTime(t);
        }
    } else if (f == "day-brightness" || f == "night-brightness") {
        if (!ParseNumber(v, M::kMinBrightness, M::kMaxBrightness, n))
            return f + " must be a number from " + std::to_string(M::kMinBrightness) + " to " +
                   std::to_string(M::kMaxBrightness);
        if (!dryRun)
            f == "day-brightness" ? m.SpinDayBrightness(n) : m.SpinNightBrightness(n);
    } else if (f == "columns" || f == "rows") {
        const bool cols = f == "columns";
        if (!ParseNumber(v, cols ? M::kMinColumns : M::kMinRows, cols ? M::kMaxColumns : M::kMaxRows, n))
            return f + " is out of range";
        if (!dryRun)
            cols ? m.SetColumns(n) : m.SetRows(n);
    } else {
        return "unknown settings field \"" + f +
               "\" (fields: power, beep, power-on, power-off, day-time, night-time, day-brightness, "
               "night-brightness, columns, rows)";
    }
    return "";
}

class CSerialBoardLink final : public IBoardLink {
public:
    CSerialBoardLink(std::string device, unsigned baud) : m_device(std::move(device))
    {
        common::IProfile& p = common::AppProfile();
        p.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, m_device);
        if (baud)
            p.WriteProfileInt(serio::kSerialSetupSection, "Baudrate", int(baud));
        m_session = std::make_unique<lumivo::CBoardSession>(m_ui);
        m_session->SetDocument(&m_document);
    }

    std::string Device() const override { return m_device; }

    lumivo::Result Check(BoardInfo& info) override
    {
        lumivo::Result r = Connect(false, info);
        m_session->Disconnect();
        return r;
    }

    lumivo::Result Send(const std::vector<uint8_t>& blob, BoardInfo& info) override
    {
        if (lumivo::Result r = Connect(false, info); !r)
            return r;
        m_document.toSend = blob;
        const lumivo::BoardResult b = m_session->Send();
        m_session->Disconnect();
        if (b != lumivo::BoardResult::Ok)
            return lumivo::Result::Fail(Why("sending the Ads"));
        return {};
    }

    lumivo::Result ReadBack(std::vector<uint8_t>& blob, BoardInfo& info) override
    {
        m_document.readBack.clear();
        lumivo::Result r = Connect(true, info);
        m_session->Disconnect();
        blob = m_document.readBack;
        return r;
    }

    lumivo::Result WriteSettings(const std::map<std::string, std::string>& settings) override
    {
        BoardInfo info;
        if (lumivo::Result r = Connect(false, info); !r)
            return r;
        lumivo::CModuleStateModel model;
        model.SetModuleInfo(lumivo::ModelName(m_session->ModuleInfo()).c_str(),
                            m_session->ModuleInfo().byManufactureDate);
        model.SetModelCode(m_session->ModelCode());
        lumivo::Result r;
        if (m_session->ReadSettings(model) != lumivo::BoardResult::Ok) {
            r = lumivo::Result::Fail(Why("reading the controller settings"));
        } else {
            for (const auto& [field, value] : settings)
                if (std::string why = Apply(model, field, value, false); !why.empty())
                    r.Error(why);
            if (r && m_session->WriteSettings(model) != lumivo::BoardResult::Ok)
                r = lumivo::Result::Fail(Why("writing the controller settings"));
        }
        m_session->Disconnect();
        return r;
    }

    lumivo::Result SetClock() override
    {
        BoardInfo info;
        return Check(info);
    }

private:
    lumivo::Result Connect(bool readStored, BoardInfo& info)
    {
        m_ui.readStored = readStored;
        const lumivo::BoardResult b = m_session->Connect();
        if (b != lumivo::BoardResult::Ok && b != lumivo::BoardResult::AlreadyConnected)
            return lumivo::Result::Fail(Why("connecting"));
        const serio::ModuleInfo& mi = m_session->ModuleInfo();
        const lumivo::BoardFromModule v = lumivo::BoardValuesOf(mi);
        info.board = {v.moduleRow, v.moduleColumn, v.language, v.lumivoRow, v.lumivoColumn};
        info.storedAds = mi.byAdCount;
        info.blobLength = mi.wAdBlobLength;
        return {};
    }

    std::string Why(const char* what) const
    {
        const std::string& e = m_session->LastError();
        return std::string(what) + " on " + m_device + ": " + (e.empty() ? "no answer" : e);
    }

    std::string m_device;
    CAgentUi m_ui;
    CBlobDocument m_document;
    std::unique_ptr<lumivo::CBoardSession> m_session;
};

} // namespace

std::unique_ptr<IBoardLink> MakeSerialBoardLink(std::string device, unsigned baud)
{
    return std::make_unique<CSerialBoardLink>(std::move(device), baud);
}

std::string CheckSetting(const std::string& field, const std::string& value)
{
    lumivo::CModuleStateModel model;
    return Apply(model, field, value, true);
}

bool SettingText(const nlohmann::json& value, std::string& text)
{
    if (value.is_string())
        text = value.get<std::string>();
    else if (value.is_boolean())
        text = value.get<bool>() ? "on" : "off";
    else if (value.is_number_integer())
        text = std::to_string(value.get<int64_t>());
    else
        return false;
    return true;
}

} // namespace agent
