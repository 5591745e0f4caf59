// SPDX-License-Identifier: GPL-2.0-or-later
// What the controller can hold of user images: eight, each below 8176
// pixel bytes (width × height ÷ 2), in one blob. Checked before anything is
// sent, so an over-size set is refused here and never by the board.
#pragma once

#include "core/result.h"

#include <qvr/rgx.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumivo {

// The memory the meter measures against: eight images of the largest size.
constexpr unsigned kUserImageMemory = 8 * CUserRGX::kMaxDataSize;
// The longest blob eight images make: "LZO ", length, count, then each
// record's length, header and the worst LZO1X output for 8192 bytes.
constexpr size_t kMaxUserImageBlob = 12 + 8 * (4 + 16 + 8192 + 8192 / 16 + 64 + 3);

struct UserImageUse {
    unsigned images = 0;
    unsigned bytes = 0;   // width × height ÷ 2 summed
    unsigned percent = 0; // of kUserImageMemory, rounded up so a little shows
};
UserImageUse MeasureUserImages(const std::vector<CRGX<8192>>& images);
// "5 of 8 images, 61 % of the memory"
std::string UserImageMeterText(const UserImageUse& use);

// Refuses a ninth image, an image of no pixels or an odd width, and an image
// of 8176 pixel bytes or more, naming the image (1-based) and the limit.
Result CheckUserImageBudget(const std::vector<CRGX<8192>>& images);
// The same for a blob about to be sent; also refuses a blob that does not
// read whole or is longer than eight images can make.
Result CheckUserImageBlob(const uint8_t* blob, size_t length);

} // namespace lumivo
