// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/fleet_broker.h"

#include "ui/tr_format.h"

#include <common/profile.h>

namespace {

constexpr const char* kSection = "Fleet";

QString Get(const char* key, const QString& def)
{
    return QString::fromStdString(common::AppProfile().GetProfileString(kSection, key, def.toStdString()));
}

void Put(const char* key, const QString& value)
{
    common::AppProfile().WriteProfileString(kSection, key, value.toStdString());
}

} // namespace

FleetBroker FleetBroker::Load()
{
    FleetBroker b;
    b.host = Get("Host", b.host);
    b.port = common::AppProfile().GetProfileInt(kSection, "Port", 0);
    b.user = Get("User", {});
    b.passwordFile = Get("PasswordFile", {});
    b.caFile = Get("CaFile", {});
    b.prefix = Get("TopicPrefix", b.prefix);
    return b;
}

void FleetBroker::Save() const
{
    Put("Host", host);
    common::AppProfile().WriteProfileInt(kSection, "Port", port);
    Put("User", user);
    Put("PasswordFile", passwordFile);
    Put("CaFile", caFile);
    Put("TopicPrefix", prefix);
}

fleet::Options FleetBroker::Options() const
{
    fleet::Options o;
    o.broker.host = host.trimmed().toStdString();
    o.broker.port = unsigned(port);
    o.broker.user = user.toStdString();
    o.broker.passwordFile = passwordFile.toStdString();
    o.broker.caFile = caFile.toStdString();
    o.prefix = prefix.trimmed().isEmpty() ? "lumivo" : prefix.trimmed().toStdString();
    return o;
}

QString FleetConnectText(fleet::ConnectError e, const std::string& detail, const QString& broker)
{
    using E = fleet::ConnectError;
    const QString d = QString::fromStdString(detail);
    switch (e) {
    case E::kNone: return {};
    case E::kBadOption: return lumivo::TrFormat("Fleet", "ErrBadOption", {d});
    case E::kNoAnswer: return lumivo::TrFormat("Fleet", "ErrNoAnswer", {broker});
    case E::kBadLogin: return lumivo::TrFormat("Fleet", "ErrBadLogin", {broker});
    case E::kRefused: return lumivo::TrFormat("Fleet", "ErrRefused", {broker, d});
    }
    return d;
}
