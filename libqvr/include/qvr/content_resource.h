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

} // namespace qvr
