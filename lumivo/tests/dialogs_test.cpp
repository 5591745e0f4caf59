// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/new_project_dlg.h"

#include <serio/widgets/serial_dialogs.h>

#include <common/globalization.h>
#include <common/profile.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
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
    CGlobalization::SelectLanguage(u"English");
    CNewProjectDlg dlg(3);
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("Lumivo3"));
    // The Documents folder (made when missing), not a Desktop that may not exist.
    EXPECT_EQ(dlg.FolderEdit()->text(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_TRUE(QFileInfo(dlg.FolderEdit()->text()).isDir());
    EXPECT_EQ(dlg.ModuleRowsSpin()->value(), 1);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->value(), 6);
    EXPECT_EQ(dlg.LanguageCombo()->currentText(), QStringLiteral("Latin and Chinese")); // a desktop not in Korean
    EXPECT_EQ(dlg.ColumnClassCombo()->currentText(), QStringLiteral("Column 6~"));
    EXPECT_EQ(dlg.ModuleRowsSpin()->minimum(), 1);
    EXPECT_EQ(dlg.ModuleRowsSpin()->maximum(), 4);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->minimum(), 2);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->maximum(), 20);
    EXPECT_EQ(dlg.NameEdit()->maxLength(), 50);
    EXPECT_EQ(dlg.FolderEdit()->maxLength(), 260);
}

// A new project proposes the content language of the desktop's locale.
// CTest runs this under a Korean and a Chinese locale; elsewhere it is skipped.
TEST(NewProjectDlg, ContentLanguageFollowsTheDesktopLocale)
{
    const QByteArray locale = qgetenv("LC_ALL");
    if (!locale.startsWith("ko") && !locale.startsWith("zh"))
        GTEST_SKIP() << "run with LC_ALL set to a Korean or a Chinese locale";
    ScopedProfile p;
    CGlobalization::SelectLanguage(u"English");
    CNewProjectDlg dlg(1);
    dlg.show();
    EXPECT_EQ(dlg.LanguageCombo()->currentText(),
              locale.startsWith("ko") ? QStringLiteral("Korean") : QStringLiteral("Latin and Chinese"));
}

TEST(NewProjectDlg, TheProposedNameCountsFromOneAndPassesOverExistingFiles)
{
    ScopedProfile p;
    QTemporaryDir dir;
    p.profile.WriteProfileString("Settings", "Project Path", dir.path().toStdString());
    EXPECT_EQ(CNewProjectDlg(0).NameEdit()->text(), QStringLiteral("Lumivo1"));
    EXPECT_EQ(CNewProjectDlg(1).NameEdit()->text(), QStringLiteral("Lumivo1"));
    for (const char* name : {"Lumivo1.qvndoc", "Lumivo2.qvndoc", "Lumivo4.qvndoc", "Lumivo3.txt"}) {
        QFile f(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(CNewProjectDlg(1).NameEdit()->text(), QStringLiteral("Lumivo3"));
    EXPECT_EQ(CNewProjectDlg(4).NameEdit()->text(), QStringLiteral("Lumivo5"));
    EXPECT_EQ(CNewProjectDlg(7).NameEdit()->text(), QStringLiteral("Lumivo7"));
}

TEST(NewProjectDlg, SettingsChooseTheDefaults)
{
    ScopedProfile p;
    QTemporaryDir last;
    CGlobalization::SelectLanguage(u"English");
    p.profile.WriteProfileString("Settings", "Project Path", last.path().toStdString());
    p.profile.WriteProfileInt("Settings", "Module Row", 3);
    p.profile.WriteProfileInt("Settings", "Module Column", 14);
    p.profile.WriteProfileInt("Settings", "Language", 65);
    p.profile.WriteProfileInt("Settings", "Lumivo Column", 5);
    CNewProjectDlg dlg(0);
    EXPECT_EQ(dlg.FolderEdit()->text(), last.path());
    EXPECT_EQ(dlg.ModuleRowsSpin()->value(), 3);
    EXPECT_EQ(dlg.ModuleColumnsSpin()->value(), 14);
    EXPECT_EQ(dlg.LanguageCombo()->currentText(), QStringLiteral("Korean"));
    EXPECT_EQ(dlg.ColumnClassCombo()->currentText(), QStringLiteral("Column 2~5"));

    // The content rows shown are those the project gets: the module rows.
    EXPECT_EQ(dlg.ContentRowsLabel()->text(), QStringLiteral("3"));
    dlg.ModuleRowsSpin()->setValue(2);
    EXPECT_EQ(dlg.ContentRowsLabel()->text(), QStringLiteral("2"));
    dlg.ModuleRowsSpin()->setValue(3);

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
    CGlobalization::SelectLanguage(u"English"); // the titles come from the language files
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
