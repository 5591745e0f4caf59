// SPDX-License-Identifier: GPL-2.0-or-later
#include "ha_discovery.h"

#include "core/module_state.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace agent {

using nlohmann::json;

std::string DiscoveryId(const MqttConfig& c)
{
    std::string id = "lumivo_" + c.site + "_" + c.sign;
    for (char& ch : id)
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_' && ch != '-')
            ch = '_';
    return id;
}

std::string DiscoveryTopic(const MqttConfig& c) { return c.haPrefix + "/device/" + DiscoveryId(c) + "/config"; }

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::string EntryOption(const std::string& entry, const std::vector<std::string>& entries)
{
    if (entry != kScheduleOption)
        return entry;
    std::string option = std::string(kScheduleOption) + " (entry)";
    for (int n = 2; Has(entries, option); ++n)
        option = std::string(kScheduleOption) + " (entry " + std::to_string(n) + ")";
    return option;
}

std::string OptionEntry(const std::string& option, const std::vector<std::string>& entries)
{
    if (option == kScheduleOption)
        return {};
    if (!Has(entries, option) && Has(entries, kScheduleOption) && option == EntryOption(kScheduleOption, entries))
        return kScheduleOption;
    return option;
}

std::string DiscoveryPayload(const MqttConfig& c, const std::string& version, const std::vector<std::string>& entries)
{
    const std::string base = c.Base();
    const std::string id = DiscoveryId(c);
    const std::string state = base + "/state";
    using M = lumivo::CModuleStateModel;
    auto number = [&](const char* name, const char* setting) {
        return json{{"p", "number"},
                    {"name", name},
                    {"unique_id", id + "_" + setting},
                    {"command_topic", base + "/set/" + setting},
                    {"state_topic", state},
                    {"value_template", std::string("{{ value_json.settings.get('") + setting + "', none) }}"},
                    {"min", M::kMinBrightness},
                    {"max", M::kMaxBrightness},
                    {"step", 1},
                    {"mode", "slider"},
                    {"entity_category", "config"}};
    };
    auto button = [&](const char* name, const char* verb) {
        return json{{"p", "button"},
                    {"name", name},
                    {"unique_id", id + "_" + verb},
                    {"command_topic", base + "/cmd/" + verb},
                    {"payload_press", "PRESS"}};
    };
    json options = json::array();
    for (const std::string& e : entries)
        options.push_back(EntryOption(e, entries));
    options.push_back(kScheduleOption);
    // The state names the chosen entry; the select shows its option.
    std::string shown = std::string("{{ value_json.chosenEntry or '") + kScheduleOption + "' }}";
    if (Has(entries, kScheduleOption))
        shown = std::string("{{ '") + EntryOption(kScheduleOption, entries) + "' if value_json.chosenEntry == '" +
                kScheduleOption + "' else (value_json.chosenEntry or '" + kScheduleOption + "') }}";
    json cmps = {
        {"message",
         {{"p", "notify"},
          {"name", "Message"},
          {"unique_id", id + "_message"},
          {"command_topic", base + "/notify"},
          {"command_template", "{{ {'text': value} | tojson }}"}}},
        {"ads",
         {{"p", "select"},
          {"name", "Ads"},
          {"unique_id", id + "_ads"},
          {"command_topic", base + "/set/ads"},
          {"state_topic", state},
          {"value_template", shown},
          {"options", options}}},
        {"day_brightness", number("Day brightness", "day-brightness")},
        {"night_brightness", number("Night brightness", "night-brightness")},
        {"power_schedule",
         {{"p", "switch"},
          {"name", "Power schedule"},
          {"unique_id", id + "_power"},
          {"command_topic", base + "/set/power"},
          {"payload_on", "on"},
          {"payload_off", "off"},
          {"state_topic", state},
          {"value_template", "{{ value_json.settings.get('power', 'off') }}"},
          {"state_on", "on"},
          {"state_off", "off"},
          {"entity_category", "config"}}},
        {"send", button("Send", "send")},
        {"verify", button("Verify", "verify")},
        {"set_clock", button("Set clock", "clock")},
        {"active_ads",
         {{"p", "sensor"},
          {"name", "Active Ads"},
          {"unique_id", id + "_active_ads"},
          {"state_topic", state},
          {"value_template", "{{ value_json.pages | join(', ') }}"},
          {"json_attributes_topic", state},
          {"json_attributes_template", "{{ {'why': value_json.why} | tojson }}"}}},
        {"verified_hash",
         {{"p", "sensor"},
          {"name", "Verified hash"},
          {"unique_id", id + "_verified"},
          {"state_topic", state},
          {"value_template", "{{ value_json.verified or 'none' }}"},
          {"entity_category", "diagnostic"}}},
        // Only the agent's status: this entity says whether the board answers.
        {"board_answering",
         {{"p", "binary_sensor"},
          {"name", "Board answering"},
          {"unique_id", id + "_answering"},
          {"device_class", "connectivity"},
          {"state_topic", base + "/board"},
          {"value_template", "{{ 'ON' if value_json.answering else 'OFF' }}"},
          {"availability", json::array({{{"topic", base + "/status"}}})},
          {"entity_category", "diagnostic"}}},
        {"mirror",
         {{"p", "image"},
          {"name", "Live mirror"},
          {"unique_id", id + "_mirror"},
          {"image_topic", base + "/preview"},
          {"content_type", "image/png"}}},
    };
    json j = {
        {"dev",
         {{"ids", json::array({id})},
          {"name", "Sign " + c.site + "/" + c.sign},
          {"mf", "Lumivo"},
          {"mdl", "LED sign board"},
          {"sw", version}}},
        {"o", {{"name", "lumivo-agent"}, {"sw", version}}},
        {"cmps", cmps},
        // Available when the agent is online and the board answers.
        {"availability",
         json::array({{{"topic", base + "/status"}, {"payload_available", "online"}, {"payload_not_available", "offline"}},
                      {{"topic", base + "/board"},
                       {"value_template", "{{ 'online' if value_json.answering else 'offline' }}"}}})},
        {"availability_mode", "all"},
        {"qos", 1},
    };
    return j.dump();
}

} // namespace agent
