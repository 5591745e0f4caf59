#include "ui/new_project_dlg.h"

#include <serio/widgets/serial_dialogs.h>
#include <serio/widgets/url_file_down_dlg.h>

#include <common/profile.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Installs an in-memory profile for the length of a test.
struct ScopedProfile {
    common::CMemoryProfile profile;
    ScopedProfile() { common::SetAppProfile(&profile); }
    ~ScopedProfile() { common::SetAppProfile(nullptr); }
};

} // namespace

TEST(NewProjectDlg, DefaultsWithoutSettings)
{
    ScopedProfile p;
    CNewProjectDlg dlg(3);
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("Lumivo3"));
    EXPECT_EQ(dlg.FolderEdit()->text(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    EXPECT_EQ(dlg.ModuleRowsSpin()->value(), 1);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->value(), 6);
    EXPECT_EQ(dlg.LanguageCombo()->currentText(), QStringLiteral("English"));
    EXPECT_EQ(dlg.ColumnClassCombo()->currentText(), QStringLiteral("Column 6~"));
    EXPECT_EQ(dlg.ModuleRowsSpin()->minimum(), 1);
    EXPECT_EQ(dlg.ModuleRowsSpin()->maximum(), 4);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->minimum(), 2);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->maximum(), 20);
    EXPECT_EQ(dlg.NameEdit()->maxLength(), 50);
    EXPECT_EQ(dlg.FolderEdit()->maxLength(), 260);
}

TEST(NewProjectDlg, SettingsChooseTheDefaults)
{
    ScopedProfile p;
    p.profile.WriteProfileString("Settings", "Project Path", "/srv/signs");
    p.profile.WriteProfileInt("Settings", "Module Row", 3);
    p.profile.WriteProfileInt("Settings", "Module Column", 14);
    p.profile.WriteProfileInt("Settings", "Language", 65);
    p.profile.WriteProfileInt("Settings", "Lumivo Column", 5);
    CNewProjectDlg dlg(0);
    EXPECT_EQ(dlg.FolderEdit()->text(), QStringLiteral("/srv/signs"));
    EXPECT_EQ(dlg.ModuleRowsSpin()->value(), 3);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->value(), 14);
    EXPECT_EQ(dlg.LanguageCombo()->currentText(), QStringLiteral("Korean"));
    EXPECT_EQ(dlg.ColumnClassCombo()->currentText(), QStringLiteral("Column 2~5"));

    // The result: content rows follow the module rows; the column class value.
    dlg.confirmReplace = [](const QString&) { return true; };
    dlg.FolderEdit()->setText(QDir::tempPath());
    dlg.NameEdit()->setText(QStringLiteral("lumivo-test-nonexistent-project"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const NewProjectResult& r = dlg.Result();
    EXPECT_EQ(r.moduleRows, 3);
    EXPECT_EQ(r.contentRows, 3);
    EXPECT_EQ(r.moduleColumns, 14);
    EXPECT_EQ(r.language, 65);
    EXPECT_EQ(r.contentColumns, 3);
    EXPECT_EQ(r.FilePath(), QDir(QDir::tempPath()).filePath("lumivo-test-nonexistent-project.qvndoc"));
}

TEST(NewProjectDlg, ExistingFileAsksBeforeReplacing)
{
    ScopedProfile p;
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("Shop.qvndoc")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    CNewProjectDlg dlg(1);
    QStringList asked;
    bool replace = false;
    dlg.confirmReplace = [&](const QString& path) {
        asked.append(path);
        return replace;
    };
    dlg.FolderEdit()->setText(dir.path());
    dlg.NameEdit()->setText(QStringLiteral("Shop"));
    dlg.ModuleColumnsSpin()->setValue(9);
    dlg.show();
    dlg.accept();
    EXPECT_EQ(asked, QStringList({existing.fileName()}));
    EXPECT_TRUE(dlg.isVisible()); // No: still open, values kept
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("Shop"));
    EXPECT_EQ(dlg.ModuleColumnsSpin()->value(), 9);
    EXPECT_TRUE(dlg.Result().name.isEmpty());

    replace = true;
    dlg.accept();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Result().name, QStringLiteral("Shop"));
    EXPECT_EQ(dlg.Result().moduleColumns, 9);
}

TEST(SerialDialogs, SetupKeepsValuesWithoutAnEntry)
{
    serio::SerialSettings s;
    s.eBaudrate = CSerial::EBaud14400; // not offered
    s.eParity = CSerial::EParEven;
    s.dwQueueSize = 1024;
    CSerialSetupDlg dlg(s);
    EXPECT_EQ(dlg.BaudList()->currentIndex(), -1);
    EXPECT_EQ(dlg.ParityList()->currentText(), QStringLiteral("even"));
    EXPECT_EQ(dlg.PacketList()->currentText(), QStringLiteral("1024"));
    EXPECT_EQ(dlg.DataList()->currentText(), QStringLiteral("8bits"));
    EXPECT_EQ(dlg.Settings().eBaudrate, CSerial::EBaud14400);

    // Choosing an entry stores its value at once.
    dlg.FlowList()->setCurrentIndex(dlg.FlowList()->findText(QStringLiteral("hardware")));
    dlg.StopList()->setCurrentIndex(dlg.StopList()->findText(QStringLiteral("2 bit")));
    EXPECT_EQ(dlg.Settings().eHandshake, CSerial::EHandshakeHardware);
    EXPECT_EQ(dlg.Settings().eStopBits, CSerial::EStop2);
    EXPECT_EQ(dlg.Settings().eBaudrate, CSerial::EBaud14400);
    EXPECT_EQ(dlg.Settings().dwQueueSize, 1024u);
}

TEST(SerialDialogs, ProgressWindowCannotBeClosedByTheUser)
{
    QWidget owner;
    owner.resize(400, 300);
    CPacketOwnerWidget packetOwner(&owner);
    std::unique_ptr<serio::ISerialProgress> progress = packetOwner.CreateProgressWindow("Send data...", 1000);
    ASSERT_NE(progress, nullptr);
    auto* dlg = owner.findChild<CSerialProgressDlg*>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Send data..."));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->Bar()->maximum(), 1000);

    QTest::keyClick(dlg, Qt::Key_Escape);
    QTest::keyClick(dlg, Qt::Key_Return);
    dlg->close();
    EXPECT_TRUE(dlg->isVisible());

    // The byte count arrives from another thread; the bar follows on refresh.
    std::thread([&] {
        progress->OnProgressMessage(640);
        progress->RefreshPosition();
    }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Bar()->value() == 640; }, 2000)) << dlg->Bar()->value();

    QPointer<CSerialProgressDlg> watch(dlg);
    progress.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.isNull(); }, 2000));

    CSerialProgressDlg reading(10, 0);
    EXPECT_EQ(reading.windowTitle(), QStringLiteral("Read data..."));
}

namespace {

// A one-file web server: each request gets body, with or without its
// length, or a 404.
class TinyHttpServer : public QObject {
public:
    enum class Mode { WithLength, WithoutLength, NotFound };
    TinyHttpServer(QByteArray body, Mode mode) : m_body(std::move(body)), m_mode(mode)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = m_server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                if (!s->readAll().contains("\r\n\r\n"))
                    return;
                ++requests;
                QByteArray head;
                if (m_mode == Mode::NotFound)
                    head = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
                else if (m_mode == Mode::WithLength)
                    head = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_body.size()) +
                           "\r\nConnection: close\r\n\r\n";
                else
                    head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
                s->write(head);
                if (m_mode != Mode::NotFound)
                    s->write(m_body);
                s->disconnectFromHost();
            });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        });
    }
    QString Url(const char* name) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(QLatin1String(name));
    }
    void SetMode(Mode mode) { m_mode = mode; }
    int requests = 0;

private:
    QTcpServer m_server;
    QByteArray m_body;
    Mode m_mode;
};

} // namespace

TEST(UrlFileDownDlg, ByteSizeTexts)
{
    EXPECT_EQ(CUrlFileDownDlg::FormatByteSize(0), QStringLiteral("0 bytes"));
    EXPECT_EQ(CUrlFileDownDlg::FormatByteSize(1023), QStringLiteral("1023 bytes"));
    EXPECT_EQ(CUrlFileDownDlg::FormatByteSize(1536), QStringLiteral("1.50 KB"));
    EXPECT_EQ(CUrlFileDownDlg::FormatByteSize(15 * 1024 + 100), QStringLiteral("15.0 KB"));
    EXPECT_EQ(CUrlFileDownDlg::FormatByteSize(150 * 1024 + 1000), QStringLiteral("150 KB"));
    EXPECT_EQ(CUrlFileDownDlg::FormatByteSize(1228800), QStringLiteral("1.17 MB"));
}

TEST(UrlFileDownDlg, DownloadsThenOffersUpdate)
{
    const QByteArray body(20000, 'x');
    TinyHttpServer server(body, TinyHttpServer::Mode::WithLength);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.bin"));
    CUrlFileDownDlg dlg(server.Url("new.bin"), path);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Download..."));
    EXPECT_EQ(dlg.StatusText()->text(), QStringLiteral("Downloaded 0.0KB of 0.0KB"));
    QSignalSpy ended(&dlg, &CUrlFileDownDlg::transferEnded);
    dlg.show();
    EXPECT_TRUE(dlg.UpdateButton()->isHidden());
    dlg.OnBtnDownload();
    EXPECT_FALSE(dlg.DownloadButton()->isEnabled());
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_TRUE(ended.at(0).at(0).toBool());
    EXPECT_TRUE(dlg.Succeeded());
    EXPECT_TRUE(dlg.DownloadButton()->isHidden());
    EXPECT_FALSE(dlg.UpdateButton()->isHidden());
    EXPECT_TRUE(dlg.UpdateButton()->isEnabled());
    EXPECT_EQ(dlg.ProgressBar()->value(), 100);
    EXPECT_EQ(dlg.StatusText()->text(), QStringLiteral("Downloaded 19.5 KB of 19.5 KB"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), body);
    dlg.UpdateButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(UrlFileDownDlg, UnknownLengthAndFailureAndRetry)
{
    TinyHttpServer server(QByteArray(3000, 'y'), TinyHttpServer::Mode::WithoutLength);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.bin"));
    CUrlFileDownDlg dlg(server.Url("f.bin"), path);
    QStringList shown;
    dlg.showMessage = [&](const QString& t) { shown.append(t); };
    QSignalSpy ended(&dlg, &CUrlFileDownDlg::transferEnded);
    dlg.show();
    dlg.UpdateProgress(1536, 0);
    EXPECT_EQ(dlg.StatusText()->text(), QStringLiteral("Downloaded 1.50 KB (total size unknown)"));
    EXPECT_EQ(dlg.ProgressBar()->value(), 0); // the bar stays where it was

    server.SetMode(TinyHttpServer::Mode::NotFound);
    dlg.OnBtnDownload();
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_FALSE(dlg.Succeeded());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Download failed.  Error = 0x0000")));
    EXPECT_FALSE(dlg.DownloadButton()->isHidden());
    EXPECT_TRUE(dlg.UpdateButton()->isHidden());
    EXPECT_FALSE(QFile::exists(path)); // nothing half-written is left
    EXPECT_TRUE(dlg.isVisible());

    // A second press starts again from 0 and succeeds.
    server.SetMode(TinyHttpServer::Mode::WithoutLength);
    dlg.ProgressBar()->setValue(40);
    dlg.DownloadButton()->click();
    EXPECT_EQ(dlg.ProgressBar()->value(), 0);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_TRUE(dlg.Succeeded());
    EXPECT_EQ(server.requests, 2);
    EXPECT_EQ(QFileInfo(path).size(), 3000);
}

TEST(UrlFileDownDlg, AutoCloseEndsWithOkEvenAfterAFailure)
{
    TinyHttpServer server({}, TinyHttpServer::Mode::NotFound);
    QTemporaryDir dir;
    CUrlFileDownDlg dlg(server.Url("gone.bin"), dir.filePath(QStringLiteral("gone.bin")));
    QStringList shown;
    dlg.showMessage = [&](const QString& t) { shown.append(t); };
    dlg.SetAutoStart(1);
    dlg.SetAutoClose(1);
    QSignalSpy finished(&dlg, &QDialog::finished);
    dlg.open();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.Succeeded()); // which is why the caller checks it
    EXPECT_TRUE(shown.isEmpty());
}
