// SPDX-License-Identifier: GPL-2.0-or-later
#include "notification.h"

#include "core/effect_choice.h"
#include "core/item_builder.h"
#include "core/item_text.h"

#include <common/text.h>

#include <qvr/content.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <strings.h>

namespace agent {

namespace {

using nlohmann::json;

constexpr Ms kMaxSeconds = 7LL * 24 * 3600; // durations and ttls up to a week
// The family whose first effect slides the text in from the right (start)
// and out to the left (end).
constexpr const char* kScrollFamily = "Flow";

bool Fail(RequestError& e, std::string field, std::string message)
{
    e.field = std::move(field);
    e.message = std::move(message);
    return false;
}

bool ReadEffect(const json& v, int phase, const char* field, std::optional<unsigned>& out, RequestError& e)
{
    if (v.is_null())
        return true;
    if (v.is_number_unsigned()) {
        if (v.get<uint64_t>() > 0xFFFF)
            return Fail(e, field, std::string(field) + " must be an effect code 0 to 65535");
        out = v.get<unsigned>();
        return true;
    }
    std::string family;
    unsigned index = 1;
    if (v.is_string()) {
        const std::string text = v.get<std::string>();
        const size_t space = text.find(' ');
        family = text.substr(0, space);
        if (space != std::string::npos) {
            char* end = nullptr;
            const unsigned long n = std::strtoul(text.c_str() + space + 1, &end, 10);
            if (*end || n == 0 || n > 255)
                return Fail(e, field, std::string(field) + " must be \"FAMILY\" or \"FAMILY N\"");
            index = unsigned(n);
        }
    } else if (v.is_object() && v.contains("family") && v["family"].is_string()) {
        family = v["family"].get<std::string>();
        if (v.contains("index")) {
            if (!v["index"].is_number_unsigned() || v["index"].get<uint64_t>() > 255)
                return Fail(e, std::string(field) + ".index", std::string(field) + ".index must be a whole number from 1");
            index = v["index"].get<unsigned>();
        }
    } else {
        return Fail(e, field, std::string(field) + " must be an effect name, {\"family\",\"index\"} or a code");
    }
    unsigned code = 0;
    if (!EffectCode(phase, family, index, code))
        return Fail(e, field, std::string(field) + ": no effect \"" + family + "\" " + std::to_string(index) +
                                  " in this table");
    out = code;
    return true;
}

bool ReadSeconds(const json& j, const char* field, Ms& out, RequestError& e)
{
    if (!j.contains(field) || j[field].is_null())
        return true;
    const json& v = j[field];
    if (!v.is_number() || v.get<double>() < 0 || v.get<double>() > double(kMaxSeconds))
        return Fail(e, field, std::string(field) + " must be a number of seconds from 0 to " +
                                  std::to_string(kMaxSeconds));
    out = static_cast<Ms>(v.get<double>() * 1000);
    return true;
}

} // namespace

bool EffectCode(int phase, const std::string& family, unsigned index, unsigned& code)
{
    for (unsigned row = 0; row < lumivo::EffectRowCount(phase); ++row) {
        const char* name = lumivo::EffectFamilyName(lumivo::EffectRowFamily(phase, row));
        if (strcasecmp(name, family.c_str()) != 0)
            continue;
        if (index < 1 || index > lumivo::EffectIndexCount(phase, row))
            return false;
        lumivo::EffectChoice c;
        c.phase = phase;
        c.row = row;
        c.index = index - 1;
        code = lumivo::DialogResult(c).effect.code;
        return true;
    }
    return false;
}

bool ParseNotifyRequest(const std::string& body, Notification& n, RequestError& e)
{
    if (body.size() > kMaxJsonBody)
        return Fail(e, "", "the body is over " + std::to_string(kMaxJsonBody) + " bytes");
    const json j = json::parse(body, nullptr, false);
    if (j.is_discarded())
        return Fail(e, "", "the body is not JSON");
    if (!j.is_object())
        return Fail(e, "", "the body must be a JSON object");
    if (!j.contains("text") || !j["text"].is_string() || j["text"].get<std::string>().empty())
        return Fail(e, "text", "text must be a non-empty string");
    n.text = j["text"].get<std::string>();
    if (j.contains("color") && !j["color"].is_null()) {
        if (!j["color"].is_number_unsigned() || j["color"].get<uint64_t>() > 255)
            return Fail(e, "color", "color must be a colour row 0 to 255");
        n.color = j["color"].get<unsigned>();
    }
    static const char* const phases[] = {"start", "wait", "end"};
    std::optional<unsigned>* slots[] = {&n.effectS, &n.effectW, &n.effectE};
    for (int p = 0; p < 3; ++p)
        if (j.contains(phases[p]) && !ReadEffect(j[phases[p]], p, phases[p], *slots[p], e))
            return false;
    if (j.contains("priority") && !j["priority"].is_null()) {
        if (!j["priority"].is_number_integer() || j["priority"].get<int64_t>() < 1 || j["priority"].get<int64_t>() > 9)
            return Fail(e, "priority", "priority must be a whole number from 1 to 9");
        n.priority = j["priority"].get<int>();
    }
    return ReadSeconds(j, "duration", n.durationMs, e) && ReadSeconds(j, "ttl", n.ttlMs, e);
}

lumivo::Result BuildNotificationItem(const Notification& n, const lumivo::CProjectCore& board, CLumivo& out)
{
    lumivo::ItemChoices c;
    c.type = LUMIVO_TEXT;
    c.text = common::Utf8ToUtf16(n.text);
    if (c.text.size() > lumivo::kMaxItemChars)
        return lumivo::Result::Fail("the text has " + std::to_string(c.text.size()) + " characters; an item holds " +
                                    std::to_string(lumivo::kMaxItemChars));
    c.lines = board.Board().moduleRow ? board.Board().moduleRow : 1;
    c.color = n.color;
    c.effectS = n.effectS;
    c.effectW = n.effectW;
    c.effectE = n.effectE;
    CLumivo item{};
    lumivo::Result r = lumivo::BuildItem(c, item, &board.Content());
    if (!r)
        return r;
    // A character the board would draw otherwise than asked is a refusal
    // here: nobody is there to look at the editor's red underline.
    for (const lumivo::Message& m : r.messages())
        if (m.severity == lumivo::Severity::Warning)
            return lumivo::Result::Fail(m.text);
    // A text wider than the board comes in from the right and leaves to the
    // left, so every character passes, unless the request chose otherwise.
    const long boardWidth = long(board.Board().moduleColumn) * 16;
    if (CContent::GetLumiCharWidth(item.chars, CLumivo::kCells) > boardWidth) {
        unsigned code = 0;
        if (!n.effectS && EffectCode(0, kScrollFamily, 1, code))
            item.effectS.code = uint16_t(code);
        if (!n.effectE && EffectCode(2, kScrollFamily, 1, code))
            item.effectE.code = uint16_t(code);
    }
    out = item;
    return r;
}

} // namespace agent
