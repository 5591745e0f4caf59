// SPDX-License-Identifier: GPL-2.0-or-later
// Saving never destroys the previous file.
#include "test_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace coretest;

namespace {

// Fails one step of the writer.
class FailingOps : public lumivo::IFileOps {
public:
    enum Step { WriteStep, ShortWrites, FsyncStep, RenameStep } step;
    explicit FailingOps(Step s) : step(s) {}
    long Write(int fd, const uint8_t* data, size_t length) override
    {
        if (step == ShortWrites) // a few bytes at a time, then the disk is full
            return written++ < 3 ? IFileOps::Write(fd, data, std::min<size_t>(length, 5))
                                 : (errno = ENOSPC, -1);
        if (step == WriteStep)
            return errno = EIO, -1;
        return IFileOps::Write(fd, data, length);
    }
    int Fsync(int fd) override { return step == FsyncStep ? (errno = EIO, -1) : IFileOps::Fsync(fd); }
    int Rename(const char* from, const char* to) override
    {
        return step == RenameStep ? (errno = EXDEV, -1) : IFileOps::Rename(from, to);
    }
    int written = 0;
};

// Stops in its first write, for ever: a save in progress.
class StuckOps : public lumivo::IFileOps {
public:
    explicit StuckOps(int ready) : m_ready(ready) {}
    long Write(int, const uint8_t*, size_t) override
    {
        const char c = 1;
        (void)::write(m_ready, &c, 1);
        for (;;)
            ::pause();
    }

private:
    int m_ready;
};

// Another process saving path, stopped mid-way while it writes.
pid_t StartStuckSave(const std::filesystem::path& path)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        StuckOps ops(ready[1]);
        lumivo::WriteFileAtomic(path, {1, 2, 3}, &ops);
        ::_exit(1);
    }
    ::close(ready[1]);
    char c = 0;
    const bool writing = pid > 0 && ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    return writing ? pid : -1;
}

void Kill(pid_t pid)
{
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

size_t FilesIn(const std::filesystem::path& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

TEST(AtomicSave, AFailedSaveLeavesTheOldFileAndNoLitter)
{
    TestContent content;
    auto project = MakeProject(content);
    TempDir dir;
    const auto path = dir / "work.qvndoc";
    ASSERT_TRUE(project->AppendPage({TextItem(u"old")}));
    ASSERT_TRUE(project->SaveFile(path));
    const std::vector<uint8_t> old = ReadAll(path);
    ASSERT_TRUE(project->AppendPage({TextItem(u"new")}));

    for (auto step : {FailingOps::WriteStep, FailingOps::ShortWrites, FailingOps::FsyncStep,
                      FailingOps::RenameStep}) {
        FailingOps ops(step);
        const lumivo::Result r = project->SaveFile(path, &ops);
        EXPECT_FALSE(r) << step;
        EXPECT_NE(r.FirstError().find(path.string()), std::string::npos) << r.FirstError();
        EXPECT_EQ(ReadAll(path), old) << step;
        EXPECT_EQ(FilesIn(dir.path), 1u) << step;
        EXPECT_TRUE(project->IsModified());
    }
    ASSERT_TRUE(project->SaveFile(path));
    EXPECT_EQ(ReadAll(path), project->Serialize());
    EXPECT_EQ(FilesIn(dir.path), 1u);
}

TEST(AtomicSave, KeepsPermissionsAndReportsAReadOnlyFolder)
{
    TempDir dir;
    const auto path = dir / "p.qvndoc";
    ASSERT_TRUE(lumivo::WriteFileAtomic(path, {1, 2, 3}));
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    ASSERT_TRUE(lumivo::WriteFileAtomic(path, {4, 5}));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
    EXPECT_EQ(ReadAll(path), (std::vector<uint8_t>{4, 5}));

    EXPECT_FALSE(lumivo::WriteFileAtomic(dir / "no-such-folder" / "p.qvndoc", {1}));
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    std::filesystem::permissions(dir.path, std::filesystem::perms(0555));
    EXPECT_FALSE(lumivo::WriteFileAtomic(path, {9, 9, 9}));
    EXPECT_EQ(ReadAll(path), (std::vector<uint8_t>{4, 5}));
}

TEST(AtomicSave, AReadOnlyFileIsNotReplacedAndTheCauseIsGiven)
{
    TempDir dir;
    const auto path = dir / "p.qvndoc";
    ASSERT_TRUE(lumivo::WriteFileAtomic(path, {1, 2, 3}));
    // No write bit at all: read-only for root too, whom the rename would obey.
    std::filesystem::permissions(path, std::filesystem::perms(0444));
    EXPECT_TRUE(lumivo::IsReadOnlyFile(path));
    int error = 0;
    const lumivo::Result r = lumivo::WriteFileAtomic(path, {4}, nullptr, &error);
    EXPECT_FALSE(r);
    EXPECT_EQ(error, EACCES);
    EXPECT_TRUE(r.HasMessage("read-only")) << r.FirstError();
    EXPECT_EQ(ReadAll(path), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(FilesIn(dir.path), 1u);

    // Each failed step hands its errno to the caller; success clears it.
    FailingOps full(FailingOps::ShortWrites);
    EXPECT_FALSE(lumivo::WriteFileAtomic(dir / "q.qvndoc", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                                         &full, &error));
    EXPECT_EQ(error, ENOSPC);
    EXPECT_FALSE(lumivo::WriteFileAtomic(dir / "none" / "q.qvndoc", {1}, nullptr, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_TRUE(lumivo::WriteFileAtomic(dir / "q.qvndoc", {1}, nullptr, &error));
    EXPECT_EQ(error, 0);
}

TEST(AtomicSave, ReadingIsBounded)
{
    TempDir dir;
    ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "f", std::vector<uint8_t>(100, 1)));
    std::vector<uint8_t> out;
    EXPECT_FALSE(lumivo::ReadFileLimited(dir / "f", 99, out));
    EXPECT_TRUE(lumivo::ReadFileLimited(dir / "f", 100, out));
    EXPECT_EQ(out.size(), 100u);
    EXPECT_FALSE(lumivo::ReadFileLimited(dir.path, 100, out)); // a folder
}

} // namespace

// A save killed mid-way (kill -9) leaves its hidden temporary; the next save
// of the same project removes it, but not one a running save holds, nor
// anything of another name.
TEST(AtomicSave, TheNextSaveRemovesAKilledSavesTemporaryOnly)
{
    TempDir dir;
    const auto path = dir / "work.qvndoc";
    ASSERT_TRUE(lumivo::WriteFileAtomic(path, {0}));
    auto temporaries = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path))
            if (e.path().filename().string().rfind(".work.qvndoc.", 0) == 0)
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> others = {".other.qvndoc.Ab12Cd", ".work.qvndoc.bak", ".work.qvndoc.Ab-2Cd"};
    for (const std::string& name : others)
        ASSERT_TRUE(lumivo::WriteFileAtomic(dir / name, {9}));

    const pid_t killed = StartStuckSave(path), running = StartStuckSave(path);
    ASSERT_GT(killed, 0);
    ASSERT_GT(running, 0);
    const std::vector<std::string> before = temporaries();
    ASSERT_EQ(before.size(), 4u); // the two saves' and two of the names above
    Kill(killed);

    ASSERT_TRUE(lumivo::WriteFileAtomic(path, {2}));
    EXPECT_EQ(ReadAll(path), std::vector<uint8_t>{2});
    const std::vector<std::string> after = temporaries();
    EXPECT_EQ(after.size(), 3u); // the running save's is still there
    Kill(running);

    ASSERT_TRUE(lumivo::WriteFileAtomic(path, {3}));
    EXPECT_EQ(ReadAll(path), std::vector<uint8_t>{3});
    EXPECT_EQ(temporaries(), (std::vector<std::string>{".work.qvndoc.Ab-2Cd", ".work.qvndoc.bak"}));
    for (const std::string& name : others)
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
}
