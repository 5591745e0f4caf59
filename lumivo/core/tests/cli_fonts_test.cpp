// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli images text, images add with scaling and dithering, check, and
// the budget check of images send, end to end through the built tool.
#include "test_support.h"

#include "core/text_image.h"
#include "core/text_image_project.h"
#include "core/user_image_order.h"

#include <boardsim.h>

#include <fstream>

#include <png.h>

using namespace coretest;

namespace {

std::string FontFile(const char* name)
{
    return (std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "lumivo/core/tests/data/fonts" / name).string();
}

void WritePng(const std::filesystem::path& path, int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < width * height; ++i)
        rgb.insert(rgb.end(), {r, g, b});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr));
}

class CliFonts : public ::testing::Test {
protected:
    Outcome Call(std::vector<std::string> args) { return RunProgram("lumivo-cli", std::move(args), dir.path); }
    void SetUp() override
    {
        setenv("LUMIVO_CONTENT_DIR", (dir / "content").c_str(), 1);
        std::filesystem::create_directory(dir / "content");
        ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / "314.qvr", TinyContainer()));
        ASSERT_EQ(Call({"new", Project(), "--module-rows", "2"}).status, 0);
    }
    void TearDown() override { unsetenv("LUMIVO_CONTENT_DIR"); }
    std::string Project() const { return (dir / "p.qvndoc").string(); }
    std::unique_ptr<lumivo::CProjectCore> Load()
    {
        auto project = MakeProject(content);
        EXPECT_TRUE(project->LoadFile(Project()).ok());
        return project;
    }
    TestContent content;
    TempDir dir;
};

TEST_F(CliFonts, TextInAFontBecomesAPlacedUserImageOrIsRefusedNamingWhy)
{
    Outcome r = Call({"images", "text", Project(), "Hello", "--font", FontFile("test-latin.ttf"), "--height", "16",
                      "--color", "yellow,green"});
    ASSERT_EQ(0, r.status) << r.err;
    r = Call({"images", "text", Project(), "World", "--font", FontFile("test-latin.ttf"), "--page", "1"});
    ASSERT_EQ(0, r.status) << r.err;
    {
        auto project = Load();
        ASSERT_EQ(2u, project->UserImageCount());
        const CRGX<8192> first = project->UserImages()[0];
        EXPECT_EQ(16, first.header.height);
        EXPECT_EQ(0, first.header.width % 2);
        EXPECT_GT(first.header.width, 24);
        ASSERT_EQ(1u, project->PageCount()) << "the second text joined the first Ad";
        const std::vector<CLumivo> items = project->PageItems(0);
        ASSERT_EQ(2u, items.size());
        // Image indexes count the library's images first, then the user images.
        EXPECT_EQ(LUMIVO_IMAGE, items[0].type);
        EXPECT_EQ(items[0].chars[0].code + 1, items[1].chars[0].code);
    }

    // Refusals leave the file as it was, byte for byte.
    const std::vector<uint8_t> before = ReadAll(Project());
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"Caf\u00E9", "--font", FontFile("test-latin.ttf")}, 1, "U+00E9 \u00E9"},
        {{"Hi", "--font", FontFile("test-latin.ttf"), "--page", "1"}, 1, "no room"},
        {{"Hi", "--font", FontFile("test-latin.ttf"), "--page", "3"}, 1, "There is no Ad 3"},
        {{"Hi", "--font", (dir / "p.qvndoc").string()}, 1, "is not a font"},
        {{"Hi", "--font", FontFile("test-latin.ttf"), "--height", "40"}, 1, "8 to 32"},
        {{"Hi", "--font", FontFile("test-latin.ttf"), "--height", "7"}, 2, "--height"},
        {{"Hi", "--font", FontFile("test-latin.ttf"), "--color", "purple"}, 2, "--color"},
        {{"Hi"}, 2, "--font"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"images", "text", Project()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        r = Call(args);
        EXPECT_EQ(c.status, r.status) << c.says << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.says)) << r.err;
        EXPECT_EQ(before, ReadAll(Project())) << c.says;
    }

    // A second font draws what the first lacks, and says so.
    r = Call({"images", "text", Project(), "Caf\u00E9", "--font", FontFile("test-latin.ttf"), "--fallback",
              FontFile("test-latin-arabic.ttf")});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("warning: U+00E9")) << r.err;
    EXPECT_EQ(2u, Load()->PageCount());
}

// The board shows an image still and centred: --split cuts a wide text into
// pieces no wider than the board that together are the whole text, each a
// user image on a new last Ad of its own, after the Ads already there.
TEST_F(CliFonts, ASplitTextGoesAsBoardWidePiecesOneAdEach)
{
    ASSERT_EQ(0, Call({"images", "text", Project(), "Hi", "--font", FontFile("test-latin.ttf")}).status);
    lumivo::TextRecipe recipe;
    recipe.text = "Grand opening today";
    recipe.font = FontFile("test-latin.ttf");
    Outcome r = Call({"images", "text", Project(), recipe.text, "--font", recipe.font, "--split"});
    ASSERT_EQ(0, r.status) << r.err;
    auto project = Load();
    const int boardWidth = lumivo::BoardWidth(*project);
    lumivo::TextPixels whole;
    ASSERT_TRUE(lumivo::RenderTextPixels(recipe, lumivo::BoardHeight(*project), whole).ok());
    const unsigned pieces = unsigned((whole.width + boardWidth - 1) / boardWidth);
    ASSERT_GE(pieces, 2u);
    ASSERT_EQ(1 + pieces, project->PageCount());
    ASSERT_EQ(1 + pieces, project->UserImageCount());
    EXPECT_NE(std::string::npos, r.out.find("on Ads 2 to " + std::to_string(1 + pieces))) << r.out;
    const std::vector<CRGX<8192>> images = project->UserImages();
    const unsigned first = project->PageItems(0).at(0).chars[0].code; // user image 1
    int widths = 0;
    for (unsigned k = 0; k < pieces; ++k) {
        const std::vector<CLumivo> items = project->PageItems(1 + k);
        ASSERT_EQ(1u, items.size()) << "Ad " << 2 + k;
        EXPECT_EQ(first + 1 + k, items[0].chars[0].code) << "Ad " << 2 + k << " shows the next user image";
        EXPECT_LE(images[1 + k].header.width, boardWidth) << "piece " << k + 1;
        EXPECT_EQ(int(k), project->TextRecipes().bySlot.at(1 + k).piece);
        widths += images[1 + k].header.width;
    }
    EXPECT_EQ(whole.width, widths) << "the pieces side by side are the whole text";

    const std::vector<uint8_t> before = ReadAll(Project());
    r = Call({"images", "text", Project(), recipe.text, "--font", recipe.font, "--split", "--page", "1"});
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("--page")) << r.err;
    EXPECT_EQ(before, ReadAll(Project()));
}

TEST_F(CliFonts, PicturesAreScaledAndDitheredToTheChosenSize)
{
    WritePng(dir / "photo.png", 400, 300, 200, 40, 120);
    Outcome r = Call({"images", "add", Project(), (dir / "photo.png").string()});
    EXPECT_EQ(1, r.status) << "at its own size it is too large, as before";
    r = Call({"images", "add", Project(), (dir / "photo.png").string(), "--height", "16"});
    ASSERT_EQ(0, r.status) << r.err;
    r = Call({"images", "add", Project(), (dir / "photo.png").string(), "--fit", "fill", "--size", "32x16",
              "--convert", "diffusion"});
    ASSERT_EQ(0, r.status) << r.err;
    const std::vector<CRGX<8192>> images = Load()->UserImages();
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(22, images[0].header.width) << "16 rows, the width by the picture's shape";
    EXPECT_EQ(16, images[0].header.height);
    EXPECT_EQ(32, images[1].header.width);
    bool blue = false, red = false;
    for (int i = 0; i < 16 * 16; ++i)
        for (uint8_t n : {uint8_t(images[1].data[i] >> 4), uint8_t(images[1].data[i] & 15)}) {
            EXPECT_LT(n, 8);
            blue = blue || (n & 4);
            red = red || (n & 1);
        }
    EXPECT_TRUE(blue && red) << "a purple photograph dithers to red and blue dots";

    WritePng(dir / "line.png", 100000, 1, 255, 0, 0);
    r = Call({"images", "add", Project(), (dir / "line.png").string(), "--height", "16"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("16384")) << r.err;
    EXPECT_EQ(2, Call({"images", "add", Project(), (dir / "photo.png").string(), "--size", "33x16"}).status);
    EXPECT_EQ(2, Call({"images", "add", Project(), (dir / "photo.png").string(), "--convert", "dots"}).status);
}

TEST_F(CliFonts, AnOverSizeSetIsRefusedBeforeThePortOpens)
{
    auto project = Load();
    CRGX<8192> big;
    big.header.type = CONTENT_IMAGE;
    big.header.width = 128;
    big.header.height = 128;
    big.header.frames = 1;
    ASSERT_TRUE(project->ReplaceUserImages({big}).ok());
    ASSERT_TRUE(project->SaveFile(Project()).ok());
    const Outcome r = Call({"images", "send", Project(), "--device", (dir / "no-such-device").string()});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("User image 1 is 128 × 128 dots, 8192 bytes")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("below 8176")) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("no-such-device")) << "the port was never opened";
}

// Items name their picture by slot: a removal must not shift them onto the
// next picture.
TEST_F(CliFonts, RemovingAnImageKeepsTheOtherItemsOnTheirPictures)
{
    for (const char* text : {"One", "Two", "Three"})
        ASSERT_EQ(0, Call({"images", "text", Project(), text, "--font", FontFile("test-latin.ttf")}).status);
    std::vector<uint16_t> codes;
    for (unsigned page = 0; page < 3; ++page)
        codes.push_back(Load()->PageItems(page)[0].chars[0].code);

    Outcome r = Call({"images", "remove", Project(), "2"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Ad 2, item 1 showed user image 2")) << r.err;
    auto project = Load();
    ASSERT_EQ(2u, project->UserImageCount());
    EXPECT_EQ(codes[0], project->PageItems(0)[0].chars[0].code);
    EXPECT_EQ(codes[1], project->PageItems(2)[0].chars[0].code) << "the third picture's item moved down with it";
    // Codes count the library's images first, and the tool's library is not
    // the one loaded here: compare with the first slot's code.
    EXPECT_EQ(codes[0] + lumivo::kRemovedUserImage, project->PageItems(1)[0].chars[0].code)
        << "the removed picture's item shows the slot no image fills";
    EXPECT_EQ("Three", project->TextRecipes().bySlot.at(1).text);
    EXPECT_EQ(2u, project->TextRecipes().bySlot.size());
    r = Call({"check", Project()});
    EXPECT_EQ(3, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("Ad 2, item 1: The item shows no picture")) << r.out;
}

// An item whose picture was removed would show another picture or none:
// send refuses it before the port opens, and a sound project still goes.
TEST_F(CliFonts, ASendOfAnItemWhosePictureIsGoneIsRefusedBeforeAnyByteGoesOut)
{
    for (const char* text : {"One", "Two"})
        ASSERT_EQ(0, Call({"images", "text", Project(), text, "--font", FontFile("test-latin.ttf")}).status);
    TempDir state;
    boardsim::Options options;
    options.stateDir = state.path.string();
    boardsim::CBoardSim sim(options, nullptr);
    ASSERT_EQ(0, sim.Create());
    sim.Start();
    Outcome r = Call({"send", Project(), "--device", sim.DevicePath()});
    ASSERT_EQ(0, r.status) << r.err;
    const size_t frames = sim.Received().size();
    ASSERT_GT(frames, 0u);

    ASSERT_EQ(0, Call({"images", "remove", Project(), "1"}).status);
    r = Call({"send", Project(), "--device", sim.DevicePath()});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Not sent: the project holds 1 user images")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Ad 1, item 1 (user image 9)")) << r.err;
    // The schedule's way to the board refuses it as well.
    r = Call({"schedule", "apply", Project(), "--device", sim.DevicePath()});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Ad 1, item 1 (user image 9)")) << r.err;
    EXPECT_EQ(frames, sim.Received().size()) << "nothing reached the board";
    sim.Stop();
}

TEST_F(CliFonts, CheckNamesEveryCharacterThatWillNotShow)
{
    Outcome r = Call({"check", Project()});
    EXPECT_EQ(0, r.status) << r.out << r.err;
    ASSERT_EQ(0, Call({"add", Project(), "--type", "text", "--text", "A\u0E01"}).status);
    r = Call({"check", Project()});
    EXPECT_EQ(3, r.status) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Ad 1, item 1:")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\u0E01")) << r.out;

    // A text image whose font went away still shows, and the check names the font.
    std::filesystem::copy_file(FontFile("test-latin.ttf"), dir / "shop.ttf");
    auto project = Load();
    lumivo::TextRecipe recipe;
    recipe.text = "Shop";
    recipe.font = (dir / "shop.ttf").string();
    unsigned slot = 0;
    ASSERT_TRUE(lumivo::AddTextImage(*project, recipe, std::nullopt, slot).ok());
    EXPECT_TRUE(lumivo::CheckCharacters(*project).size() == 1);
    std::filesystem::remove(dir / "shop.ttf");
    const std::vector<lumivo::CharacterProblem> problems = lumivo::CheckCharacters(*project);
    ASSERT_EQ(2u, problems.size());
    EXPECT_EQ(1u, problems[1].page);
    EXPECT_NE(std::string::npos, problems[1].text.find("needs the font \"" + recipe.font + "\"")) << problems[1].text;
    EXPECT_EQ(1u, project->UserImageCount()) << "the image itself stays";
}

} // namespace
