// SPDX-License-Identifier: GPL-2.0-or-later
// The reconcile loop on a fake board and a clock of the test's own: what it
// sends, reads back and reports, without threads or a serial line.
#include "reconciler.h"

#include "desired.h"
#include "hash.h"
#include "notification.h"

#include "core/project.h"
#include "core/text_image_project.h"

#include <common/text.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace agent;

std::vector<uint8_t> ReadExample(const char* name)
{
    const std::filesystem::path p = std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples" / name;
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A board that keeps what it is sent, answers or not as told, and can be
// changed behind the agent's back.
class FakeBoard final : public IBoardLink {
public:
    std::vector<uint8_t> held;
    bool answering = true;
    int exchanges = 0, sends = 0, readBacks = 0;
    lumivo::BoardValues board{1, 6, 'A', 1, 6};

    std::string Device() const override { return "fake"; }
    lumivo::Result Check(BoardInfo& info) override { return Answer(info); }
    lumivo::Result Send(const std::vector<uint8_t>& blob, BoardInfo& info) override
    {
        if (lumivo::Result r = Answer(info); !r)
            return r;
        ++sends;
        held = blob;
        return Answer(info);
    }
    lumivo::Result ReadBack(std::vector<uint8_t>& blob, BoardInfo& info) override
    {
        ++readBacks;
        blob = held;
        return Answer(info);
    }
    lumivo::Result WriteSettings(const std::map<std::string, std::string>&) override
    {
        BoardInfo info;
        return Answer(info);
    }
    lumivo::Result SetClock() override
    {
        BoardInfo info;
        return Answer(info);
    }
    // The texts of the items it holds, page by page.
    std::vector<std::string> Texts() const
    {
        lumivo::AdPages pages;
        lumivo::ReadAdBlob(held.data(), held.size(), pages);
        std::vector<std::string> out;
        for (const auto& page : pages) {
            std::u16string t;
            for (const CLumiChar& c : page.front().chars)
                if (c.code)
                    t += char16_t(c.code);
            out.push_back(common::Utf16ToUtf8(t) + (page.front().skip ? " (unused)" : ""));
        }
        return out;
    }

private:
    lumivo::Result Answer(BoardInfo& info)
    {
        ++exchanges;
        if (!answering)
            return lumivo::Result::Fail("no answer");
        lumivo::AdPages pages;
        lumivo::ReadAdBlob(held.data(), held.size(), pages);
        info.board = board;
        info.storedAds = unsigned(pages.size());
        info.blobLength = unsigned(held.size());
        return {};
    }
};

class Reconcile : public ::testing::Test {
protected:
    Reconcile()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lumivo-agent-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
        store = std::make_unique<CDesiredStore>(dir);
        ReconcileOptions o;
        o.checkPeriod = 10 * kSecond;
        o.readBackEvery = 3;
        loop = std::make_unique<CReconciler>(*store, fake, schedule, o);
    }
    ~Reconcile() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    void Push(const std::vector<uint8_t>& project)
    {
        ASSERT_TRUE(store->Change([&](DesiredState& d) {
            d.project = project;
            d.projectRevision = d.revision + 1;
            return lumivo::Result();
        }));
    }
    uint64_t Notify(const std::string& text, int priority, Ms duration, Ms ttl = 0)
    {
        Notification n;
        n.text = text;
        n.priority = priority;
        n.durationMs = duration;
        n.ttlMs = ttl;
        n.createdAt = now;
        EXPECT_TRUE(loop->CheckNotification(n));
        uint64_t id = 0;
        store->Change([&](DesiredState& d) {
            n.id = id = d.nextNotificationId++;
            d.notifications.push_back(n);
            return lumivo::Result();
        });
        return id;
    }
    // Runs the loop as the service does: at every instant it asks for, and
    // at least once a second, up to until.
    void RunUntil(Ms until)
    {
        while (now < until) {
            const Ms next = loop->Reconcile(now);
            now = std::min(until, std::max(now + 1, std::min(next, now + kSecond)));
        }
        loop->Reconcile(now);
    }

    std::filesystem::path dir;
    std::unique_ptr<CDesiredStore> store;
    FakeBoard fake;
    CUsesSchedule schedule;
    std::unique_ptr<CReconciler> loop;
    Ms now = 1'800'000'000'000;
};

TEST_F(Reconcile, PushedProjectIsSentOnceVerifiedAndLeftAloneWhileItHolds)
{
    EXPECT_GT(loop->Reconcile(now), now) << "nothing to send: the loop sleeps rather than spins";
    EXPECT_EQ(0, fake.sends) << "nothing asked for: the board keeps what it has";
    Push(ReadExample("welcome.qvndoc"));
    loop->Reconcile(now);
    const AgentStatus s = loop->Status();
    EXPECT_EQ(1, fake.sends);
    EXPECT_EQ(s.applied, ContentHash(fake.held));
    EXPECT_EQ(s.verified, s.applied);
    EXPECT_FALSE(s.drift);
    EXPECT_EQ(10u, s.pages.size());
    // Level-triggered: waking it again and again sends nothing more, and the
    // light checks only read the module information until a read-back is due.
    const int readBacks = fake.readBacks;
    for (int i = 0; i < 20; ++i)
        loop->Reconcile(now + i * 100);
    EXPECT_EQ(1, fake.sends);
    EXPECT_EQ(readBacks, fake.readBacks);
    RunUntil(now + 35 * kSecond);
    EXPECT_EQ(1, fake.sends);
    EXPECT_EQ(readBacks + 1, fake.readBacks) << "every third check reads back";
    ASSERT_EQ(1u, loop->PlayLog().size());
    EXPECT_EQ(s.applied, loop->PlayLog()[0].hash);
    EXPECT_NE(0, loop->PlayLog()[0].verifiedAt);
}

TEST_F(Reconcile, ABoardThatStopsAnsweringIsRetriedWithBackoffAndPutRightWhenBack)
{
    Push(ReadExample("welcome.qvndoc"));
    fake.answering = false;
    RunUntil(now + 60 * kSecond);
    AgentStatus s = loop->Status();
    EXPECT_EQ("unreachable", s.link);
    EXPECT_EQ("no answer", s.lastError);
    // 0.5, 1, 2, 4, 8, 8 ... seconds apart: about 11 tries in a minute, not a spin.
    EXPECT_GE(fake.exchanges, 8);
    EXPECT_LE(fake.exchanges, 14);
    // It comes back holding nothing (a power cycle): the state goes back on.
    fake.answering = true;
    fake.held.clear();
    RunUntil(now + 9 * kSecond);
    s = loop->Status();
    EXPECT_EQ("ok", s.link);
    EXPECT_EQ(s.verified, ContentHash(fake.held));
    EXPECT_EQ(10u, fake.Texts().size());
}

TEST_F(Reconcile, DriftBehindTheAgentsBackIsReportedWithinACheckAndPutRight)
{
    Push(ReadExample("welcome.qvndoc"));
    loop->Reconcile(now);
    const std::string good = loop->Status().verified;
    // Someone else sends the board other Ads.
    lumivo::CProjectCore other([](int) { return std::optional<std::vector<uint8_t>>(); });
    const std::vector<uint8_t> korean = ReadExample("korean.qvndoc");
    ASSERT_TRUE(other.LoadBytes(korean.data(), korean.size()));
    ASSERT_TRUE(other.PackAdBlob(fake.held));
    const Ms planted = now;
    while (loop->Status().driftCount == 0 && now < planted + 11 * kSecond)
        now += 500, loop->Reconcile(now);
    const AgentStatus s = loop->Status();
    EXPECT_EQ(1u, s.driftCount);
    EXPECT_LE(s.driftAt - planted, 10 * kSecond);
    EXPECT_NE(std::string::npos, s.driftWhat.find("Ads")) << s.driftWhat;
    RunUntil(now + kSecond);
    EXPECT_EQ(good, loop->Status().verified);
    EXPECT_FALSE(loop->Status().drift);
}

TEST_F(Reconcile, NotificationsPreemptByPriorityQueueByArrivalAndGiveTheScheduleBack)
{
    Push(ReadExample("welcome.qvndoc"));
    loop->Reconcile(now);
    const std::string scheduled = loop->Status().applied;
    const Ms start = now;
    const uint64_t low = Notify("LOW", 3, 10 * kSecond);
    const uint64_t same = Notify("SAME", 3, 5 * kSecond);
    loop->Reconcile(now);
    ASSERT_TRUE(loop->Status().notification);
    EXPECT_EQ(low, loop->Status().notification->id);
    EXPECT_EQ("LOW", fake.Texts().back());
    const std::vector<std::string> texts = fake.Texts();
    EXPECT_EQ(10, std::count_if(texts.begin(), texts.end(),
                                [](const std::string& t) { return t.find("(unused)") != std::string::npos; }));
    // A higher one pre-empts; the lower one's time pauses meanwhile.
    now += 4 * kSecond;
    const uint64_t high = Notify("HIGH", 8, 2 * kSecond);
    loop->Reconcile(now);
    EXPECT_EQ(high, loop->Status().notification->id);
    RunUntil(now + 2 * kSecond);
    EXPECT_EQ(low, loop->Status().notification->id) << "6 s of LOW are left";
    RunUntil(start + 11 * kSecond);
    EXPECT_EQ(low, loop->Status().notification->id);
    RunUntil(start + 12 * kSecond);
    EXPECT_EQ(same, loop->Status().notification->id) << "equal priorities wait their turn";
    RunUntil(start + 17 * kSecond);
    EXPECT_FALSE(loop->Status().notification);
    EXPECT_EQ(scheduled, loop->Status().applied);
    EXPECT_EQ(scheduled, loop->Status().verified);
    EXPECT_TRUE(store->Snapshot().notifications.empty());
}

TEST_F(Reconcile, AnUnsentNotificationPastItsTimeToLiveIsDroppedUnshown)
{
    Push(ReadExample("welcome.qvndoc"));
    loop->Reconcile(now);
    Notify("FIRST", 5, 0); // until deleted
    const uint64_t late = Notify("LATE", 5, 5 * kSecond, 3 * kSecond);
    loop->Reconcile(now);
    RunUntil(now + 4 * kSecond);
    const DesiredState d = store->Snapshot();
    ASSERT_EQ(1u, d.notifications.size());
    EXPECT_NE(late, d.notifications[0].id);
}

TEST_F(Reconcile, ARefusedNotificationNamesWhy)
{
    Push(ReadExample("welcome.qvndoc"));
    loop->Reconcile(now);
    Notification n;
    n.text = std::string(101, 'x');
    EXPECT_NE(std::string::npos, loop->CheckNotification(n).FirstError().find("100"));
    n.text = "\xe0\xb8\x81"; // a Thai letter: no glyph in the board's library
    EXPECT_FALSE(loop->CheckNotification(n));
    n.text = "\xed\x95\x9c\xea\xb8\x80 OK"; // Hangul draws
    EXPECT_TRUE(loop->CheckNotification(n)) << loop->CheckNotification(n).FirstError();
}

// An Image item of a user image the project lacks would show another
// picture or none: nothing is sent, and the status names the item.
TEST_F(Reconcile, AProjectWithAnItemOfAMissingPictureIsNotSent)
{
    lumivo::CProjectCore project;
    const std::vector<uint8_t> welcome = ReadExample("welcome.qvndoc");
    ASSERT_TRUE(project.LoadBytes(welcome.data(), welcome.size()));
    CLumivo image;
    const unsigned missing = project.UserImageCount();
    ASSERT_TRUE(lumivo::BuildUserImageItem(project, missing, 16, image));
    ASSERT_TRUE(project.AppendPage({image}));
    Push(project.Serialize());
    loop->Reconcile(now);
    EXPECT_EQ(0, fake.sends);
    const std::string expected = "Ad 11, item 1 (user image " + std::to_string(missing + 1) + ")";
    EXPECT_NE(std::string::npos, loop->Status().lastError.find(expected)) << loop->Status().lastError;
}

TEST_F(Reconcile, EachProjectIsCheckedWithTheBoardsLibraryLoadedOnceNotTheFilesFirst)
{
    int loads = 0;
    const lumivo::ContentLoader library = lumivo::DefaultContentLoader();
    CReconciler counted(*store, fake, schedule, {}, [&](int resource) {
        ++loads;
        return library(resource);
    });
    const std::vector<uint8_t> welcome = ReadExample("welcome.qvndoc");
    Push(welcome);
    counted.Reconcile(now);
    ASSERT_EQ(1, fake.sends);
    EXPECT_EQ(1, loads) << "the file's language is not the board's: only the board's library is read";
    const std::vector<uint8_t> first = fake.held;

    // The next project's missing picture is seen.
    lumivo::CProjectCore project;
    ASSERT_TRUE(project.LoadBytes(welcome.data(), welcome.size()));
    CLumivo image;
    ASSERT_TRUE(lumivo::BuildUserImageItem(project, project.UserImageCount(), 16, image));
    ASSERT_TRUE(project.AppendPage({image}));
    Push(project.Serialize());
    counted.Reconcile(now + kSecond);
    EXPECT_EQ(1, fake.sends);
    EXPECT_NE(std::string::npos, counted.Status().lastError.find("Ad 11")) << counted.Status().lastError;

    // A third one is sent as a fresh agent sends it.
    ASSERT_TRUE(project.LoadBytes(welcome.data(), welcome.size()));
    ASSERT_TRUE(project.SetPageUsed(0, false));
    Push(project.Serialize());
    counted.Reconcile(now + 2 * kSecond);
    EXPECT_EQ(2, fake.sends);
    EXPECT_EQ(3, loads) << "one library a project";
    FakeBoard other;
    CReconciler fresh(*store, other, schedule);
    fresh.Reconcile(now + 2 * kSecond);
    ASSERT_EQ(1, other.sends);
    EXPECT_EQ(other.held, fake.held);
    EXPECT_NE(first, fake.held);
}

TEST(DesiredStore, AChangeIsKeptWholeAndADamagedFileIsSetAside)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "lumivo-agent-XXXXXX").string();
    const std::filesystem::path dir = ::mkdtemp(tmpl.data());
    {
        CDesiredStore s(dir);
        ASSERT_TRUE(s.Load());
        ASSERT_TRUE(s.Change([](DesiredState& d) {
            d.project = {1, 2, 3, 0, 255};
            d.settings["beep"] = "off";
            Notification n;
            n.id = 7;
            n.text = "\xed\x95\x9c";
            n.effectW = 12;
            d.notifications.push_back(n);
            return lumivo::Result();
        }));
        // A refused change leaves the file and the state as they were.
        EXPECT_FALSE(s.Change([](DesiredState& d) {
            d.project.clear();
            return lumivo::Result::Fail("no");
        }));
    }
    CDesiredStore again(dir);
    ASSERT_TRUE(again.Load());
    const DesiredState d = again.Snapshot();
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 0, 255}), d.project);
    EXPECT_EQ("off", d.settings.at("beep"));
    ASSERT_EQ(1u, d.notifications.size());
    EXPECT_EQ(12u, *d.notifications[0].effectW);
    EXPECT_FALSE(d.notifications[0].effectS);

    std::ofstream(dir / "desired.json") << "{\"revision\": 1, \"proj";
    CDesiredStore damaged(dir);
    EXPECT_FALSE(damaged.Load());
    EXPECT_TRUE(std::filesystem::exists(dir / "desired.json.damaged"));
    EXPECT_TRUE(damaged.Snapshot().project.empty());
    std::filesystem::remove_all(dir);
}

TEST(NotifyRequest, FieldsAreCheckedAndNamed)
{
    struct Case {
        const char* body;
        const char* field;
    };
    const Case bad[] = {{"[1]", ""},
                        {"{\"text\":\"\"}", "text"},
                        {"{\"text\":\"a\",\"priority\":0}", "priority"},
                        {"{\"text\":\"a\",\"priority\":\"9\"}", "priority"},
                        {"{\"text\":\"a\",\"duration\":-1}", "duration"},
                        {"{\"text\":\"a\",\"ttl\":\"x\"}", "ttl"},
                        {"{\"text\":\"a\",\"color\":256}", "color"},
                        {"{\"text\":\"a\",\"start\":\"Nowhere 1\"}", "start"},
                        {"{\"text\":\"a\",\"wait\":{\"family\":\"Flow\",\"index\":999}}", "wait.index"},
                        {"{\"text\":\"a\",\"end\":70000}", "end"}};
    for (const Case& c : bad) {
        Notification n;
        RequestError e;
        EXPECT_FALSE(ParseNotifyRequest(c.body, n, e)) << c.body;
        EXPECT_EQ(c.field, e.field) << c.body;
    }
    Notification n;
    RequestError e;
    ASSERT_TRUE(ParseNotifyRequest(
        "{\"text\":\"Hi\",\"priority\":9,\"duration\":2.5,\"ttl\":60,\"start\":\"Flow 2\",\"end\":{\"family\":\"none\"}}", n,
        e))
        << e.message;
    EXPECT_EQ(9, n.priority);
    EXPECT_EQ(2500, n.durationMs);
    EXPECT_EQ(60000, n.ttlMs);
    unsigned flow2 = 0;
    ASSERT_TRUE(EffectCode(0, "Flow", 2, flow2));
    EXPECT_EQ(flow2, *n.effectS);
    EXPECT_TRUE(n.effectE);
}

} // namespace
