// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/atomic_file.h"
#include "core/core_text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivo {

long IFileOps::Write(int fd, const uint8_t* data, size_t length) { return ::write(fd, data, length); }
int IFileOps::Fsync(int fd) { return ::fsync(fd); }
int IFileOps::Rename(const char* from, const char* to) { return std::rename(from, to); }

namespace {

std::string Why(const std::string& step, const std::filesystem::path& path, int err)
{
    return CoreText("SaveStepFailed", "cannot save %s: %s failed (%s)", {path.string(), step, std::strerror(err)});
}

// Flushes a folder's entry list so a rename survives a power cut; a folder
// that cannot be opened or synced is no reason to fail the save.
void SyncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// ".<name>." followed by the six letters and digits mkstemp puts in.
bool IsTemporaryOf(std::string_view entry, std::string_view prefix)
{
    if (entry.size() != prefix.size() + 6 || entry.substr(0, prefix.size()) != prefix)
        return false;
    for (char c : entry.substr(prefix.size()))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string TemporaryPrefix(const std::filesystem::path& path)
{
    return "." + path.filename().string() + ".";
}

// A new temporary, locked for as long as the save runs. A save that cleans
// up may take the lock in the moment between creating and locking and then
// remove the file: the lock then sits on a file without a name, so another
// name is tried. Where the file system has no locks the save goes on
// unguarded (and no clean-up can take a lock there either).
int CreateLockedTemporary(std::string& temp, const std::string& pattern)
{
    for (int tries = 0; tries < 8; ++tries) {
        temp = pattern;
        const int fd = ::mkstemp(temp.data());
        if (fd < 0)
            return -1;
        int r;
        while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat st{};
        if (r != 0 || ::fstat(fd, &st) != 0 || st.st_nlink > 0)
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

} // namespace

unsigned RemoveStaleTemporaries(const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.parent_path();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    const std::string prefix = TemporaryPrefix(path);
    const int dfd = ::dirfd(dir);
    unsigned removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (!IsTemporaryOf(e->d_name, prefix))
            continue;
        const int fd = ::openat(dfd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Only a regular file nobody holds the lock of, and only while the
        // name still leads to the file that was locked.
        struct stat locked{}, named{};
        if (::fstat(fd, &locked) == 0 && S_ISREG(locked.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dfd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == locked.st_dev &&
            named.st_ino == locked.st_ino && ::unlinkat(dfd, e->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

bool IsReadOnlyFile(const std::filesystem::path& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

Result WriteFileAtomic(const std::filesystem::path& path, const std::vector<uint8_t>& data, IFileOps* ops,
                       int* error)
{
    int ignored = 0;
    int& failure = error ? *error : ignored;
    failure = 0;
    IFileOps builtin;
    IFileOps& io = ops ? *ops : builtin;
    const std::filesystem::path folder = path.parent_path();
    if (IsReadOnlyFile(path)) {
        failure = EACCES;
        return Result::Fail(CoreText("SaveReadOnly", "cannot save %s: the file is read-only", {path.string()}));
    }
    // Leftovers first: on a full disk they may be what this save needs.
    RemoveStaleTemporaries(path);
    std::string temp;
    const int fd = CreateLockedTemporary(temp, (folder / (TemporaryPrefix(path) + "XXXXXX")).string());
    if (fd < 0) {
        failure = errno;
        return Result::Fail(Why(CoreText("StepTemporary", "creating a temporary file in its folder"), path, failure));
    }

    // The new file keeps the permissions of the one it replaces; a new file
    // gets the usual ones.
    struct stat st{};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);

    auto fail = [&](const std::string& step) {
        failure = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return Result::Fail(Why(step, path, failure));
    };
    size_t done = 0;
    while (done < data.size()) {
        const long n = io.Write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return fail(CoreText("StepWriting", "writing"));
        }
        done += static_cast<size_t>(n);
    }
    if (io.Fsync(fd) != 0)
        return fail(CoreText("StepFlushing", "flushing to disk"));
    if (::close(fd) != 0) {
        failure = errno;
        ::unlink(temp.c_str());
        return Result::Fail(Why(CoreText("StepClosing", "closing"), path, failure));
    }
    if (io.Rename(temp.c_str(), path.c_str()) != 0) {
        failure = errno;
        ::unlink(temp.c_str());
        return Result::Fail(Why(CoreText("StepReplacing", "replacing the old file"), path, failure));
    }
    SyncFolder(folder);
    return {};
}

Result ReadFileLimited(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out)
{
    out.clear();
    // Non-blocking, so that a FIFO under a project's name cannot hold the
    // open (and the program) until a writer appears; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Result::Fail(CoreText("ReadOpenFailed", "cannot open %s: %s", {path.string(), std::strerror(errno)}));
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Result::Fail(CoreText("ReadNotRegular", "cannot read %s: not a regular file", {path.string()}));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return Result::Fail(CoreText("ReadTooLarge", "cannot read %s: larger than %s bytes",
                                     {path.string(), std::to_string(maxBytes)}));
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    // Reads what is there, never more than the limit, even if the file grows.
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            out.clear();
            return Result::Fail(CoreText("ReadFailed", "cannot read %s: %s", {path.string(), std::strerror(err)}));
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    ::close(fd);
    return {};
}

} // namespace lumivo
