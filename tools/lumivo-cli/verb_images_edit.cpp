// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli images add / images remove: a project's user images made from
// picture files, through the same conversion as the program's dialog.
#include "cli.h"
#include "picture_file.h"

#include <iostream>

namespace {

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
    if (!cli::ReadPictureFile(args.positional[1], picture, error))
        throw cli::Failure(error);
    CUserRGX image;
    cli::Check(lumivo::ConvertUserImage(picture, thresholds, image), args.positional[1]);
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
    cli::Check(project->ReplaceUserImages(images));
    cli::SaveProject(*project, args.positional[0]);
    std::cout << "removed user image " << n << "; " << images.size() << " left in " << args.positional[0] << "\n";
    return cli::kExitOk;
}

const cli::Verb kAdd{"images add", "FILE.qvndoc PICTURE [--thresholds R,G,B]",
                     "make a user image of a picture file (PNG, JPEG, GIF, BMP)",
                     "A pixel lights red where its red reaches the red threshold, green likewise;\n"
                     "blue is not shown. Default thresholds 128,128,255. A project holds at most\n"
                     "8 user images; a picture must stay below 8176 bytes (width x height / 2).",
                     {{"thresholds", "R,G,B", "red, green and blue thresholds, each 0-255"}}, 2, 2, Add};
LUMIVO_CLI_VERB(kAdd);

const cli::Verb kRemove{"images remove", "FILE.qvndoc N", "remove user image N (1-based, as the program names them)",
                        "The images after it move up one place.", {}, 2, 2, Remove};
LUMIVO_CLI_VERB(kRemove);

} // namespace
