// SPDX-License-Identifier: BSD-2-Clause
// Line speeds through the kernel's termios2 interface, which takes any bit
// rate (14400, 56000, 128000 ... as well as the standard ones). Kept apart
// because its header cannot live beside <termios.h>.
#include "serial_speed.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace serio::detail {

int SetLineSpeed(int fd, int baud)
{
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT); // input speed follows the output speed
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    if (::ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    return 0;
}

int GetLineSpeed(int fd)
{
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    return static_cast<int>(t.c_ospeed);
}

} // namespace serio::detail
