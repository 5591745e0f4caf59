// SPDX-License-Identifier: GPL-2.0-or-later
#include "token.h"

#include "hash.h"

#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace agent {

lumivo::Result LoadOrCreateToken(const std::string& path, std::string& token)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        std::vector<uint8_t> bytes;
        if (!RandomBytes(32, bytes)) {
            ::close(fd);
            ::unlink(path.c_str());
            return lumivo::Result::Fail("no random bytes for a new token");
        }
        const std::string text = Hex(bytes) + "\n";
        const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size()) && ::fsync(fd) == 0;
        ::close(fd);
        if (!written) {
            ::unlink(path.c_str());
            return lumivo::Result::Fail("cannot write the token file " + path + ": " + std::strerror(errno));
        }
        token = Hex(bytes);
        return {};
    }
    if (errno != EEXIST)
        return lumivo::Result::Fail("cannot make the token file " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    if (lumivo::Result r = lumivo::ReadFileLimited(path, 4096, bytes); !r)
        return r;
    token.assign(bytes.begin(), bytes.end());
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r' || token.back() == ' '))
        token.pop_back();
    if (token.size() < 16)
        return lumivo::Result::Fail("the token in " + path + " is shorter than 16 characters");
    return {};
}

} // namespace agent
