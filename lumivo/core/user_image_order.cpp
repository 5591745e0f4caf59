// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/user_image_order.h"

#include "core/core_text.h"
#include "core/text_image_project.h"

#include <algorithm>
#include <cstring>

namespace lumivo {
namespace {

bool SamePixels(const CRGX<8192>& a, const CRGX<8192>& b)
{
    if (a.header.width != b.header.width || a.header.height != b.header.height ||
        a.header.frames != b.header.frames)
        return false;
    // Two dots a byte; what lies past the picture is nobody's pixels.
    const size_t used = std::min<size_t>(
        sizeof a.data, (size_t(a.header.width) * a.header.height * std::max<size_t>(1, a.header.frames) + 1) / 2);
    return std::memcmp(a.data, b.data, used) == 0;
}

} // namespace

Result RearrangeUserImages(CProjectCore& project, const std::vector<CRGX<8192>>& images, const ImageOrigins& origins,
                           std::vector<std::pair<size_t, CLumivo>>* changed)
{
    const unsigned before = project.UserImageCount();
    if (origins.size() != images.size())
        return Result::Fail(CoreText("ImageOriginsMissing", "every user image needs its origin"));
    std::vector<std::optional<unsigned>> newSlot(before);
    for (size_t i = 0; i < origins.size(); ++i) {
        if (!origins[i])
            continue;
        if (*origins[i] >= before || newSlot[*origins[i]])
            return Result::Fail(
                CoreText("ImageMovedTwice", "user image %s cannot move twice", {std::to_string(*origins[i] + 1)}));
        newSlot[*origins[i]] = unsigned(i);
    }
    const unsigned library = project.Content().GetContentCount(CONTENT_IMAGE) - before;
    std::vector<std::pair<size_t, CLumivo>> moved;
    Result result;
    unsigned lastPage = ~0u, itemOfPage = 0;
    for (size_t entry = 0; entry < project.Entries().size(); ++entry) {
        const CAdEntry& e = project.Entries()[entry];
        itemOfPage = e.page == lastPage ? itemOfPage + 1 : 0;
        lastPage = e.page;
        const auto slot = UserImageSlot(project.Content(), e.item);
        if (!slot || *slot >= before)
            continue;
        const unsigned to = newSlot[*slot].value_or(kRemovedUserImage);
        if (to == *slot)
            continue;
        CLumivo item = e.item;
        item.chars[0].code = uint16_t(library + to);
        moved.emplace_back(entry, item);
        if (!newSlot[*slot])
            result.Warn(FontImageText("ImageGone",
                                      "Ad %s, item %s showed user image %s, which is removed: it shows no "
                                      "picture now. Choose another picture for it.",
                                      {std::to_string(e.page + 1), std::to_string(itemOfPage + 1),
                                       std::to_string(*slot + 1)}));
    }
    if (Result r = project.ReplaceUserImages(images); !r)
        return r;
    TextImageRecipes recipes;
    for (auto& [slot, recipe] : project.TextRecipes().bySlot)
        if (slot < before && newSlot[slot])
            recipes.bySlot[*newSlot[slot]] = recipe;
    project.TextRecipes() = std::move(recipes);
    for (auto& [entry, item] : moved) {
        CLumivo old = project.Entries()[entry].item;
        project.SetItem(entry, item);
        item = std::move(old);
    }
    if (changed)
        *changed = std::move(moved);
    return result;
}

TextImageRecipes RecipesStillDrawn(const CProjectCore& project, const std::vector<CRGX<8192>>& images)
{
    const std::vector<CRGX<8192>> drawn = project.UserImages();
    TextImageRecipes kept;
    for (const auto& [slot, recipe] : project.TextRecipes().bySlot)
        if (slot < drawn.size() && slot < images.size() && SamePixels(drawn[slot], images[slot]))
            kept.bySlot.emplace(slot, recipe);
    return kept;
}

} // namespace lumivo
