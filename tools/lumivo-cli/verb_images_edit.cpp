// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli images add / images remove: a project's user images made from
// picture files, through the same conversion as the program's dialog.
#include "cli.h"
#include "picture_file.h"

#include "core/picture_convert.h"
#include "core/user_image_order.h"

#include <cstdio>

#include <iostream>

namespace {

struct Scaling {
    std::optional<lumivo::FitMode> fit; // none: the picture as it is
    int width = 0;                      // 0: by the picture's shape
    int height = 16;
    lumivo::Conversion conversion = lumivo::Conversion::Thresholds;
};

Scaling ScalingFromArgs(const cli::Args& args)
{
    Scaling s;
    if (auto f = args.Get("fit")) {
        s.fit = lumivo::FitModeFromName(*f);
        if (!s.fit)
            throw cli::UsageError("--fit must be fit, fill or stretch, not \"" + *f + "\"");
    }
    if (auto size = args.Get("size")) {
        int w = 0, h = 0;
        char tail = 0;
        if (std::sscanf(size->c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 2 || h < 1 || (w & 1) ||
            !lumivo::FitsUserImage(w, h))
            throw cli::UsageError("--size must be WxH with an even width, below 8176 bytes (W x H / 2), not \"" +
                                  *size + "\"");
        s.width = w;
        s.height = h;
        if (!s.fit)
            s.fit = lumivo::FitMode::Fit;
    }
    if (auto h = args.Number("height", 1, 64)) {
        if (args.Has("size"))
            throw cli::UsageError("--height and --size exclude each other");
        s.height = int(*h);
        if (!s.fit)
            s.fit = lumivo::FitMode::Fit;
    }
    if (auto c = args.Get("convert")) {
        const auto conversion = lumivo::ConversionFromName(*c);
        if (!conversion)
            throw cli::UsageError("--convert must be thresholds, ordered or diffusion, not \"" + *c + "\"");
        s.conversion = *conversion;
    }
    return s;
}

int Add(const cli::Args& args)
{
    uint32_t thresholds = lumivo::kDefaultThresholds;
    if (auto t = args.Get("thresholds"); t && !lumivo::ParseThresholds(*t, thresholds))
        throw cli::UsageError("--thresholds must be R,G,B with each 0-255, not \"" + *t + "\"");
    auto project = cli::OpenProject(args.positional[0]);
    std::vector<CRGX<8192>> images = project->UserImages();
    if (images.size() >= CContent::kUserImages)
        throw cli::Failure("the project already holds " + std::to_string(images.size()) + " user images, the most it can");
    lumivo::Rgb24Picture picture;
    std::string error;
    const Scaling scaling = ScalingFromArgs(args);
    const int frame = int(args.Number("frame", 1, cli::kMaxGifFrames).value_or(1)) - 1;
    if (!(scaling.fit ? cli::ReadPictureFileToFit(args.positional[1], picture, error, frame)
                      : cli::ReadPictureFile(args.positional[1], picture, error, frame)))
        throw cli::Failure(error);
    if (scaling.fit) {
        int width = scaling.width, height = scaling.height;
        if (width == 0)
            lumivo::DefaultPictureSize(picture.width, picture.height, height, width, height);
        lumivo::Rgb24Picture fitted;
        cli::Check(lumivo::FitPicture(picture, width, height, *scaling.fit, fitted), args.positional[1]);
        picture = std::move(fitted);
    }
    CUserRGX image;
    cli::Check(lumivo::ConvertPicture(picture, scaling.conversion, thresholds, image), args.positional[1]);
    images.push_back(image);
    cli::Check(project->ReplaceUserImages(images));
    cli::SaveProject(*project, args.positional[0]);
    std::cout << "added user image " << images.size() << " (" << picture.width << " x " << picture.height
              << ") to " << args.positional[0] << "\n";
    return cli::kExitOk;
}

int Remove(const cli::Args& args)
{
    const std::string& which = args.positional[1];
    auto project = cli::OpenProject(args.positional[0]);
    std::vector<CRGX<8192>> images = project->UserImages();
    char* end = nullptr;
    const long n = std::strtol(which.c_str(), &end, 10);
    if (which.empty() || *end != '\0' || n < 1 || size_t(n) > images.size())
        throw cli::UsageError("N must be a user image of the project, 1 to " + std::to_string(images.size()) +
                              ", not \"" + which + "\"");
    images.erase(images.begin() + (n - 1));
    lumivo::ImageOrigins origins;
    for (unsigned slot = 0; slot < project->UserImageCount(); ++slot)
        if (slot != unsigned(n - 1))
            origins.push_back(slot);
    const lumivo::Result r = lumivo::RearrangeUserImages(*project, images, origins);
    cli::Check(r);
    cli::PrintNotes(r);
    cli::SaveProject(*project, args.positional[0]);
    std::cout << "removed user image " << n << "; " << images.size() << " left in " << args.positional[0] << "\n";
    return cli::kExitOk;
}

const cli::Verb kAdd{"images add", "FILE.qvndoc PICTURE [--thresholds R,G,B] [--fit MODE] [--size WxH|--height N] [--convert MODE] [--frame N]",
                     "make a user image of a picture file (PNG, JPEG, GIF, BMP)",
                     "By the thresholds a pixel lights red where its red reaches the red threshold,\n"
                     "green likewise; blue is not shown. Default thresholds 128,128,255. The ordered\n"
                     "and diffusion conversions use red, green and blue, for photographs. Without\n"
                     "--fit, --size or --height the picture is taken at its own size and must stay\n"
                     "below 8176 bytes (width x height / 2); with them it is scaled (default 16 rows,\n"
                     "the width by its shape; pictures up to 16384 pixels a side and 40 megapixels).\n"
                     "Transparent parts become dark. Of an animated GIF, --frame chooses the frame as\n"
                     "it shows in the animation (default the first); the board has no user animations.\n"
                     "A project holds at most 8 user images.",
                     {{"thresholds", "R,G,B", "red, green and blue thresholds, each 0-255"},
                      {"fit", "fit|fill|stretch", "the whole picture, cut to fill, or stretched (default fit)"},
                      {"size", "WxH", "the image's size (even width)"},
                      {"height", "N", "the image's height, 1-64; the width by the picture's shape"},
                      {"convert", "thresholds|ordered|diffusion", "the conversion to the eight colours (default thresholds)"},
                      {"frame", "N", "the frame of an animated GIF, 1-1000 (default 1)"}},
                     2, 2, Add};
LUMIVO_CLI_VERB(kAdd);

const cli::Verb kRemove{"images remove", "FILE.qvndoc N", "remove user image N (1-based, as the program names them)",
                        "The images after it move up one place, and the Image items that show them\n"
                        "follow them. Items that showed image N show no picture and are named.",
                        {}, 2, 2, Remove};
LUMIVO_CLI_VERB(kRemove);

} // namespace
