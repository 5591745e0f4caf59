// SPDX-License-Identifier: GPL-2.0-or-later
// The board as the reconcile loop sees it: each call is one whole exchange
// (connect, which also sets the controller's clock, the work, disconnect),
// blocking, on the loop's thread. Tests put a fake board behind it.
#pragma once

#include "core/project.h"
#include "core/result.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace agent {

// What the module information says.
struct BoardInfo {
    lumivo::BoardValues board;
    unsigned storedAds = 0;
    unsigned blobLength = 0;
    bool operator==(const BoardInfo&) const = default;
};

class IBoardLink {
public:
    virtual ~IBoardLink() = default;
    // The device's name for the state ("/dev/ttyUSB0", "simulated (/dev/pts/3)").
    virtual std::string Device() const = 0;
    // Connects and reads the module information (the light check).
    virtual lumivo::Result Check(BoardInfo& info) = 0;
    // Stores the Ad blob.
    virtual lumivo::Result Send(const std::vector<uint8_t>& blob, BoardInfo& info) = 0;
    // Reads the stored Ad blob back (empty when the board holds no Ads).
    virtual lumivo::Result ReadBack(std::vector<uint8_t>& blob, BoardInfo& info) = 0;
    // Changes the named controller settings (lumivo-cli's names) and writes them.
    virtual lumivo::Result WriteSettings(const std::map<std::string, std::string>& settings) = 0;
    // Sets the controller's clock (a connection does it; this is only that).
    virtual lumivo::Result SetClock() = 0;
};

// A real controller (or the simulator) on a serial device, through the
// project's board session. baud 0 keeps the default of 115,200.
std::unique_ptr<IBoardLink> MakeSerialBoardLink(std::string device, unsigned baud);

// Checks one settings edit without a board: "" when it is acceptable, else
// the reason naming the field.
std::string CheckSetting(const std::string& field, const std::string& value);
// A setting's JSON value as the text CheckSetting takes (true/false are
// on/off); false for anything but a string, an integer or true/false.
bool SettingText(const nlohmann::json& value, std::string& text);

} // namespace agent
