// SPDX-License-Identifier: GPL-2.0-or-later
// The update exchange: a short framed conversation over a stream socket that
// tells whether the server offers a newer version and where to download it.
//
// Frame, both directions: 0xFE, command, 32-bit length n (least significant
// byte first), n payload bytes, CRC-8/DVB-S2 of the payload, 0xEF.
#pragma once

#include "core/crc8.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QTcpSocket;

namespace lumivo {

inline constexpr uint8_t kUpdateStart = 0xFE;
inline constexpr uint8_t kUpdateEnd = 0xEF;
inline constexpr int kUpdateCmdVersion = 0x1C;  // query and answer
inline constexpr int kUpdateCmdDownload = 0x1A; // request and answer
inline constexpr int kUpdateCmdNoUpdate = 0xDE; // nothing offered; closing frame
inline constexpr int kUpdateInvalid = -1;
// One receive reads at most this much; a frame that cannot fit is invalid.
inline constexpr int kUpdateReceiveBytes = 1024;
inline constexpr int kUpdateAttempts = 500;

QByteArray EncodeUpdateFrame(const CCrc8& crc, uint8_t command, const QByteArray& payload);

struct UpdateFrame {
    int command = kUpdateInvalid;
    QByteArray payload;
};

// Splits one frame off the front of buffer. Returns false while the frame
// is still incomplete (buffer untouched). Otherwise removes what it used and
// returns true with the frame, whose command is kUpdateInvalid when the
// bytes do not form a valid frame (then the whole buffer is dropped: there is
// no way to find the next frame's start in it).
bool TakeUpdateFrame(const CCrc8& crc, QByteArray& buffer, UpdateFrame& frame);

struct UpdateResult {
    QByteArray newVersion;      // the higher version the server answered
    QByteArray downloadAddress; // empty: nothing offered
    int framesReceived = 0;
    int invalidFrames = 0;
    bool closingSent = false;
};

// Runs the exchange on a connected socket. attemptWaitMs bounds each wait
// for data; after kUpdateAttempts waits in a row without a frame the
// exchange ends. pump runs between attempts and returns false when the
// program is quitting.
class CUpdateExchange {
public:
    CUpdateExchange(QTcpSocket& socket, const CCrc8& crc, QString title, QString version,
                    int attemptWaitMs, std::function<bool()> pump = {});
    UpdateResult Run();

private:
    void Send(uint8_t command, const QByteArray& payload);

    QTcpSocket& m_socket;
    const CCrc8& m_crc;
    QString m_title;
    QString m_version;
    int m_attemptWaitMs;
    std::function<bool()> m_pump;
};

// What the program makes of a download address. Only https with a host and
// a file name is taken: over plain http anyone on the network path could
// swap the file the user is then asked to open.
enum class UpdateAddress { Accepted, PlainHttp, Refused };
// The file name to save under (no folders) goes to fileName when accepted.
UpdateAddress CheckUpdateAddress(const QString& address, QString* fileName = nullptr);
inline bool IsAcceptableUpdateAddress(const QString& address, QString* fileName = nullptr)
{
    return CheckUpdateAddress(address, fileName) == UpdateAddress::Accepted;
}

} // namespace lumivo
