// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli schedule end to end: entries added, asked about, checked and
// carried through a calendar file; and "schedule run" keeping a simulated
// board on a pseudo-terminal at the schedule's state across its boundaries.
#include "test_support.h"

#include "core/companion.h"

#include <boardsim.h>

#include <chrono>
#include <csignal>
#include <thread>

using namespace coretest;

namespace {

class CliSchedule : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("LUMIVO_CONTENT_DIR", (dir / "content").c_str(), 1);
        // Wall-clock times in the tests are UTC: the schedule takes the system's zone.
        const char* tz = std::getenv("TZ");
        oldTz = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "UTC", 1);
        std::filesystem::create_directory(dir / "content");
        ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / "314.qvr", TinyContainer()));
        ASSERT_EQ(Call({"new", project}).status, 0);
        for (const char* text : {"Opening", "Breakfast", "Lunch"})
            ASSERT_EQ(Call({"add", project, "--type", "text", "--text", text}).status, 0);
    }
    void TearDown() override
    {
        unsetenv("LUMIVO_CONTENT_DIR");
        if (oldTz)
            setenv("TZ", oldTz->c_str(), 1);
        else
            unsetenv("TZ");
    }
    Outcome Call(std::vector<std::string> args) { return RunProgram("lumivo-cli", std::move(args), dir.path); }
    void AddTwoEntries()
    {
        Outcome r = Call({"schedule", "add", project, "--name", "Breakfast", "--pages", "2", "--start", "06:00",
                          "--end", "11:00", "--days", "daily"});
        ASSERT_EQ(r.status, 0) << r.err;
        r = Call({"schedule", "add", project, "--name", "Lunch", "--pages", "3", "--start", "11:00", "--end", "14:00"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    TempDir dir;
    std::string project = (dir / "shop.qvndoc").string();
    std::optional<std::string> oldTz;
};

TEST_F(CliSchedule, EntriesAreAddedAskedAboutCheckedAndCarriedThroughACalendar)
{
    Outcome r = Call({"schedule", "add", project, "--name", "Breakfast", "--pages", "1,3", "--start", "06:00", "--end",
                      "11:00", "--days", "Mon-Fri", "--except", "2026-12-25"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "entry 1 \"Breakfast\": Mon–Fri 06:00–11:00 except 1 day\n");
    ASSERT_TRUE(std::filesystem::exists(dir / "shop.lumivo.json")) << "saved with the project";

    r = Call({"schedule", "at", project, "2026-12-15 07:00", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"pages\":[1,3],\"entries\":[\"Breakfast\"],\"default\":false}\n");
    r = Call({"schedule", "at", project, "2026-12-25 07:00", "--json"});
    EXPECT_EQ(r.out, "{\"pages\":[1,2,3],\"entries\":[],\"default\":true}\n") << "the holiday: the Uses boxes";
    r = Call({"schedule", "next", project, "--now", "2026-12-15 05:00", "--count", "2"});
    EXPECT_EQ(r.out, "now 2026-12-15 05:00:00  Ads 1, 2, 3 (default)\n"
                     "2026-12-15 06:00:00  Ads 1, 3 (Breakfast)\n"
                     "2026-12-15 11:00:00  Ads 1, 2, 3 (default)\n");
    r = Call({"schedule", "show", project, "--now", "2026-12-15 05:00"});
    EXPECT_NE(r.out.find("Tue  .  .  .  .  .  .  1  1  1  1  1  .  "), std::string::npos) << r.out;

    // Refused input changes nothing.
    EXPECT_EQ(Call({"schedule", "add", project, "--name", "x", "--pages", "9", "--start", "01:00", "--end", "02:00"}).status, 1);
    r = Call({"schedule", "add", project, "--name", "x", "--pages", "1", "--start", "01:00", "--end", "01:00"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is empty"), std::string::npos) << r.err;
    EXPECT_EQ(Call({"schedule", "at", project, "1969-12-31 23:00"}).status, 2);

    r = Call({"schedule", "check", project, "--now", "2026-12-15 05:00"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;

    // Out to a calendar and back into a second project.
    r = Call({"schedule", "export", project, (dir / "shop.ics").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string other = (dir / "other.qvndoc").string();
    std::filesystem::copy_file(project, other);
    r = Call({"schedule", "import", other, (dir / "shop.ics").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Call({"schedule", "at", other, "2026-12-15 07:00", "--json"}).out,
              "{\"pages\":[1,3],\"entries\":[\"Breakfast\"],\"default\":false}\n");
    r = Call({"schedule", "import", other, (dir / "shop.ics").string(), "--merge"});
    EXPECT_EQ(r.out, "added 1 entry from " + (dir / "shop.ics").string() + "\n");
    std::filesystem::resize_file(dir / "shop.ics", 40);
    r = Call({"schedule", "import", other, (dir / "shop.ics").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("line "), std::string::npos) << r.err;
    EXPECT_NE(Call({"schedule", "show", other}).out.find("2 entries"), std::string::npos) << "nothing replaced";

    // An entry whose Ad is gone is flagged with status 3.
    lumivo::CCompanion c;
    ASSERT_TRUE(c.Read(project));
    lumivo::Schedule s = c.GetSchedule();
    s.entries[0].pages = {7};
    c.SetSchedule(s);
    ASSERT_TRUE(c.Write(project));
    r = Call({"schedule", "check", project, "--now", "2026-12-15 05:00"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("entry 1 \"Breakfast\" names Ad 8, which does not exist"), std::string::npos) << r.out;
}

// schedule render plays the Ads of the instant through render's own path:
// the same bytes as rendering that page alone, and the instant's Ads named.
TEST_F(CliSchedule, RenderPlaysTheAdsShownAtTheInstant)
{
    AddTwoEntries();
    const std::string scheduled = (dir / "at.gif").string(), page = (dir / "page.gif").string();
    Outcome r = Call({"schedule", "render", project, "--at", "2026-12-15 07:00", "--out", scheduled, "--seconds", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Ad 2 (Breakfast) at 2026-12-15 07:00:00: 1.000 s played"), std::string::npos) << r.out;
    r = Call({"render", project, "--page", "2", "--time", "07:00", "--out", page, "--seconds", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(scheduled), ReadAll(page));
    r = Call({"schedule", "render", project, "--out", scheduled});
    EXPECT_EQ(r.status, 2) << "no --at";
    r = Call({"schedule", "render", project, "--at", "2026-12-15 07:00", "--out", (dir / "x.bmp").string()});
    EXPECT_EQ(r.status, 2) << r.err;
}

// The pages whose Uses byte is set in the board's Ad blob (1-based).
std::vector<unsigned> UsedOnBoard(const boardsim::CBoardSim& sim)
{
    lumivo::AdPages pages;
    std::vector<unsigned> used;
    const std::vector<BYTE> blob = sim.AdBlob();
    if (blob.empty() || !lumivo::ReadAdBlob(blob.data(), blob.size(), pages))
        return used;
    for (size_t p = 0; p < pages.size(); ++p)
        if (!pages[p].empty() && pages[p][0].skip == 0)
            used.push_back(static_cast<unsigned>(p + 1));
    return used;
}

// Waits until the board shows `pages`; the seconds it took, or -1 after `limit` seconds.
double WaitFor(const boardsim::CBoardSim& sim, const std::vector<unsigned>& pages, double limit)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (UsedOnBoard(sim) == pages)
            return s;
        if (s > limit)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// lumivo-cli started in the background; ended and waited for by its owner.
struct Background {
    Background(std::vector<std::string> args, const std::filesystem::path& dir)
        : pid(StartProgram("lumivo-cli", std::move(args), dir, "run.out", "run.err"))
    {
    }
    int Wait()
    {
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid) {
            pid = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return -1;
    }
    ~Background()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            Wait();
        }
    }
    pid_t pid = 0;
};

TEST_F(CliSchedule, RunKeepsASimulatedBoardAtTheScheduleAndCatchesUpABoardSwitchedOnLate)
{
    AddTwoEntries();
    TempDir state;
    const std::filesystem::path link = dir / "board";
    boardsim::Options options;
    options.stateDir = state.path.string();

    {
        auto sim = std::make_unique<boardsim::CBoardSim>(options, nullptr);
        ASSERT_EQ(sim->Create(), 0);
        std::filesystem::create_symlink(sim->DevicePath(), link);
        sim->Start();
        // Breakfast until 11:00, three seconds after the start; then lunch.
        Background run({"schedule", "run", project, "--device", link.string(), "--now", "2026-12-15 10:59:57",
                        "--poll", "1", "--for", "9"},
                       dir.path);
        EXPECT_GE(WaitFor(*sim, {2}, 3), 0) << "breakfast at the start";
        // The board's clock was set to the schedule's time, not the computer's:
        // year 26, 15 December, a Tuesday (3), 10:59.
        const std::vector<BYTE> clock = sim->Clock();
        ASSERT_EQ(clock.size(), 7u);
        EXPECT_EQ(std::vector<BYTE>(clock.begin(), clock.begin() + 6), (std::vector<BYTE>{26, 12, 15, 3, 10, 59}));
        const double lunch = WaitFor(*sim, {3}, 9);
        EXPECT_GE(lunch, 0) << "lunch after the boundary";
        EXPECT_LE(lunch, 8) << "within 5 s of the boundary";
        EXPECT_EQ(run.Wait(), 0);
        sim->Stop();
        std::filesystem::remove(link);
    }
    const std::vector<uint8_t> out = ReadAll(dir / "run.out");
    const std::string log(out.begin(), out.end());
    EXPECT_NE(log.find("Ad 2 (Breakfast): sent"), std::string::npos) << log;
    EXPECT_NE(log.find("2026-12-15 11:00:0"), std::string::npos) << log;
    EXPECT_NE(log.find("Ad 3 (Lunch): sent"), std::string::npos) << log;

    // Lunch ends at 14:00, two seconds after the start, while no board is
    // there; the board that comes afterwards still holds lunch and is
    // brought to the default set at its first connection.
    Background run({"schedule", "run", project, "--device", link.string(), "--now", "2026-12-15 13:59:58", "--poll",
                    "1", "--for", "9"},
                   dir.path);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    auto sim = std::make_unique<boardsim::CBoardSim>(options, nullptr);
    ASSERT_EQ(sim->Create(), 0);
    EXPECT_EQ(UsedOnBoard(*sim), std::vector<unsigned>{3}) << "it kept lunch";
    std::filesystem::create_symlink(sim->DevicePath(), link);
    sim->Start();
    const double caught = WaitFor(*sim, {1, 2, 3}, 5);
    EXPECT_GE(caught, 0) << "the current state at the first connection";
    EXPECT_EQ(run.Wait(), 0);
    sim->Stop();
}

} // namespace
