// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli render end to end: a clock page at a fixed time, written as a
// PNG, a GIF and a folder of frames, read back with the image libraries.
#include "test_support.h"

#include "core/player.h"

#include <gif_lib.h>
#include <png.h>

#include <optional>
#include <sstream>

using namespace coretest;

namespace {

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t At(unsigned x, unsigned y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

bool ReadPng(const std::filesystem::path& path, Picture& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    out.width = image.width;
    out.height = image.height;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
}

class Render : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir / "content");
        for (int r : {310, 311, 312, 314, 315, 316, 326, 327, 333})
            ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / (std::to_string(r) + ".qvr"), TinyContainer()));
        setenv("LUMIVO_CONTENT_DIR", (dir / "content").c_str(), 1);

        // A 64 x 32 board with an analog clock filling it.
        TestContent content;
        auto project = MakeProject(content);
        lumivo::BoardValues board{2, 4, 'E', 2, 6};
        ASSERT_TRUE(project->SetBoard(board));
        CLumivo clock;
        clock.type = LUMIVO_ANALOG;
        clock.height = 4;
        ASSERT_TRUE(project->AppendPage({clock}));
        project->SetProject(dir.path.string(), "clock");
        ASSERT_TRUE(project->SaveFile(file));
    }
    void TearDown() override { unsetenv("LUMIVO_CONTENT_DIR"); }
    Outcome Tool(std::vector<std::string> args) { return RunProgram("lumivo-cli", std::move(args), dir.path); }

    // The board the player shows at 03:00:00, drawn in this process.
    std::vector<uint32_t> Expected()
    {
        auto content = std::make_unique<CContent>();
        const std::vector<uint8_t>& bytes = TinyContainer();
        content->Initialize(bytes.data(), bytes.size());
        lumivo::CPlayer player;
        SYSTEMTIME t;
        t.wYear = 2026, t.wMonth = 1, t.wDay = 1, t.wHour = 3;
        player.SetClock(lumivo::VirtualClock(t).Function());
        player.SetContent(content.get());
        player.SetModuleSize(4, 2);
        CLumivo clock;
        clock.type = LUMIVO_ANALOG;
        clock.height = 4;
        player.Play({clock});
        player.Render();
        return std::vector<uint32_t>(player.Board(), player.Board() + 64 * 32);
    }

    TempDir dir;
    std::filesystem::path file = dir / "clock.qvndoc";
};

TEST_F(Render, APngIsTheLastFrameAtTheZoom)
{
    const Outcome r = Tool({"render", file.string(), "--page", "1", "--out", "end.png", "--seconds", "0.5",
                                        "--time", "03:00", "--zoom", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    Picture png;
    ASSERT_TRUE(ReadPng(dir / "end.png", png));
    ASSERT_EQ(png.width, 128u);
    ASSERT_EQ(png.height, 64u);
    const std::vector<uint32_t> board = Expected();
    unsigned lit = 0;
    for (unsigned y = 0; y < 64; ++y)
        for (unsigned x = 0; x < 128; ++x) {
            ASSERT_EQ(png.At(x, y), board[(y / 2) * 64 + x / 2]) << x << "," << y;
            lit += png.At(x, y) != 0;
        }
    // The face and three hands: well over a hundred LEDs, each 2 x 2.
    EXPECT_GT(lit, 4u * 100u);
    EXPECT_EQ(lit % 4, 0u);
    EXPECT_EQ(png.At(2 * 40, 2 * 15), 0xFF0000u); // the hour hand's end at three

    // The dot style: a dark background between the LEDs, unlit LEDs dim.
    ASSERT_EQ(Tool({"render", file.string(), "--out", "dots.png", "--seconds", "0.1", "--time", "03:00",
                                "--zoom", "8", "--dots"})
                  .status,
              0);
    Picture dots;
    ASSERT_TRUE(ReadPng(dir / "dots.png", dots));
    ASSERT_EQ(dots.width, 512u);
    EXPECT_EQ(dots.At(8 * 40 + 4, 8 * 15 + 4), 0xFF0000u); // a lit dot's middle
    EXPECT_NE(dots.At(8 * 40, 8 * 15), 0xFF0000u);        // its cell's corner
    const uint32_t unlit = dots.At(4, 4), corner = dots.At(0, 0);
    EXPECT_NE(unlit, 0u);
    EXPECT_NE(unlit, corner);
}

TEST_F(Render, AGifKeepsThePlayedTimeAndMergesEqualFrames)
{
    const Outcome r = Tool({"render", file.string(), "--out", "clock.gif", "--seconds", "2.5", "--time",
                                        "03:00:00", "--zoom", "3", "--fps", "50"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The clock asks for a paint from its first step delay (25 ms) on, every
    // tick: paints at 0, 25, 30 ... 2495 ms, whatever the frame rate. The
    // second hand moves at 1000 and 2000 ms, which are frame times.
    EXPECT_NE(r.out.find("496 paints"), std::string::npos) << r.out;
    int err = 0;
    GifFileType* gif = DGifOpenFileName((dir / "clock.gif").c_str(), &err);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 192);
    EXPECT_EQ(gif->SHeight, 96);
    ASSERT_EQ(gif->ImageCount, 3);
    std::vector<int> delays;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock gcb;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
        delays.push_back(gcb.DelayTime);
    }
    EXPECT_EQ(delays, (std::vector<int>{100, 100, 50}));
    // After the first frame only the second hand's rectangle is stored.
    EXPECT_LT(gif->SavedImages[1].ImageDesc.Width * gif->SavedImages[1].ImageDesc.Height, 192 * 96 / 4);
    DGifCloseFile(gif, &err);
}

// Every GIF frame, put together over the ones before as a viewer does it,
// shows exactly the PNG frame of the same time, in both styles.
TEST_F(Render, GifFramesShowWhatThePngFramesShow)
{
    // At zoom 8 the PNG is deflated in bands of a few LED rows, so that the
    // clock's hands change some bands and leave the ones below them alone.
    const std::pair<bool, const char*> styles[] = {{false, "3"}, {true, "3"}, {false, "8"}};
    for (const auto& [dots, zoom] : styles) {
        std::vector<std::string> common = {file.string(), "--seconds", "2.2", "--time", "03:00:00", "--zoom", zoom};
        if (dots)
            common.push_back("--dots");
        std::vector<std::string> a = {"render", "--out", "all.gif"}, b = {"render", "--out", "all/"};
        a.insert(a.end(), common.begin(), common.end());
        b.insert(b.end(), common.begin(), common.end());
        ASSERT_EQ(Tool(a).status, 0);
        ASSERT_EQ(Tool(b).status, 0);

        int err = 0;
        GifFileType* gif = DGifOpenFileName((dir / "all.gif").c_str(), &err);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        ASSERT_NE(gif->SColorMap, nullptr);
        const unsigned w = unsigned(gif->SWidth), h = unsigned(gif->SHeight);
        // The shown picture from each frame's start (in ms) on.
        std::vector<std::pair<unsigned, std::vector<uint32_t>>> shown;
        std::vector<uint32_t> canvas(size_t(w) * h, 0);
        unsigned at = 0, transparentFrames = 0;
        for (int i = 0; i < gif->ImageCount; ++i) {
            GraphicsControlBlock gcb{};
            ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
            const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
            transparentFrames += gcb.TransparentColor != NO_TRANSPARENT_COLOR;
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x) {
                    const int index = gif->SavedImages[i].RasterBits[size_t(y) * size_t(d.Width) + size_t(x)];
                    if (index == gcb.TransparentColor)
                        continue;
                    const GifColorType& c = gif->SColorMap->Colors[index];
                    canvas[size_t(d.Top + y) * w + size_t(d.Left + x)] = uint32_t(c.Red) << 16 | c.Green << 8 | c.Blue;
                }
            shown.emplace_back(at, canvas);
            at += unsigned(gcb.DelayTime) * 10;
        }
        DGifCloseFile(gif, &err);
        EXPECT_EQ(at, 2200u); // the delays add up to the time played
        EXPECT_GT(transparentFrames, 0u);

        const std::vector<uint8_t> list = ReadAll(dir / "all" / "times.txt");
        std::istringstream times(std::string(list.begin(), list.end()));
        std::string name;
        unsigned ms = 0, compared = 0;
        while (times >> name >> ms) {
            Picture png;
            ASSERT_TRUE(ReadPng(dir / "all" / name, png)) << name;
            ASSERT_EQ(png.width, w);
            size_t k = 0;
            while (k + 1 < shown.size() && shown[k + 1].first <= ms)
                ++k;
            for (unsigned y = 0; y < h; ++y)
                for (unsigned x = 0; x < w; ++x)
                    ASSERT_EQ(png.At(x, y), shown[k].second[size_t(y) * w + x]) << name << " " << x << "," << y;
            ++compared;
        }
        EXPECT_GT(compared, 50u) << dots;
        std::filesystem::remove_all(dir / "all");
    }
}

TEST_F(Render, AFolderHoldsTheFramesOnTheFrameTimesAndTheOptionsAreChecked)
{
    const Outcome r = Tool({"render", file.string(), "--out", "frames/", "--seconds", "0.1", "--time",
                                        "03:00", "--zoom", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> times = ReadAll(dir / "frames" / "times.txt");
    // Frames on the 20 ms grid, only where a paint came since the last one
    // (none between 0 and 20 ms).
    EXPECT_EQ(std::string(times.begin(), times.end()),
              "frame-0000.png 0\nframe-0001.png 40\nframe-0002.png 60\nframe-0003.png 80\n");
    Picture last;
    ASSERT_TRUE(ReadPng(dir / "frames" / "frame-0003.png", last));
    EXPECT_EQ(last.width, 64u);
    EXPECT_EQ(last.height, 32u);
    EXPECT_FALSE(std::filesystem::exists(dir / "frames" / "frame-0004.png"));

    EXPECT_EQ(Tool({"render", file.string(), "--out", "x.bmp"}).status, 2);
    EXPECT_EQ(Tool({"render", file.string(), "--out", "x.png", "--page", "0"}).status, 2);
    EXPECT_EQ(Tool({"render", file.string(), "--out", "x.png", "--seconds", "-1"}).status, 2);
    const Outcome missing = Tool({"render", file.string(), "--out", "x.png", "--page", "2"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("there is no page 2"), std::string::npos) << missing.err;
    const Outcome help = Tool({"render", "--help"});
    EXPECT_NE((help.out + help.err).find("numbered from 1"), std::string::npos);
}

// The output's frame rate samples the play; it never slows it. A long text
// starts at once (None), holds, then scrolls: its first moving frame comes
// at the same time at 5 and at 50 frames a second.
TEST(RenderPace, TheFrameRateDoesNotSlowTheAnimation)
{
    TempDir dir;
    const std::filesystem::path content =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "content";
    ASSERT_TRUE(std::filesystem::exists(content / "326.qvr")) << content;
    const char* before = std::getenv("LUMIVO_CONTENT_DIR");
    const std::optional<std::string> previous = before ? std::optional<std::string>(before) : std::nullopt;
    setenv("LUMIVO_CONTENT_DIR", content.c_str(), 1);
    auto tool = [&](std::vector<std::string> args) { return RunProgram("lumivo-cli", std::move(args), dir.path); };
    ASSERT_EQ(tool({"new", "pace.qvndoc", "--module-rows", "2", "--module-cols", "2"}).status, 0);
    ASSERT_EQ(tool({"add", "pace.qvndoc", "--type", "text", "--text", "A long text that scrolls", "--start", "100"})
                  .status,
              0);
    ASSERT_EQ(tool({"add", "pace.qvndoc", "--type", "text", "--text", "Hi", "--page", "0", "--start", "100"}).status,
              0);
    auto firstMove = [&](const std::string& fps) -> long {
        const std::string out = "fps" + fps + "/";
        const Outcome r = tool({"render", "pace.qvndoc", "--out", out, "--fps", fps, "--seconds", "14", "--zoom", "1"});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::vector<uint8_t> list = ReadAll(dir / out / "times.txt");
        std::istringstream times(std::string(list.begin(), list.end()));
        std::string name;
        long ms = 0;
        std::vector<uint8_t> previous;
        while (times >> name >> ms) {
            std::vector<uint8_t> frame = ReadAll(dir / out / name);
            EXPECT_FALSE(frame.empty()) << name;
            if (!previous.empty() && frame != previous)
                return ms;
            previous = std::move(frame);
        }
        return -1;
    };
    const long slow = firstMove("5"), fast = firstMove("50");
    if (previous)
        setenv("LUMIVO_CONTENT_DIR", previous->c_str(), 1);
    else
        unsetenv("LUMIVO_CONTENT_DIR");
    // The hold ends near 11.9 s; a frame every 200 ms shows it at the next one.
    EXPECT_GT(fast, 10000);
    EXPECT_LE(fast, slow);
    EXPECT_LT(slow, fast + 200);
}

} // namespace
