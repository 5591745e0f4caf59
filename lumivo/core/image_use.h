// SPDX-License-Identifier: GPL-2.0-or-later
// Which Image items show which user images. An item names its user image by
// slot, so one whose image is gone would show another picture or none: such
// an item is refused before a send, and an image that items show is not
// removed under them.
#pragma once

#include "core/project.h"

#include <string>
#include <vector>

namespace lumivo {

// One Image item whose user image the project does not hold.
struct MissingImage {
    unsigned page = 0;  // 0-based
    unsigned item = 0;  // 0-based within the page
    unsigned image = 0; // 0-based user image slot it names
};
// In list order. An item's index counts the loaded content library's
// images first, then the user images, as the player reads it (a project
// made with a library it is not loaded with here is misread: callers that
// load none skip the check or load it).
std::vector<MissingImage> MissingUserImages(const CProjectCore& project);

// Whether any item is an Image item (then the check above needs the library).
bool HasImageItems(const CProjectCore& project);

// The Image items that show user image slot, as "Ad 2, item 1; Ad 5, item 3";
// "" when none does.
std::string ItemsShowingUserImage(const CProjectCore& project, unsigned slot);

// Refuses a send that would carry such items, naming each Ad, item and
// image in one error; ok otherwise.
Result CheckBeforeSend(const CProjectCore& project);

// Refuses to remove user image slot while items show it, naming them.
Result CheckUserImageRemovable(const CProjectCore& project, unsigned slot);

} // namespace lumivo
