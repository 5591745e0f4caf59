// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/image_use.h"

#include "core/core_text.h"

namespace lumivo {
namespace {

// Calls f(page, item within the page, slot) for every Image item of a user image.
template <typename F>
void ForEachUserImageItem(const CProjectCore& project, F f)
{
    const CContent& content = project.Content();
    const unsigned library = content.GetContentCount(CONTENT_IMAGE) - content.GetUserImageMX();
    unsigned lastPage = ~0u, itemOfPage = 0;
    for (const CAdEntry& e : project.Entries()) {
        itemOfPage = e.page == lastPage ? itemOfPage + 1 : 0;
        lastPage = e.page;
        if (e.item.type == LUMIVO_IMAGE && e.item.chars[0].code >= library)
            f(e.page, itemOfPage, unsigned(e.item.chars[0].code - library));
    }
}

std::string Position(unsigned page, unsigned item)
{
    return CoreText("AdItem", "Ad %s, item %s", {std::to_string(page + 1), std::to_string(item + 1)});
}

} // namespace

std::vector<MissingImage> MissingUserImages(const CProjectCore& project)
{
    std::vector<MissingImage> missing;
    const unsigned held = project.UserImageCount();
    ForEachUserImageItem(project, [&](unsigned page, unsigned item, unsigned slot) {
        if (slot >= held)
            missing.push_back({page, item, slot});
    });
    return missing;
}

bool HasImageItems(const CProjectCore& project)
{
    for (const CAdEntry& e : project.Entries())
        if (e.item.type == LUMIVO_IMAGE)
            return true;
    return false;
}

std::string ItemsShowingUserImage(const CProjectCore& project, unsigned slot)
{
    std::string items;
    ForEachUserImageItem(project, [&](unsigned page, unsigned item, unsigned shown) {
        if (shown == slot)
            items += (items.empty() ? "" : "; ") + Position(page, item);
    });
    return items;
}

Result CheckBeforeSend(const CProjectCore& project)
{
    std::string items;
    for (const MissingImage& m : MissingUserImages(project))
        items += (items.empty() ? "" : "; ") +
                 CoreText("ItemImage", "%s (user image %s)", {Position(m.page, m.item), std::to_string(m.image + 1)});
    if (items.empty())
        return {};
    return Result::Fail(CoreText("ImageMissing",
                                 "Not sent: the project holds %s user images, and these Image items show one it "
                                 "does not: %s. Give them another picture or delete them, then send again.",
                                 {std::to_string(project.UserImageCount()), items}));
}

Result CheckUserImageRemovable(const CProjectCore& project, unsigned slot)
{
    const std::string items = ItemsShowingUserImage(project, slot);
    if (items.empty())
        return {};
    return Result::Fail(CoreText("ImageInUse",
                                 "User image %s is not removed, because these Image items show it: %s. Give them "
                                 "another picture or delete them first.",
                                 {std::to_string(slot + 1), items}));
}

} // namespace lumivo
