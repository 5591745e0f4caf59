// SPDX-License-Identifier: GPL-2.0-or-later
// On a real X display (its CTest entry starts Xvfb), against a real
// mosquitto and a real agent with its simulated board: a project opened in
// the window is published to a group by keys alone, with its schedule, the
// dialog follows the sign until it is verified, the sign plays the entry in
// force, and the Fleet view shows it online and verified at the published
// revision. A wrong password is said plainly.
#include "xvfb_app_test.h"

#include "mqtt/broker.h"

#include "core/companion.h"
#include "ui/fleet_dock.h"
#include "ui/fleet_publish_dlg.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>

namespace {

using lumivo::Tr;

class FleetXvfb : public XvfbAppTest {
protected:
    // Into the field by its mnemonic, replacing what it holds.
    static void Fill(Qt::Key mnemonic, const QString& text)
    {
        Key(Qt::ALT | mnemonic);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    CFleetPublishDlg* WaitForDialog()
    {
        if (!QTest::qWaitFor([] { return qobject_cast<CFleetPublishDlg*>(QApplication::activeModalWidget()); }))
            return nullptr;
        auto* dlg = qobject_cast<CFleetPublishDlg*>(QApplication::activeModalWidget());
        return QTest::qWaitFor([dlg] { return dlg->isActiveWindow(); }) ? dlg : nullptr;
    }
    // The broker settings by keys; the password file is the user's.
    void FillBroker(const std::string& user, const std::string& passwordFile)
    {
        Fill(Qt::Key_H, QStringLiteral("127.0.0.1"));
        Fill(Qt::Key_O, QString::number(broker->port));
        Fill(Qt::Key_U, QString::fromStdString(user));
        Fill(Qt::Key_W, QString::fromStdString(passwordFile));
    }

    std::unique_ptr<mqtt_test::Broker> broker;
};

TEST_F(FleetXvfb, APublishByKeysIsFollowedUntilVerifiedAndTheFleetViewShowsTheSign)
{
    broker = std::make_unique<mqtt_test::Broker>(
        std::vector<mqtt_test::User>{{"headoffice", "head-secret"}, {"w/one", "pw"}});
    ASSERT_TRUE(broker->Start()) << agent_test::ReadText(broker->dir.path / "mosquitto.log");
    std::vector<std::string> args = broker->AgentArgs("w/one");
    args.insert(args.end(), {"--site", "w", "--sign", "one", "--group", "west", "--check-seconds", "2"});
    agent_test::AgentProcess agent(broker->dir.path / "agent", args);
    ASSERT_TRUE(agent.Start()) << agent.Log();
    mqtt_test::Probe head(broker->Options("headoffice"), {"lumivo/w/one/state"});
    ASSERT_TRUE(head.WaitConnected());
    // The sign has said which group it is in before head office publishes.
    ASSERT_TRUE(head.WaitFor("lumivo/w/one/state",
                             [](const agent::MqttMessage& m) {
                                 return nlohmann::json::parse(m.payload, nullptr, false).value("group", "") == "west";
                             },
                             10000))
        << agent.Log();

    const QString project = Path("shop.qvndoc");
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(qgetenv("LUMIVO_SOURCE_DIR")) + "/examples/chinese.qvndoc", project));
    QFile::setPermissions(project, QFile::ReadOwner | QFile::WriteOwner);
    // Its schedule, beside it: one entry in force all week, the second Ad alone.
    lumivo::ScheduleEntry always;
    always.name = "All week";
    always.pages = {1};
    always.start = 0;
    always.end = 24 * 60;
    lumivo::CCompanion companion;
    companion.SetSchedule(lumivo::Schedule{{always}, "UTC"});
    ASSERT_TRUE(companion.Write(project.toStdString()));
    options.contentLoader = nullptr;
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    openPath = project;
    Key(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(App().Document()->Core().PageCount(), 3u);

    // A wrong password: said plainly, and the dialog stays for another try.
    Key(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
    CFleetPublishDlg* dlg = WaitForDialog();
    ASSERT_NE(dlg, nullptr);
    const std::string wrong = (broker->dir.path / "wrong").string();
    std::ofstream(wrong) << "not-the-password\n";
    FillBroker("headoffice", wrong);
    Fill(Qt::Key_G, QStringLiteral("west"));
    Key(QKeyCombination(Qt::Key_Return));
    const QString badLogin = lumivo::TrFormat("Fleet", "ErrBadLogin", {QStringLiteral("127.0.0.1:%1").arg(broker->port)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->StatusText() == badLogin; }, 15000)) << dlg->StatusText().toStdString();
    EXPECT_FALSE(dlg->Running());

    // The right one: the sign applies and verifies it.
    Fill(Qt::Key_W, QString::fromStdString(broker->passwordFile.at("headoffice")));
    Key(Qt::ALT | Qt::Key_P);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->SignText("w/one") == Tr("Fleet", "Verified"); }, 30000))
        << dlg->StatusText().toStdString() << " / " << dlg->SignText("w/one").toStdString() << "\n"
        << agent.Log();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Running(); }, 5000));
    EXPECT_TRUE(dlg->StatusText().startsWith(lumivo::TrFormat("Fleet", "AllVerified", {"1", ""}).chopped(1)))
        << dlg->StatusText().toStdString();
    EXPECT_EQ(1u, agent_test::PlayedTexts(agent.SimState()).size()) << "the schedule's entry alone";
    EXPECT_EQ(App().Document()->UndoStack()->count(), 0) << "publishing changes nothing in the project";
    Key(QKeyCombination(Qt::Key_Escape));
    ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));

    // The published revision, as the sign reports it once verified: the
    // probe also holds the states sent before the sign had applied it.
    const auto state = head.WaitFor("lumivo/w/one/state",
                                    [](const agent::MqttMessage& m) {
                                        auto j = nlohmann::json::parse(m.payload, nullptr, false);
                                        return j.is_object() && j["desired"]["group"].is_number() &&
                                               j["verified"].is_string() && j.value("settled", false);
                                    },
                                    5000);
    ASSERT_TRUE(state);
    const nlohmann::json st = nlohmann::json::parse(state->payload);
    EXPECT_EQ(nlohmann::json::array({2}), st["pages"]) << st.dump();
    EXPECT_NE(st.value("why", "").find("\"All week\""), std::string::npos) << st.dump();
    const QString rev = QString::number(st["desired"]["group"].get<uint64_t>());

    // The Fleet view, with the broker the dialog remembered.
    if (!QTest::qWaitFor([frame] { return frame->isActiveWindow(); }, 500))
        frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    Key(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    CFleetDock* dock = frame->FleetDock();
    ASSERT_TRUE(QTest::qWaitFor([dock] { return dock->isVisible(); }));
    QTreeWidget* rows = dock->Rows();
    auto row = [rows]() -> QTreeWidgetItem* {
        const auto found = rows->findItems(QStringLiteral("w/one"), Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.front();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return row() && row()->text(5) == Tr("Fleet", "Yes"); }, 10000))
        << dock->StatusText().toStdString();
    EXPECT_EQ(Tr("Fleet", "Yes"), row()->text(1)) << "online";
    EXPECT_EQ(Tr("Fleet", "Yes"), row()->text(2)) << "board answering";
    EXPECT_EQ(lumivo::TrFormat("Fleet", "DesiredGroup", {rev}), row()->text(3));
    EXPECT_EQ(Tr("Fleet", "No"), row()->text(7)) << "no drift";

    // Live: the agent's will turns it offline in the view.
    agent.Kill(SIGKILL);
    EXPECT_TRUE(QTest::qWaitFor([&] { return row() && row()->text(1) == Tr("Fleet", "No"); }, 10000));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

} // namespace
