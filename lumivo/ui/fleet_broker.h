// SPDX-License-Identifier: GPL-2.0-or-later
// The broker head office publishes on, as the window remembers it (the
// Fleet section of the settings), and the plain words for why a
// connection to it failed, in the interface language.
#pragma once

#include "fleet_client.h"

#include <QString>

struct FleetBroker {
    QString host = QStringLiteral("127.0.0.1");
    int port = 0; // 0: 1883, or 8883 with a CA file
    QString user;
    QString passwordFile;
    QString caFile;
    QString prefix = QStringLiteral("lumivo");

    static FleetBroker Load();
    void Save() const;
    fleet::Options Options() const;
};

QString FleetConnectText(fleet::ConnectError e, const std::string& detail, const QString& broker);
