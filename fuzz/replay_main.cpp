// SPDX-License-Identifier: GPL-2.0-or-later
// Replays kept fuzz inputs without libFuzzer: every file named on the
// command line, or every file in a folder named there, goes once to the
// target's entry point, as libFuzzer would feed it (the empty input first).
// Built with the normal compiler, it makes each input that once found a
// fault a regression test of `make test`.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

// Far above any kept input; a larger file is not one of ours.
constexpr std::uintmax_t kMaxInput = 64u << 20;

bool Collect(const fs::path& arg, std::vector<fs::path>& files)
{
    std::error_code ec;
    if (fs::is_regular_file(arg, ec)) {
        files.push_back(arg);
        return true;
    }
    if (!fs::is_directory(arg, ec)) {
        std::fprintf(stderr, "replay: %s: no such file or folder\n", arg.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (fs::directory_iterator it(arg, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec))
            found.push_back(it->path());
    if (ec) {
        std::fprintf(stderr, "replay: %s: %s\n", arg.c_str(), ec.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

// The input in a buffer of exactly its size, so a sanitizer build sees a
// read past its end.
bool Feed(const fs::path& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxInput) {
        std::fprintf(stderr, "replay: %s: %s\n", path.c_str(), ec ? ec.message().c_str() : "too large");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::unique_ptr<uint8_t[]> data(new uint8_t[size ? size : 1]);
    if (!in.read(reinterpret_cast<char*>(data.get()), static_cast<std::streamsize>(size))) {
        std::fprintf(stderr, "replay: %s: cannot read\n", path.c_str());
        return false;
    }
    LLVMFuzzerTestOneInput(data.get(), static_cast<size_t>(size));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i)
        if (!Collect(argv[i], files))
            return 1;
    // A corpus that went missing must not pass as a replay of nothing.
    if (files.empty()) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    const uint8_t none = 0;
    LLVMFuzzerTestOneInput(&none, 0);
    std::uintmax_t bytes = 0;
    for (const fs::path& f : files) {
        if (!Feed(f))
            return 1;
        std::error_code ec;
        bytes += fs::file_size(f, ec);
    }
    std::printf("replay: %zu inputs, %ju bytes, no fault\n", files.size(), bytes);
    return 0;
}
