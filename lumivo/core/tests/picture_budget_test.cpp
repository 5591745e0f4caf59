// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures fitted and turned into the board's eight colours, and the
// controller's budget of user images, down to a refused send.
#include "board_fixture.h"

#include "core/image_budget.h"
#include "core/picture_convert.h"

#include <qvr/content.h>

#include <array>
#include <set>

#include <gtest/gtest.h>

namespace {

using lumivo::Conversion;
using lumivo::FitMode;
using lumivo::Rgb24Picture;

Rgb24Picture Flat(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    Rgb24Picture p;
    p.width = w;
    p.height = h;
    for (int i = 0; i < w * h; ++i)
        p.bgr.insert(p.bgr.end(), {b, g, r});
    return p;
}

uint8_t Nibble(const CUserRGX& image, int x, int y)
{
    const uint8_t b = image.data[size_t(y) * (image.header.width / 2) + size_t(x / 2)];
    return (x & 1) ? b & 0xF : b >> 4;
}

TEST(PictureConvert, DitheringGivesTheEightColoursAndAFlatColourStaysFlat)
{
    // A smooth sweep of every channel: both dithers light only bits 0-2.
    Rgb24Picture sweep;
    sweep.width = 64;
    sweep.height = 32;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            sweep.bgr.insert(sweep.bgr.end(), {uint8_t((x + 2 * y) * 3), uint8_t(y * 8), uint8_t(x * 4)});
    for (Conversion c : {Conversion::Ordered, Conversion::Diffusion}) {
        CUserRGX image;
        ASSERT_TRUE(lumivo::ConvertPicture(sweep, c, lumivo::kDefaultThresholds, image).ok());
        std::set<uint8_t> seen;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
                seen.insert(Nibble(image, x, y));
        EXPECT_LE(*seen.rbegin(), 7);
        EXPECT_GE(seen.size(), 6u) << "a sweep of colours uses most of the eight";
    }
    for (int colour = 0; colour < 8; ++colour) {
        const Rgb24Picture flat = Flat(30, 20, colour & 1 ? 255 : 0, colour & 2 ? 255 : 0, colour & 4 ? 255 : 0);
        for (Conversion c : {Conversion::Ordered, Conversion::Diffusion}) {
            CUserRGX image;
            ASSERT_TRUE(lumivo::ConvertPicture(flat, c, lumivo::kDefaultThresholds, image).ok());
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 30; ++x)
                    ASSERT_EQ(colour, Nibble(image, x, y)) << "colour " << colour << " at " << x << "," << y;
        }
    }
    // Mid grey comes out as a pattern of half its dots lit.
    CUserRGX grey;
    ASSERT_TRUE(lumivo::ConvertPicture(Flat(32, 32, 128, 128, 128), Conversion::Ordered, 0, grey).ok());
    int lit = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            lit += Nibble(grey, x, y) == 7;
    EXPECT_EQ(512, lit);
}

TEST(PictureConvert, FitFillAndStretchPlaceThePicture)
{
    // Left half red, right half green, twice as wide as high.
    Rgb24Picture two;
    two.width = 200;
    two.height = 100;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            two.bgr.insert(two.bgr.end(), {0, uint8_t(x < 100 ? 0 : 255), uint8_t(x < 100 ? 255 : 0)});
    auto at = [](const Rgb24Picture& p, int x, int y) {
        const uint8_t* px = p.bgr.data() + (size_t(y) * size_t(p.width) + size_t(x)) * 3;
        return std::array<int, 3>{px[2], px[1], px[0]};
    };
    Rgb24Picture out;
    ASSERT_TRUE(lumivo::FitPicture(two, 32, 32, FitMode::Fit, out).ok());
    EXPECT_EQ((std::array<int, 3>{0, 0, 0}), at(out, 5, 2)) << "dark above the fitted picture";
    EXPECT_EQ((std::array<int, 3>{255, 0, 0}), at(out, 5, 16));
    EXPECT_EQ((std::array<int, 3>{0, 255, 0}), at(out, 26, 16));
    ASSERT_TRUE(lumivo::FitPicture(two, 32, 32, FitMode::Fill, out).ok());
    EXPECT_EQ((std::array<int, 3>{255, 0, 0}), at(out, 0, 0)) << "filled to the corners, the sides cut";
    EXPECT_EQ((std::array<int, 3>{0, 255, 0}), at(out, 31, 31));
    ASSERT_TRUE(lumivo::FitPicture(two, 64, 16, FitMode::Stretch, out).ok());
    EXPECT_EQ((std::array<int, 3>{255, 0, 0}), at(out, 31, 0));
    EXPECT_EQ((std::array<int, 3>{0, 255, 0}), at(out, 32, 15));

    int w = 0, h = 0;
    lumivo::DefaultPictureSize(4000, 3000, 16, w, h);
    EXPECT_EQ(22, w);
    EXPECT_EQ(16, h);
    lumivo::DefaultPictureSize(100000, 1, 32, w, h);
    EXPECT_TRUE(lumivo::FitsUserImage(w, h)) << w << " x " << h;
    EXPECT_NE("", lumivo::PictureSizeProblem(100000, 1));
    EXPECT_NE("", lumivo::PictureSizeProblem(0, 0));
    EXPECT_EQ("", lumivo::PictureSizeProblem(4000, 3000));
}

CRGX<8192> Sized(int w, int h)
{
    CRGX<8192> image;
    image.header.type = CONTENT_IMAGE;
    image.header.width = uint16_t(w);
    image.header.height = uint16_t(h);
    image.header.frames = 1;
    return image;
}

std::vector<BYTE> BlobOf(const std::vector<CRGX<8192>>& images)
{
    auto content = std::make_unique<CContent>();
    for (const CRGX<8192>& image : images)
        content->InsertUserImage(&image);
    std::vector<BYTE> blob(size_t(content->GetUserImageLZO(nullptr)));
    content->GetUserImageLZO(blob.data(), blob.size());
    return blob;
}

TEST(UserImageBudget, TheMeterCountsAndTheNinthAndOverSizeImagesAreRefused)
{
    std::vector<CRGX<8192>> images(5, Sized(142, 112));
    EXPECT_EQ("5 of 8 images, 61 % of the memory", lumivo::UserImageMeterText(lumivo::MeasureUserImages(images)));
    EXPECT_TRUE(lumivo::CheckUserImageBudget(images).ok());

    std::vector<CRGX<8192>> nine(9, Sized(16, 16));
    lumivo::Result r = lumivo::CheckUserImageBudget(nine);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.HasMessage("holds 9 user images; the board takes at most 8")) << r.FirstError();

    images.push_back(Sized(128, 128));
    r = lumivo::CheckUserImageBudget(images);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.HasMessage("User image 6 is 128 × 128 dots, 8192 bytes")) << r.FirstError();
    EXPECT_TRUE(r.HasMessage("below 8176 bytes"));
    const std::vector<BYTE> blob = BlobOf(images);
    EXPECT_FALSE(lumivo::CheckUserImageBlob(blob.data(), blob.size()).ok());
    const std::vector<BYTE> good = BlobOf({Sized(128, 126)});
    EXPECT_TRUE(lumivo::CheckUserImageBlob(good.data(), good.size()).ok());
    EXPECT_FALSE(lumivo::CheckUserImageBlob(good.data(), good.size() - 1).ok()) << "a cut blob";
}

using board_test::BoardLink;

TEST_F(BoardLink, AnOverSizeSetOfUserImagesIsRefusedBeforeAnyOfItIsSent)
{
    StartSim();
    document.userImages = BlobOf({Sized(64, 16), Sized(128, 128)});
    ASSERT_EQ(lumivo::BoardResult::Ok, session->Connect());
    EXPECT_EQ(lumivo::BoardResult::Failed, session->SendUserImages());
    EXPECT_NE(std::string::npos, session->LastError().find("User image 2 is 128 × 128")) << session->LastError();
    EXPECT_EQ(0, Requests(lumivo::board_cmd::kSendUserImages));
    EXPECT_TRUE(sim->UserImages().size() <= 12) << "the board holds no images";

    document.userImages = BlobOf({Sized(64, 16)});
    EXPECT_EQ(lumivo::BoardResult::Ok, session->SendUserImages()) << session->LastError();
    EXPECT_EQ(1, Requests(lumivo::board_cmd::kSendUserImages));
}

} // namespace
