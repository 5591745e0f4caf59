// Saving never destroys the previous file.
#include "test_support.h"

#include <cerrno>
#include <sys/stat.h>

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
