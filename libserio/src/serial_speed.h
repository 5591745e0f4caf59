// SPDX-License-Identifier: BSD-2-Clause
#pragma once

namespace serio::detail {

// Sets both directions of the line to baud bit/s; 0 or errno.
int SetLineSpeed(int fd, int baud);
// The output speed in bit/s, or -1.
int GetLineSpeed(int fd);

} // namespace serio::detail
