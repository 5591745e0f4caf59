// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/content_resource.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace qvr {

namespace {

// A container larger than this is not one of ours (the largest is a few MB).
constexpr long kMaxContainer = 64L << 20;

std::string Folder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string ProgramFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = 0;
    return Folder(buf);
}

std::string LibraryFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ContentDirectories), &info) || !info.dli_fname)
        return {};
    char buf[PATH_MAX];
    if (!realpath(info.dli_fname, buf))
        return {};
    return Folder(buf);
}

bool IsFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::vector<std::string> ContentDirectories()
{
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("LUMIVO_CONTENT_DIR"); env && *env)
        dirs.emplace_back(env);
    for (const std::string& base : {ProgramFolder(), LibraryFolder()}) {
        if (base.empty())
            continue;
        for (const char* rel : {"/../content", "/../share/lumivo/content"}) {
            const std::string d = base + rel;
            bool seen = false;
            for (const std::string& e : dirs)
                seen |= e == d;
            if (!seen)
                dirs.push_back(d);
        }
    }
    return dirs;
}

std::string FindContentResource(int resource)
{
    if (resource <= 0)
        return {};
    for (const std::string& d : ContentDirectories()) {
        const std::string p = d + "/" + std::to_string(resource) + ".qvr";
        if (IsFile(p))
            return p;
    }
    return {};
}

std::vector<uint8_t> LoadContentResource(int resource)
{
    const std::string path = FindContentResource(resource);
    if (path.empty())
        return {};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {};
    std::vector<uint8_t> bytes;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0 && size <= kMaxContainer && std::fseek(f, 0, SEEK_SET) == 0) {
            bytes.resize(size_t(size));
            if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
                bytes.clear();
        }
    }
    std::fclose(f);
    return bytes;
}

MappedContainer::MappedContainer(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxContainer) {
        void* p = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p != MAP_FAILED) {
            m_Data = static_cast<const uint8_t*>(p);
            m_Size = size_t(st.st_size);
        }
    }
    ::close(fd);
}

MappedContainer::~MappedContainer()
{
    if (m_Data)
        munmap(const_cast<uint8_t*>(m_Data), m_Size);
}

} // namespace qvr
