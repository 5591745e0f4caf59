// SPDX-License-Identifier: GPL-2.0-or-later
// Writing a file so that the previous version survives any failure: the
// bytes go to a temporary file in the same folder, which is flushed to disk
// and then renamed over the old one. Reading is bounded by a size limit.
#pragma once

#include "core/result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace lumivo {

// The system calls the writer uses; tests replace single steps to make them
// fail. Each returns what the POSIX call returns and leaves errno set.
class IFileOps {
public:
    virtual ~IFileOps() = default;
    virtual long Write(int fd, const uint8_t* data, size_t length);
    virtual int Fsync(int fd);
    virtual int Rename(const char* from, const char* to);
};

// Replaces path with data. On failure the old file (if any) is untouched,
// the temporary file is removed and the error names the step and the cause;
// *error (when given) gets the errno of the failed step, 0 on success. A
// file that is read-only (for root too: no write bit at all) is not
// replaced: the rename would ignore its mode. That fails with EACCES.
// The temporary ".<name>.XXXXXX" is locked (flock) while it is written, so
// a save killed mid-way leaves one that nobody holds: each save first
// removes those of its own name.
Result WriteFileAtomic(const std::filesystem::path& path, const std::vector<uint8_t>& data,
                       IFileOps* ops = nullptr, int* error = nullptr);

// True when path names an existing file we may not write to.
bool IsReadOnlyFile(const std::filesystem::path& path);

// Removes the temporaries of saves of path that were killed mid-way; one a
// running save holds is left alone. Returns how many were removed.
unsigned RemoveStaleTemporaries(const std::filesystem::path& path);

// Reads a whole file of at most maxBytes bytes.
Result ReadFileLimited(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out);

} // namespace lumivo
