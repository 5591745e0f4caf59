// SPDX-License-Identifier: BSD-2-Clause
// The Qt-free part of libserio: port classes, packet protocol, records.
#pragma once

#include <serio/board_records.h>
#include <serio/frame.h>
#include <serio/packet.h>
#include <serio/serial.h>
#include <serio/serial_avr.h>
#include <serio/serial_ex.h>
#include <serio/serial_wnd.h>
#include <serio/types.h>
