// SPDX-License-Identifier: BSD-2-Clause
// The content containers the program carries: files <resource>.qvr found
// beside the program, so that no set-up step is needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvr {

// Folders searched for containers, in order: $LUMIVO_CONTENT_DIR when set;
// then, for the running program and for this library, ../content (the build
// tree: build/bin -> build/content) and ../share/lumivo/content (an installed tree).
std::vector<std::string> ContentDirectories();

// Path of <resource>.qvr in the first folder that holds it; empty when none does.
std::string FindContentResource(int resource);

// The bytes of container <resource>; empty when it is missing, unreadable or
// larger than any container can be.
std::vector<uint8_t> LoadContentResource(int resource);

// A container file mapped read-only and private, for reading it once
// without copying it; empty (as LoadContentResource is) when the file is
// unreadable, empty or larger than any container can be. Its size is the
// file's when mapped: the reader stays within it.
class MappedContainer {
public:
    explicit MappedContainer(const std::string& path);
    ~MappedContainer();
    MappedContainer(const MappedContainer&) = delete;
    MappedContainer& operator=(const MappedContainer&) = delete;
    const uint8_t* data() const { return m_Data; }
    size_t size() const { return m_Size; }
    bool empty() const { return m_Size == 0; }

private:
    const uint8_t* m_Data = nullptr;
    size_t m_Size = 0;
};

} // namespace qvr
