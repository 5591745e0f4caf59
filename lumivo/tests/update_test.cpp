// SPDX-License-Identifier: GPL-2.0-or-later
#include "gui_test_util.h"

#include "app/update_exchange.h"

#include <QSignalSpy>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

using lumivo::CCrc8;
using lumivo::EncodeUpdateFrame;
using lumivo::TakeUpdateFrame;
using lumivo::UpdateFrame;

namespace {

// A stand-in update server on its own thread with plain sockets, so it
// answers while the program's side blocks in its waits. Each received frame
// goes to the script, whose reply (any bytes) is sent back.
class FakeUpdateServer {
public:
    using Script = std::function<QByteArray(const UpdateFrame&)>;

    explicit FakeUpdateServer(Script script) : m_script(std::move(script))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 1);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeUpdateServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    quint16 Port() const { return m_port; }
    std::vector<int> Commands()
    {
        std::lock_guard lock(m_lock);
        return m_commands;
    }
    bool WaitForClose(int ms)
    {
        for (int i = 0; i < ms / 5 && !m_closed; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return m_closed;
    }

private:
    void Serve()
    {
        pollfd p{m_listen, POLLIN, 0};
        while (!m_stop && ::poll(&p, 1, 20) == 0) {
        }
        if (m_stop)
            return;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        QByteArray pending;
        while (!m_stop) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 20) <= 0)
                continue;
            char buf[2048];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            pending.append(buf, n);
            UpdateFrame f;
            while (TakeUpdateFrame(m_crc, pending, f)) {
                {
                    std::lock_guard lock(m_lock);
                    m_commands.push_back(f.command);
                }
                const QByteArray reply = m_script(f);
                if (!reply.isEmpty())
                    (void)::write(fd, reply.constData(), size_t(reply.size()));
            }
        }
        m_closed = true;
        ::close(fd);
    }

    CCrc8 m_crc;
    Script m_script;
    int m_listen = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closed{false};
    std::mutex m_lock;
    std::vector<int> m_commands;
};

const CCrc8 kCrc;
const QByteArray kAddress = "https://updates.example.invalid/files/lumivo-3.0.250.1.tar.gz";

// Answers the version query with version, then the download request with
// address.
FakeUpdateServer::Script Offering(QByteArray version, QByteArray address)
{
    return [version, address](const UpdateFrame& f) -> QByteArray {
        if (f.command == lumivo::kUpdateCmdVersion)
            return EncodeUpdateFrame(kCrc, lumivo::kUpdateCmdVersion, version);
        if (f.command == lumivo::kUpdateCmdDownload)
            return EncodeUpdateFrame(kCrc, lumivo::kUpdateCmdDownload, address);
        return {};
    };
}

// Waits of 10 ms give a busy machine's server 5 s to answer; the tests
// that end in silence use 1 ms so they end in half a second.
lumivo::UpdateResult RunExchange(FakeUpdateServer& server, int waitMs = 10)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
    EXPECT_TRUE(socket.waitForConnected(3000));
    lumivo::CUpdateExchange exchange(socket, kCrc, QStringLiteral("lumivo"), QStringLiteral("3.0.249.4099"), waitMs);
    lumivo::UpdateResult r = exchange.Run();
    EXPECT_TRUE(server.WaitForClose(3000));
    return r;
}

} // namespace

TEST(UpdateFrame, LayoutAndValidity)
{
    const QByteArray closing = EncodeUpdateFrame(kCrc, lumivo::kUpdateCmdNoUpdate, {});
    EXPECT_EQ(closing, QByteArray::fromHex("FEDE00000000" "00EF"));

    QByteArray frame = EncodeUpdateFrame(kCrc, 0x1C, "abc");
    ASSERT_EQ(frame.size(), 11);
    EXPECT_EQ(uint8_t(frame[5 + 4]), 0x5A);
    EXPECT_EQ(uint8_t(frame[2]), 3);

    // Two frames in one read, the second one split.
    QByteArray buffer = frame + frame.left(4);
    UpdateFrame f;
    ASSERT_TRUE(TakeUpdateFrame(kCrc, buffer, f));
    EXPECT_EQ(f.command, 0x1C);
    EXPECT_EQ(f.payload, QByteArray("abc"));
    EXPECT_FALSE(TakeUpdateFrame(kCrc, buffer, f)); // incomplete: wait for more
    buffer += frame.mid(4);
    ASSERT_TRUE(TakeUpdateFrame(kCrc, buffer, f));
    EXPECT_EQ(f.payload, QByteArray("abc"));
    EXPECT_TRUE(buffer.isEmpty());

    // Damage of every kind gives the invalid command and drops the bytes.
    auto invalid = [](QByteArray bytes) {
        UpdateFrame g;
        return TakeUpdateFrame(kCrc, bytes, g) && g.command == lumivo::kUpdateInvalid && bytes.isEmpty();
    };
    QByteArray badCrc = frame;
    badCrc[9] = char(0x5B);
    EXPECT_TRUE(invalid(badCrc));
    QByteArray badEnd = frame;
    badEnd[10] = char(0xEE);
    EXPECT_TRUE(invalid(badEnd));
    QByteArray badStart = frame;
    badStart[0] = char(0xFD);
    EXPECT_TRUE(invalid(badStart));
    // A length beyond one receive is refused at once, not waited for.
    EXPECT_TRUE(invalid(QByteArray::fromHex("FE1CFFFFFF7F00")));
    EXPECT_TRUE(invalid(QByteArray::fromHex("FE1C") + QByteArray::fromHex("F9030000")));
}

TEST(UpdateExchange, LowerOrEqualVersionEndsWithoutRequest)
{
    for (const QByteArray& version : {QByteArray("3.0.249.4098"), QByteArray("3.0.249.4099"), QByteArray("2.9")}) {
        FakeUpdateServer server(Offering(version, kAddress));
        const lumivo::UpdateResult r = RunExchange(server);
        EXPECT_TRUE(r.newVersion.isEmpty()) << version.constData();
        EXPECT_TRUE(r.downloadAddress.isEmpty());
        EXPECT_TRUE(r.closingSent);
        EXPECT_EQ(server.Commands(), (std::vector<int>{0x1C, 0xDE})) << version.constData();
    }
}

TEST(UpdateExchange, HigherVersionAsksForTheDownload)
{
    FakeUpdateServer server(Offering("3.0.250.1", kAddress));
    const lumivo::UpdateResult r = RunExchange(server);
    EXPECT_EQ(r.newVersion, QByteArray("3.0.250.1"));
    EXPECT_EQ(r.downloadAddress, kAddress);
    EXPECT_EQ(server.Commands(), (std::vector<int>{0x1C, 0x1A, 0xDE}));
}

TEST(UpdateExchange, NoUpdateAnswerEndsAtOnce)
{
    FakeUpdateServer server([](const UpdateFrame& f) {
        return f.command == 0x1C ? EncodeUpdateFrame(kCrc, 0xDE, {}) : QByteArray();
    });
    const lumivo::UpdateResult r = RunExchange(server);
    EXPECT_EQ(r.framesReceived, 1);
    EXPECT_EQ(server.Commands(), (std::vector<int>{0x1C, 0xDE}));
}

TEST(UpdateExchange, InvalidFrameAndSilenceEndTheExchange)
{
    FakeUpdateServer server([](const UpdateFrame& f) {
        if (f.command != 0x1C)
            return QByteArray();
        QByteArray bad = EncodeUpdateFrame(kCrc, 0x1C, "9.9.9");
        bad[bad.size() - 2] = char(bad[bad.size() - 2] ^ 1); // CRC off by one bit
        return bad;
    });
    const lumivo::UpdateResult r = RunExchange(server, 1);
    EXPECT_EQ(r.invalidFrames, 1);
    EXPECT_TRUE(r.newVersion.isEmpty());
    EXPECT_TRUE(r.closingSent);
    EXPECT_EQ(server.Commands(), (std::vector<int>{0x1C, 0xDE}));

    FakeUpdateServer silent([](const UpdateFrame&) { return QByteArray(); });
    const lumivo::UpdateResult s = RunExchange(silent, 1);
    EXPECT_EQ(s.framesReceived, 0);
    EXPECT_TRUE(s.closingSent);
    EXPECT_EQ(silent.Commands(), (std::vector<int>{0x1C, 0xDE}));
}

TEST(UpdateExchange, AcceptsOnlyHttpsAddressesWithAFileName)
{
    QString name;
    EXPECT_TRUE(lumivo::IsAcceptableUpdateAddress(QString::fromUtf8(kAddress), &name));
    EXPECT_EQ(name, QStringLiteral("lumivo-3.0.250.1.tar.gz"));
    EXPECT_EQ(lumivo::CheckUpdateAddress(QStringLiteral("HTTPS://host/a/b.deb")), lumivo::UpdateAddress::Accepted);
    EXPECT_EQ(lumivo::CheckUpdateAddress(QStringLiteral("http://host/a/b.deb")), lumivo::UpdateAddress::PlainHttp);
    EXPECT_EQ(lumivo::CheckUpdateAddress(QStringLiteral("http://host/")), lumivo::UpdateAddress::Refused);
    EXPECT_FALSE(lumivo::IsAcceptableUpdateAddress(QStringLiteral("file:///etc/passwd")));
    EXPECT_FALSE(lumivo::IsAcceptableUpdateAddress(QStringLiteral("ftp://host/x.tar.gz")));
    EXPECT_FALSE(lumivo::IsAcceptableUpdateAddress(QStringLiteral("/tmp/x.sh")));
    EXPECT_FALSE(lumivo::IsAcceptableUpdateAddress(QStringLiteral("https://host/")));
    EXPECT_FALSE(lumivo::IsAcceptableUpdateAddress(QStringLiteral("https:///x.sh")));
    EXPECT_FALSE(lumivo::IsAcceptableUpdateAddress(QStringLiteral("https://host/dir/..")));
}

class UpdateFlowTest : public AppTest {
protected:
    // Starts the program against server and waits for the exchange to end.
    lumivo::UpdateResult StartAgainst(FakeUpdateServer& server)
    {
        {
            QSettings s(options.settingsFile, QSettings::IniFormat);
            s.setValue("Update/Server", "127.0.0.1");
            s.setValue("Update/Port", server.Port());
            s.setValue("Update/AttemptWaitMs", 10);
        }
        lumivo::UpdateResult result;
        QObject guard;
        QObject::connect(&App(), &CLumivoApp::updateExchangeDone, &guard,
                         [&result](const lumivo::UpdateResult& r) { result = r; });
        QSignalSpy done(&App(), &CLumivoApp::updateExchangeDone);
        EXPECT_TRUE(Start());
        EXPECT_TRUE(done.wait(5000));
        return result;
    }
};

TEST_F(UpdateFlowTest, NoServerNoExchange)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(App().UpdateSocket(), nullptr);
}

TEST_F(UpdateFlowTest, DeclinedOfferDownloadsNothing)
{
    FakeUpdateServer server(Offering("3.0.250.1", kAddress));
    answerYes = false;
    StartAgainst(server);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], QStringLiteral("New version v3.0.250.1\nUpdate application?\n\n") +
                                QString::fromUtf8(kAddress));
    EXPECT_TRUE(downloads.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(App().UpdateSocket(), nullptr);
}

TEST_F(UpdateFlowTest, ConfirmedOfferDownloadsIntoAFreshFolderAndOpens)
{
    FakeUpdateServer server(Offering("3.0.250.1", kAddress));
    answerYes = true;
    StartAgainst(server);
    ASSERT_EQ(downloads.size(), 1);
    EXPECT_EQ(downloads[0].first, QString::fromUtf8(kAddress));
    const QFileInfo target(downloads[0].second);
    EXPECT_EQ(target.fileName(), QStringLiteral("lumivo-3.0.250.1.tar.gz"));
    EXPECT_TRUE(target.absolutePath().startsWith(QDir::tempPath()));
    EXPECT_EQ(opened, QStringList({downloads[0].second}));
    EXPECT_EQ(quitRequests, 1);
    QDir(target.absolutePath()).removeRecursively();
}

TEST_F(UpdateFlowTest, FailedDownloadIsNotOpened)
{
    FakeUpdateServer server(Offering("3.0.250.1", kAddress));
    answerYes = true;
    downloadWrites = false;
    StartAgainst(server);
    EXPECT_EQ(downloads.size(), 1);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(quitRequests, 0);
}

TEST_F(UpdateFlowTest, AddressThatIsNotAWebAddressIsNotOffered)
{
    FakeUpdateServer server(Offering("3.0.250.1", "file:///bin/sh"));
    answerYes = true;
    const lumivo::UpdateResult r = StartAgainst(server);
    EXPECT_EQ(r.downloadAddress, QByteArray("file:///bin/sh"));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(downloads.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(UpdateFlowTest, PlainHttpAddressIsRefusedAndSaysWhy)
{
    FakeUpdateServer server(Offering("3.0.250.1", "http://updates.example.invalid/files/lumivo.tar.gz"));
    answerYes = true;
    StartAgainst(server);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(downloads.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    // The start-up may have said other things (no content here); this one
    // says why and shows the address.
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().contains(QStringLiteral("Only https addresses are accepted")))
        << messages.last().toStdString();
    EXPECT_TRUE(messages.last().endsWith(QStringLiteral("http://updates.example.invalid/files/lumivo.tar.gz")));
    QFile trace(options.traceFile);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_TRUE(trace.readAll().contains("update address refused: plain http"));
}
