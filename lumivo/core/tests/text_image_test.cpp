// SPDX-License-Identifier: GPL-2.0-or-later
// Text in a font of the computer drawn into user images: the fonts shipped in
// tests/data/fonts, found by file and by name, shaped, checked for missing
// glyphs and drawn again from their stored recipes.
#include "test_support.h"

#include "core/font_face.h"
#include "core/player.h"
#include "core/text_image.h"
#include "core/text_image_project.h"
#include "core/text_recipe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using lumivo::TextPixels;
using lumivo::TextRecipe;

std::filesystem::path FontDir()
{
    return std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "lumivo" / "core" / "tests" / "data" / "fonts";
}
std::string Latin()
{
    return (FontDir() / "test-latin.ttf").string();
}
std::string LatinArabic()
{
    return (FontDir() / "test-latin-arabic.ttf").string();
}

TextRecipe Recipe(std::string text, std::string font, int height = 16)
{
    TextRecipe r;
    r.text = std::move(text);
    r.font = std::move(font);
    r.height = height;
    return r;
}

TextPixels Render(const TextRecipe& r, int maxHeight = 64)
{
    TextPixels px;
    const lumivo::Result result = lumivo::RenderTextPixels(r, maxHeight, px);
    EXPECT_TRUE(result.ok()) << result.FirstError();
    return px;
}

// One line of digits a row: the golden images' form, readable in a diff.
std::string AsText(const TextPixels& px)
{
    std::string out;
    for (int y = 0; y < px.height; ++y) {
        for (int x = 0; x < px.width; ++x) {
            const uint8_t n = px.nibbles[size_t(y) * size_t(px.width) + size_t(x)];
            out += n ? char('0' + n) : '.';
        }
        out += '\n';
    }
    return out;
}

bool ColumnBlank(const TextPixels& px, int x)
{
    for (int y = 0; y < px.height; ++y)
        if (px.nibbles[size_t(y) * size_t(px.width) + size_t(x)])
            return false;
    return true;
}

// The inked columns only, as text rows.
std::vector<std::string> InkColumns(const TextPixels& px)
{
    int left = 0, right = px.width - 1;
    while (left < px.width && ColumnBlank(px, left))
        ++left;
    while (right > left && ColumnBlank(px, right))
        --right;
    std::vector<std::string> rows;
    for (int y = 0; y < px.height; ++y) {
        std::string row;
        for (int x = left; x <= right; ++x)
            row += px.nibbles[size_t(y) * size_t(px.width) + size_t(x)] ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

TEST(TextImage, LatinTextInTheShippedFontMatchesItsGoldenImageDotForDot)
{
    TextRecipe r = Recipe("Lumivo 42!", Latin());
    r.color = 3;
    r.color2 = 4;
    const TextPixels px = Render(r);
    const std::filesystem::path golden = FontDir() / "golden-latin-16.txt";
    if (std::getenv("LUMIVO_RECORD_GOLDEN")) {
        std::ofstream(golden) << AsText(px);
        GTEST_SKIP() << "recorded " << golden;
    }
    std::ifstream in(golden);
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(want.str(), AsText(px));
    EXPECT_EQ(16, px.height);
    EXPECT_EQ(0, px.width % 2);
    // The smallest width: ink reaches the first column, and the last or the one before it.
    EXPECT_FALSE(ColumnBlank(px, 0));
    EXPECT_TRUE(!ColumnBlank(px, px.width - 1) || !ColumnBlank(px, px.width - 2));

    CRGX<8192> image;
    lumivo::MakeUserImage(px, image);
    EXPECT_EQ(CONTENT_IMAGE, image.header.type);
    EXPECT_EQ(px.width, image.header.width);
    EXPECT_EQ(1, image.header.frames);
    EXPECT_EQ(px.nibbles[0] << 4 | px.nibbles[1], image.data[0]);
}

TEST(TextImage, ArabicIsJoinedAndRunsRightToLeft)
{
    // Beh beh joined, and the same letters kept apart by a zero-width non-joiner.
    const TextPixels joined = Render(Recipe("\u0628\u0628", LatinArabic()));
    const TextPixels apart = Render(Recipe("\u0628\u200C\u0628", LatinArabic()));
    EXPECT_NE(AsText(joined), AsText(apart));
    const std::vector<std::string> ink = InkColumns(joined);
    int blankInside = 0;
    for (size_t x = 0; x < ink[0].size(); ++x) {
        bool blank = true;
        for (const std::string& row : ink)
            blank = blank && row[x] == '.';
        blankInside += blank;
    }
    EXPECT_EQ(0, blankInside) << "joined letters leave no gap\n" << AsText(joined);

    // Alef then beh: read right to left, alef stands at the right.
    const std::vector<std::string> alef = InkColumns(Render(Recipe("\u0627", LatinArabic())));
    const std::vector<std::string> beh = InkColumns(Render(Recipe("\u0628", LatinArabic())));
    const std::vector<std::string> both = InkColumns(Render(Recipe("\u0627 \u0628", LatinArabic())));
    ASSERT_GT(both[0].size(), alef[0].size() + beh[0].size());
    for (size_t y = 0; y < both.size(); ++y) {
        EXPECT_EQ(alef[y], both[y].substr(both[y].size() - alef[y].size())) << "row " << y;
        EXPECT_EQ(beh[y], both[y].substr(0, beh[y].size())) << "row " << y;
    }
}

TEST(TextImage, MissingGlyphsAreNamedAndTheSecondFontDrawsThem)
{
    TextPixels px;
    lumivo::Result r = lumivo::RenderTextPixels(Recipe("Caf\u00E9 \u00FC", Latin()), 64, px);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.HasMessage("U+00E9 \u00E9, U+00FC \u00FC")) << r.FirstError();
    EXPECT_EQ(0, px.width) << "nothing is drawn";

    TextRecipe withFallback = Recipe("Caf\u00E9 \u00FC", Latin());
    withFallback.fallbackFont = LatinArabic();
    r = lumivo::RenderTextPixels(withFallback, 64, px);
    ASSERT_TRUE(r.ok()) << r.FirstError();
    EXPECT_TRUE(r.HasMessage("U+00E9")) << "the characters drawn from the second font are named";
    EXPECT_TRUE(r.HasMessage("test-latin-arabic.ttf"));
    EXPECT_GT(px.width, Render(Recipe("Caf", Latin())).width + 8);

    // A character neither font has stops the drawing, naming it.
    withFallback.text = "A\u4E2D";
    r = lumivo::RenderTextPixels(withFallback, 64, px);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.HasMessage("U+4E2D \u4E2D")) << r.FirstError();
}

TEST(TextImage, TheStoredRecipeDrawsTheSameImageAgain)
{
    TextRecipe r = Recipe("Sale -50%", Latin(), 24);
    r.color = 1;
    r.color2 = 2;
    r.bold = true;
    r.outline = true;
    r.spacing = lumivo::Spacing::Fixed;
    r.fallbackFont = LatinArabic();
    lumivo::TextImageRecipes recipes;
    recipes.bySlot[0] = Recipe("first", Latin());
    recipes.bySlot[2] = r;
    const std::string stored = recipes.ToJson().dump();

    lumivo::TextImageRecipes read;
    ASSERT_TRUE(read.FromJson(nlohmann::json::parse(stored)).ok());
    ASSERT_EQ(r, read.bySlot.at(2));
    EXPECT_EQ(AsText(Render(r)), AsText(Render(read.bySlot.at(2))));
    // Bold, outline and fixed spacing each change the picture.
    TextRecipe plain = Recipe("Sale -50%", Latin(), 24);
    EXPECT_NE(AsText(Render(plain)), AsText(Render(r)));

    read.RemoveSlot(0);
    EXPECT_EQ(1u, read.bySlot.count(1)) << "later recipes move down with their images";

    // Damaged sections are refused whole.
    for (const char* bad : {R"({"images": 3})", R"({"images": [{"slot": 9, "text": "a", "font": "x", "height": 16, "color": 1}]})",
                            R"({"images": [{"slot": 0, "text": "a", "font": "x", "height": 16, "color": 8}]})",
                            R"({"images": [{"slot": 0, "text": 5, "font": "x", "height": 16, "color": 1}]})"}) {
        lumivo::TextImageRecipes kept = read;
        EXPECT_FALSE(kept.FromJson(nlohmann::json::parse(bad)).ok()) << bad;
        EXPECT_EQ(read.bySlot, kept.bySlot);
    }
}

TEST(TextImage, FontsAreFoundByNameThroughFontconfig)
{
    // A configuration of its own that knows only the shipped fonts.
    coretest::TempDir dir;
    std::ofstream(dir / "fonts.conf") << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << FontDir().string()
                                      << "</dir><cachedir>" << (dir / "cache").string() << "</cachedir></fontconfig>\n";
    setenv("FONTCONFIG_FILE", (dir / "fonts.conf").c_str(), 1);
    std::string file;
    lumivo::Result r = lumivo::ResolveFontFile("dejavu sans", file);
    ASSERT_TRUE(r.ok()) << r.FirstError();
    EXPECT_EQ(FontDir(), std::filesystem::path(file).parent_path());
    r = lumivo::ResolveFontFile("No Such Typeface", file);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.HasMessage("\"No Such Typeface\"")) << r.FirstError();
}

TEST(TextImage, BitmapFontsDrawAtTheirOwnSize)
{
    const std::string bdf = (FontDir() / "test-8.bdf").string();
    const TextPixels px = Render(Recipe("HI", bdf, 12));
    EXPECT_EQ(12, px.height);
    const std::vector<std::string> ink = InkColumns(px);
    // The strike's 8 rows centred in 12: two blank rows above, H's bar on row 3 of the strike.
    EXPECT_EQ("#...#..###", ink[3]);
    EXPECT_EQ("#####...#.", ink[5]);
    TextPixels none;
    const lumivo::Result r = lumivo::RenderTextPixels(Recipe("HI", bdf, 8), 8, none);
    EXPECT_TRUE(r.ok()) << r.FirstError();
}

TEST(TextImage, BadInputIsRefusedWithItsReason)
{
    coretest::TempDir dir;
    std::ofstream(dir / "junk.ttf") << "this is not a font";
    std::ofstream(dir / "broken.bdf") << "STARTFONT 2.1\nFONT x\nSIZE 8 75 75\nCHARS 99999999\nSTARTCHAR A\nBITMAP\nZZ\n";
    struct Case {
        TextRecipe recipe;
        int maxHeight;
        const char* reason;
    } cases[] = {
        {Recipe("Hi", (dir / "missing.ttf").string()), 64, "does not exist"},
        {Recipe("Hi", (dir / "junk.ttf").string()), 64, "is not a font"},
        {Recipe("Hi", (dir / "broken.bdf").string()), 64, "is not a font"},
        {Recipe("Hi", Latin(), 7), 64, "8 to 64"},
        {Recipe("Hi", Latin(), 40), 32, "8 to 32"},
        {Recipe("", Latin()), 64, "no text"},
        {Recipe("two\nlines", Latin()), 64, "one line"},
        {Recipe(std::string(300, 'x'), Latin()), 64, "at most 256"},
        {Recipe(std::string(200, 'W'), Latin(), 64), 64, "below 8176 bytes"},
        {Recipe("   ", Latin()), 64, "no dots"},
    };
    for (const Case& c : cases) {
        TextPixels px;
        const lumivo::Result r = lumivo::RenderTextPixels(c.recipe, c.maxHeight, px);
        EXPECT_FALSE(r.ok()) << c.reason;
        EXPECT_TRUE(r.HasMessage(c.reason)) << c.reason << ": " << r.FirstError();
    }
}

// The board shows an image still and centred, so a text wider than the
// board goes as board-wide pieces on Ads of their own: played one after the
// other, the board's frames side by side are the whole text, and the kept
// recipes draw each piece again.
TEST(TextImage, AWideTextSplitIntoBoardWidePiecesShowsWholeOnTheBoard)
{
    coretest::TestContent content;
    auto project = coretest::MakeProject(content);
    const int boardWidth = lumivo::BoardWidth(*project), boardHeight = lumivo::BoardHeight(*project);
    const TextRecipe recipe = Recipe("Grand opening today", Latin());
    const TextPixels whole = Render(recipe);
    ASSERT_GT(whole.width, boardWidth);
    const unsigned pieces = unsigned((whole.width + boardWidth - 1) / boardWidth);
    const std::string warning = lumivo::WiderThanBoardText(whole.width, boardWidth);
    EXPECT_NE(std::string::npos, warning.find(std::to_string(pieces) + " board-wide pieces")) << warning;

    std::vector<unsigned> slots;
    const lumivo::Result r = lumivo::AddSplitTextImage(*project, recipe, slots);
    ASSERT_TRUE(r.ok()) << r.FirstError();
    ASSERT_EQ(pieces, slots.size());
    ASSERT_EQ(pieces, project->PageCount());
    std::vector<std::string> shown(size_t(whole.height));
    for (unsigned page = 0; page < pieces; ++page) {
        lumivo::CPlayer player;
        player.SetContent(&project->Content());
        player.SetModuleSize(project->Board().moduleColumn, project->Board().moduleRow);
        player.Play(project->PageItems(page));
        player.Render();
        const int width = page + 1 < pieces ? boardWidth : whole.width - boardWidth * int(page);
        const int left = (boardWidth - width) / 2; // a narrower last piece stands centred
        for (int y = 0; y < boardHeight; ++y)
            for (int x = 0; x < boardWidth; ++x) {
                const bool lit = player.Board()[size_t(y) * size_t(boardWidth) + size_t(x)] != 0;
                if (y < whole.height && x >= left && x < left + width)
                    shown[size_t(y)] += lit ? '#' : '.';
                else
                    EXPECT_FALSE(lit) << "Ad " << page + 1 << " lights " << x << "," << y << " outside its piece";
            }
    }
    std::string expected, got;
    for (int y = 0; y < whole.height; ++y) {
        for (int x = 0; x < whole.width; ++x)
            expected += whole.nibbles[size_t(y) * size_t(whole.width) + size_t(x)] ? '#' : '.';
        expected += '\n';
        got += shown[size_t(y)] + '\n';
    }
    EXPECT_EQ(expected, got);

    const std::vector<CRGX<8192>> images = project->UserImages();
    for (unsigned slot : slots) {
        CRGX<8192> again;
        lumivo::MakeUserImage(Render(project->TextRecipes().bySlot.at(slot)), again);
        EXPECT_EQ(again.header.width, images[slot].header.width);
        EXPECT_EQ(0, std::memcmp(again.data, images[slot].data, sizeof again.data)) << "piece in slot " << slot;
    }

    // A right-to-left text reads from its rightmost piece; pieces that would
    // pass eight images are refused, changing nothing.
    const std::vector<uint8_t> before = project->Serialize();
    std::string arabic;
    for (int i = 0; i < 12; ++i)
        arabic += "\u0628\u0627\u0628 ";
    ASSERT_TRUE(lumivo::AddSplitTextImage(*project, Recipe(arabic, LatinArabic()), slots).ok());
    ASSERT_GE(slots.size(), 2u);
    EXPECT_GT(slots.front(), slots.back());
    const std::vector<uint8_t> full = project->Serialize();
    std::string sale;
    for (int i = 0; i < 30; ++i)
        sale += "Sale ";
    const lumivo::Result refused = lumivo::AddSplitTextImage(*project, Recipe(sale, Latin()), slots);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.HasMessage("pieces as wide as the board")) << refused.FirstError();
    EXPECT_EQ(full, project->Serialize());
    EXPECT_NE(before, full);
}

} // namespace
