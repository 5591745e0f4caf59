// SPDX-License-Identifier: GPL-2.0-or-later
// Shared pieces of the core's tests: a byte writer for files made by hand,
// small content containers served by a test loader, a temporary folder, and
// the English language texts.
#pragma once

#include "../../../libqvr/tests/container_writer.h"

#include "core/project.h"

#include <common/globalization.h>

#include <qvr/lzo.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace coretest {

class Bytes {
public:
    Bytes& u8(uint8_t v)
    {
        data.push_back(v);
        return *this;
    }
    Bytes& u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& raw(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        data.insert(data.end(), b, b + n);
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& v) { return raw(v.data(), v.size()); }
    // The project file's header: signature, the six values and N.
    Bytes& header(uint8_t moduleRow, uint8_t moduleColumn, uint8_t language, uint8_t row,
                  uint8_t column, uint8_t pages, uint32_t entries)
    {
        raw("QVNDOC", 7);
        return u8(moduleRow).u8(moduleColumn).u8(language).u8(row).u8(column).u8(pages).u32(entries);
    }
    // One entry: page number, compressed length, the compressed item.
    Bytes& entry(uint32_t page, const CLumivo& item)
    {
        uint8_t raw824[qvr::kItemBytes];
        qvr::StoreItem(item, raw824);
        const std::vector<uint8_t> packed = qvr::lzo::Compress(raw824, sizeof raw824);
        return u32(page).u32(static_cast<uint32_t>(packed.size())).raw(packed);
    }
    std::vector<uint8_t> data;
};

inline CLumivo TextItem(const std::u16string& text, unsigned lines = 1)
{
    CLumivo item;
    for (size_t i = 0; i < text.size() && i < 100; ++i)
        item.chars[i].code = text[i];
    item.height = static_cast<uint8_t>(lines << 1);
    return item;
}

// A container the library accepts quickly: code table only, content row
// class outside 1 and 2.
inline std::vector<uint8_t> TinyContainer()
{
    qvrtest::LibraryShape shape;
    shape.row = 3;
    static const std::vector<uint8_t> bytes = qvrtest::MakeLibrary(shape).Build();
    return bytes;
}

// Serves the containers of a map; counts the requests.
struct TestContent {
    std::map<int, std::vector<uint8_t>> containers;
    std::vector<int> asked;
    lumivo::ContentLoader Loader()
    {
        return [this](int resource) -> std::optional<std::vector<uint8_t>> {
            asked.push_back(resource);
            auto it = containers.find(resource);
            if (it == containers.end())
                return std::nullopt;
            return it->second;
        };
    }
};

// The project with every container of the table present.
inline std::unique_ptr<lumivo::CProjectCore> MakeProject(TestContent& content)
{
    for (int r : {310, 311, 312, 314, 315, 316, 326, 327, 333})
        content.containers[r] = TinyContainer();
    return std::make_unique<lumivo::CProjectCore>(content.Loader());
}

inline void UseEnglish()
{
    const char* source = std::getenv("LUMIVO_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    CGlobalization::SetLangDir(std::filesystem::path(source) / "resources" / "Lang");
    CGlobalization::SelectLanguage(u"English");
}

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumivo-core-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    std::filesystem::path path;
};

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::vector<uint8_t> out;
    lumivo::ReadFileLimited(path, 1u << 24, out);
    return out;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Starts a program of the build (beside this test binary) in folder dir
// with its output going to the files dir/out and dir/err; its process id,
// 0 when it did not start.
inline pid_t StartProgram(const char* name, std::vector<std::string> args, const std::filesystem::path& dir,
                          const char* out = "out", const char* err = "err")
{
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe").parent_path() / name;
    args.insert(args.begin(), program.string());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (dir / out).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir / err).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs a program of the build in folder dir with its output caught in the
// files dir/out and dir/err.
inline Outcome RunProgram(const char* name, std::vector<std::string> args, const std::filesystem::path& dir)
{
    Outcome run;
    if (const pid_t pid = StartProgram(name, std::move(args), dir)) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::vector<uint8_t> out = ReadAll(dir / "out"), err = ReadAll(dir / "err");
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

} // namespace coretest
