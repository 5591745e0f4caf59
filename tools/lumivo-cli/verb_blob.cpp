// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli blob pack / unpack: the Ad blob as the controller exchanges it.
#include "cli.h"

#include "core/link_project.h"

#include <iostream>

namespace {

// The program builds blobs in a buffer of this size; none is longer.
constexpr size_t kMaxBlobBytes = 0x40000;

int Pack(const cli::Args& args)
{
    // Packing draws nothing: no content library, as for the link.
    auto project = cli::OpenProject(args.positional[0], lumivo::NoContentLibrary());
    std::vector<uint8_t> blob;
    cli::Check(project->PackAdBlob(blob));
    cli::Check(lumivo::WriteFileAtomic(args.positional[1], blob));
    return cli::kExitOk;
}

int Unpack(const cli::Args& args)
{
    std::vector<uint8_t> blob;
    cli::Check(lumivo::ReadFileLimited(args.positional[0], kMaxBlobBytes, blob));
    const std::filesystem::path path = args.positional[1];
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    for (const cli::Option& o : cli::BoardOptions())
        if (exists && args.Has(o.name))
            throw cli::UsageError(path.string() + " exists: its board is kept, --" + o.name + " is for a new file");
    auto project = exists ? cli::OpenProject(path) : cli::NewProject(args, path);
    const lumivo::Result r = project->LoadAdBlob(blob.data(), blob.size());
    cli::Check(r, args.positional[0]);
    cli::PrintNotes(r);
    cli::SaveProject(*project, path);
    return cli::kExitOk;
}

const cli::Verb kPack{
    "blob pack", "FILE.qvndoc OUT.bin", "write the project's Ads as the Ad blob sent to the controller",
    "The blob: \"LZO \", then the 50 items and the 50 pages, each LZO1X-compressed\n"
    "behind its 32-bit length.",
    {}, 2, 2, Pack};
LUMIVO_CLI_VERB(kPack);

std::vector<cli::Option> UnpackOptions() { return cli::BoardOptions(); }

const cli::Verb kUnpack{
    "blob unpack", "IN.bin FILE.qvndoc [board options]",
    "replace a project's Ads with those of an Ad blob (a new project when FILE does not exist)",
    "An existing project keeps its board and user images. \"RLE \" blobs are refused.",
    UnpackOptions(), 2, 2, Unpack};
LUMIVO_CLI_VERB(kUnpack);

} // namespace
