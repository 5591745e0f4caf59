// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/update_exchange.h"

#include <QFileInfo>
#include <QTcpSocket>
#include <QUrl>

#include <cstring>

namespace lumivo {

QByteArray EncodeUpdateFrame(const CCrc8& crc, uint8_t command, const QByteArray& payload)
{
    QByteArray frame;
    const auto n = static_cast<uint32_t>(payload.size());
    frame.reserve(payload.size() + 8);
    frame.append(char(kUpdateStart));
    frame.append(char(command));
    for (int i = 0; i < 4; ++i)
        frame.append(char((n >> (8 * i)) & 0xFF));
    frame.append(payload);
    frame.append(char(n ? crc.Compute(std::string_view(payload.constData(), size_t(payload.size()))) : 0));
    frame.append(char(kUpdateEnd));
    return frame;
}

bool TakeUpdateFrame(const CCrc8& crc, QByteArray& buffer, UpdateFrame& frame)
{
    frame = {};
    if (buffer.isEmpty())
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(buffer.constData());
    if (b[0] != kUpdateStart) {
        buffer.clear();
        return true;
    }
    if (buffer.size() < 6)
        return false;
    const uint32_t n = uint32_t(b[2]) | uint32_t(b[3]) << 8 | uint32_t(b[4]) << 16 | uint32_t(b[5]) << 24;
    // A length that cannot fit one receive is damage, not a frame to wait for.
    if (n > uint32_t(kUpdateReceiveBytes - 8)) {
        buffer.clear();
        return true;
    }
    const qsizetype total = qsizetype(n) + 8;
    if (buffer.size() < total)
        return false;
    const QByteArray payload = buffer.mid(6, n);
    const uint8_t expected = n ? crc.Compute(std::string_view(payload.constData(), size_t(payload.size()))) : 0;
    if (b[6 + n] != expected || b[7 + n] != kUpdateEnd) {
        buffer.clear();
        return true;
    }
    frame.command = b[1];
    frame.payload = payload;
    buffer.remove(0, total);
    return true;
}

CUpdateExchange::CUpdateExchange(QTcpSocket& socket, const CCrc8& crc, QString title, QString version,
                                 int attemptWaitMs, std::function<bool()> pump)
    : m_socket(socket), m_crc(crc), m_title(std::move(title)), m_version(std::move(version)),
      m_attemptWaitMs(attemptWaitMs < 0 ? 0 : attemptWaitMs), m_pump(std::move(pump))
{
}

void CUpdateExchange::Send(uint8_t command, const QByteArray& payload)
{
    m_socket.write(EncodeUpdateFrame(m_crc, command, payload));
    m_socket.waitForBytesWritten(qMax(m_attemptWaitMs, 100));
}

UpdateResult CUpdateExchange::Run()
{
    UpdateResult result;
    const QByteArray query = QStringLiteral("%1 v%2").arg(m_title, m_version).toUtf8();
    const QByteArray ours = m_version.toUtf8();
    Send(kUpdateCmdVersion, query);

    QByteArray pending;
    bool done = false;
    int attempts = kUpdateAttempts;
    while (!done && attempts > 0) {
        if (m_socket.bytesAvailable() == 0 && m_socket.state() == QAbstractSocket::ConnectedState)
            m_socket.waitForReadyRead(m_attemptWaitMs);
        const QByteArray got = m_socket.read(kUpdateReceiveBytes);
        if (got.isEmpty()) {
            // A closed socket has nothing more to say.
            if (m_socket.state() != QAbstractSocket::ConnectedState)
                break;
            --attempts;
        } else {
            pending.append(got);
            UpdateFrame frame;
            while (!done && TakeUpdateFrame(m_crc, pending, frame)) {
                attempts = kUpdateAttempts;
                ++result.framesReceived;
                if (frame.command == kUpdateInvalid) {
                    ++result.invalidFrames;
                    continue;
                }
                // The payload is read as the text before its first zero byte.
                const QByteArray text(frame.payload.constData(),
                                      qsizetype(strnlen(frame.payload.constData(), frame.payload.size())));
                if (frame.command == kUpdateCmdVersion && !frame.payload.isEmpty()) {
                    // Byte-wise comparison, as the server expects.
                    if (text > ours) {
                        result.newVersion = text;
                        Send(kUpdateCmdDownload, query);
                    } else {
                        done = true;
                    }
                } else if (frame.command == kUpdateCmdDownload && !frame.payload.isEmpty()) {
                    result.downloadAddress = text;
                    done = true;
                } else if (frame.command == kUpdateCmdNoUpdate) {
                    done = true;
                }
            }
        }
        if (!done && m_pump && !m_pump())
            break;
    }
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        Send(kUpdateCmdNoUpdate, {});
        result.closingSent = true;
    }
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(qMax(m_attemptWaitMs, 100));
    m_socket.close();
    return result;
}

UpdateAddress CheckUpdateAddress(const QString& address, QString* fileName)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return UpdateAddress::Refused;
    const QString name = QFileInfo(url.path()).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return UpdateAddress::Refused;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http"))
        return UpdateAddress::PlainHttp;
    if (scheme != QLatin1String("https"))
        return UpdateAddress::Refused;
    if (fileName)
        *fileName = name;
    return UpdateAddress::Accepted;
}

} // namespace lumivo
