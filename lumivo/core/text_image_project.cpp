// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/text_image_project.h"
#include "core/core_text.h"

#include "core/cell_glyph.h"
#include "core/font_face.h"
#include "core/image_budget.h"
#include "core/item_builder.h"
#include "core/page_layout.h"
#include "core/text_image.h"

#include <common/text.h>

namespace lumivo {
namespace {

unsigned LibraryImages(const CContent& content)
{
    return content.GetContentCount(CONTENT_IMAGE) - content.GetUserImageMX();
}

// What a text image's recipe lacks on this computer; "" when it draws.
std::string RecipeProblem(const TextRecipe& recipe)
{
    CFontFace font;
    if (Result r = font.Open(recipe.font); !r)
        return FontImageText("NeedsFont", "The image needs the font \"%s\": %s", {recipe.font, r.FirstError()});
    std::vector<char32_t> missing = MissingCharacters(font, ToUtf32(recipe.text));
    if (!missing.empty() && !recipe.fallbackFont.empty()) {
        CFontFace fallback;
        if (Result r = fallback.Open(recipe.fallbackFont); !r)
            return FontImageText("NeedsFont", "The image needs the font \"%s\": %s",
                                 {recipe.fallbackFont, r.FirstError()});
        missing = MissingCharacters(fallback, std::u32string(missing.begin(), missing.end()));
    }
    std::string names;
    for (char32_t c : missing)
        names += (names.empty() ? "" : ", ") + NameCharacter(c);
    return names.empty() ? std::string()
                         : FontImageText("FontLacks", "The font \"%s\" has no glyph for %s.", {recipe.font, names});
}

} // namespace

int BoardHeight(const CProjectCore& project)
{
    return int(project.Board().moduleRow) * 16;
}

int BoardWidth(const CProjectCore& project)
{
    return int(project.Board().moduleColumn) * 16;
}

std::string WiderThanBoardText(int imageWidth, int boardWidth)
{
    if (imageWidth <= boardWidth || boardWidth <= 0)
        return {};
    return FontImageText("WiderThanBoard",
                         "The image is %s dots wide, the board %s: the board shows an image still and centred "
                         "(it moves only up and down, when taller than its band), so it shows the middle %s "
                         "dots. Split into %s board-wide pieces on Ads of their own (lumivo-cli images text "
                         "--split) it shows whole; else shorten the text or lower the height.",
                         {std::to_string(imageWidth), std::to_string(boardWidth), std::to_string(boardWidth),
                          std::to_string((imageWidth + boardWidth - 1) / boardWidth)});
}

Result BuildUserImageItem(const CProjectCore& project, unsigned slot, int imageHeight, CLumivo& item)
{
    ItemChoices choices;
    choices.type = LUMIVO_IMAGE;
    choices.index = LibraryImages(project.Content()) + slot;
    choices.lines = unsigned(std::max(1, (imageHeight + 15) / 16));
    return BuildItem(choices, item);
}

Result AddTextImage(CProjectCore& project, const TextRecipe& recipe, std::optional<unsigned> page, unsigned& slot)
{
    std::vector<CRGX<8192>> images = project.UserImages();
    if (images.size() >= CContent::kUserImages)
        return Result::Fail(FontImageText("EightImages", "The project already holds %s user images, the most the "
                                                         "board takes.",
                                          {std::to_string(images.size())}));
    const unsigned pages = project.PageCount();
    const unsigned target = page.value_or(pages);
    if (target > pages)
        return Result::Fail(FontImageText("NoSuchPage", "There is no Ad %s; the project has %s.",
                                          {std::to_string(target + 1), std::to_string(pages)}));
    TextPixels pixels;
    Result result = RenderTextPixels(recipe, BoardHeight(project), pixels);
    if (!result)
        return result;
    CRGX<8192> image;
    MakeUserImage(pixels, image);
    const unsigned newSlot = unsigned(images.size());
    // The item's index counts the library's images first, which a new user
    // image does not move.
    CLumivo item;
    if (Result r = BuildUserImageItem(project, newSlot, pixels.height, item); !r)
        return r;
    CPageLayout layout(project.Board().moduleRow, project.PageItems(target));
    if (Result r = layout.Add(item); !r)
        return Result::Fail(FontImageText("PageFull", "Ad %s has no room for an image %s dots high: %s",
                                          {std::to_string(target + 1), std::to_string(pixels.height),
                                           r.FirstError()}));
    images.push_back(image);
    if (Result r = project.ReplaceUserImages(images); !r)
        return r;
    Result placed = target == pages ? project.AppendPage(layout.Items()) : project.ReplacePage(target, layout.Items());
    if (!placed) {
        images.pop_back();
        project.ReplaceUserImages(images);
        return placed;
    }
    project.TextRecipes().bySlot[newSlot] = recipe;
    project.SetModified(true);
    slot = newSlot;
    if (const std::string cut = WiderThanBoardText(pixels.width, BoardWidth(project)); !cut.empty())
        result.Warn(cut);
    return result;
}

Result PlanSplitTextImage(const CProjectCore& project, const TextRecipe& recipe, TextSplit& split)
{
    TextRecipe piece = recipe;
    piece.pieceWidth = BoardWidth(project);
    piece.piece = 0;
    TextPixels pixels;
    Result result = RenderTextPixels(piece, BoardHeight(project), pixels);
    if (!result)
        return result;
    const unsigned pieces = unsigned(pixels.pieces);
    TextSplit plan;
    plan.images = project.UserImages();
    plan.recipes = project.TextRecipes();
    const unsigned kept = unsigned(plan.images.size());
    if (kept + pieces > CContent::kUserImages)
        return Result::Fail(FontImageText("TooManyPieces",
                                          "The text makes %s pieces as wide as the board, one user image each; "
                                          "the project holds %s of the %s the board takes.",
                                          {std::to_string(pieces), std::to_string(kept),
                                           std::to_string(CContent::kUserImages)}));
    const unsigned pages = project.PageCount();
    if (pages + pieces > kMaxPages || project.ItemCount() + pieces > kMaxItems)
        return Result::Fail(FontImageText("NoRoomForPieces", "The text makes %s pieces, one Ad each; the project "
                                                             "holds %s Ads of the %s the board takes.",
                                          {std::to_string(pieces), std::to_string(pages),
                                           std::to_string(kMaxPages)}));
    for (unsigned i = 0; i < pieces; ++i) {
        piece.piece = int(i);
        if (i > 0)
            if (Result r = RenderTextPixels(piece, BoardHeight(project), pixels); !r)
                return r;
        plan.images.emplace_back();
        MakeUserImage(pixels, plan.images.back());
        plan.recipes.bySlot[kept + i] = piece;
    }
    if (Result budget = CheckUserImageBudget(plan.images); !budget)
        return budget;
    for (unsigned k = 0; k < pieces; ++k) {
        const unsigned slot = kept + (pixels.rightToLeft ? pieces - 1 - k : k);
        CLumivo item;
        if (Result r = BuildUserImageItem(project, slot, recipe.height, item); !r)
            return r;
        plan.items.push_back(item);
        plan.itemSlots.push_back(slot);
    }
    split = std::move(plan);
    return result;
}

Result AddSplitTextImage(CProjectCore& project, const TextRecipe& recipe, std::vector<unsigned>& slots)
{
    TextSplit split;
    Result result = PlanSplitTextImage(project, recipe, split);
    if (!result)
        return result;
    const unsigned pages = project.PageCount();
    const std::vector<CRGX<8192>> before = project.UserImages();
    if (Result r = project.ReplaceUserImages(split.images); !r)
        return r;
    for (const CLumivo& item : split.items)
        if (Result placed = project.AppendPage({item}); !placed) {
            while (project.PageCount() > pages)
                project.DeletePage(project.PageCount() - 1);
            project.ReplaceUserImages(before);
            return placed;
        }
    project.TextRecipes() = std::move(split.recipes);
    project.SetModified(true);
    slots = std::move(split.itemSlots);
    return result;
}

std::optional<unsigned> UserImageSlot(const CContent& content, const CLumivo& item)
{
    const unsigned library = LibraryImages(content);
    if (item.type != LUMIVO_IMAGE || item.chars[0].code < library ||
        item.chars[0].code >= library + CContent::kUserImages)
        return std::nullopt;
    return unsigned(item.chars[0].code - library);
}

void TextImageDraft::Start(const CProjectCore& project)
{
    images = project.UserImages();
    recipes = project.TextRecipes();
    kept = unsigned(images.size());
}

Result TextImageDraft::Draw(const TextRecipe& recipe, int boardHeight, unsigned slot)
{
    if (slot > images.size())
        return Result::Fail(CoreText("NoUserImage", "there is no user image %s", {std::to_string(slot + 1)}));
    TextPixels pixels;
    Result result = RenderTextPixels(recipe, boardHeight, pixels);
    if (!result)
        return result;
    std::vector<CRGX<8192>> next = images;
    if (slot == next.size())
        next.emplace_back();
    MakeUserImage(pixels, next[slot]);
    if (Result budget = CheckUserImageBudget(next); !budget) {
        budget.Error(UserImageMeterText(MeasureUserImages(images)));
        return budget;
    }
    images = std::move(next);
    recipes.bySlot[slot] = recipe;
    return result;
}

void TextImageDraft::DropUnused(const CContent& content, std::vector<CLumivo>& page)
{
    const unsigned library = LibraryImages(content);
    for (unsigned slot = unsigned(images.size()); slot-- > kept;) {
        bool shown = false;
        for (const CLumivo& item : page)
            shown = shown || UserImageSlot(content, item) == slot;
        if (shown)
            continue;
        images.erase(images.begin() + slot);
        recipes.RemoveSlot(slot);
        for (CLumivo& item : page)
            if (auto s = UserImageSlot(content, item); s && *s > slot)
                item.chars[0].code = uint16_t(library + *s - 1);
    }
}

std::vector<CharacterProblem> CheckCharacters(const CProjectCore& project)
{
    std::vector<CharacterProblem> problems;
    const unsigned library = LibraryImages(project.Content());
    unsigned lastPage = ~0u, itemOfPage = 0;
    for (const CAdEntry& e : project.Entries()) {
        itemOfPage = e.page == lastPage ? itemOfPage + 1 : 0;
        lastPage = e.page;
        const CLumivo& item = e.item;
        if (item.type == LUMIVO_TEXT || item.type == LUMIVO_ENG2LINE) {
            const std::u16string notice = InexactNotice(project.Content(), item.chars, CLumivo::kCells);
            if (!notice.empty())
                problems.push_back({e.page, itemOfPage, common::Utf16ToUtf8(notice)});
        } else if (item.type == LUMIVO_IMAGE) {
            const unsigned index = item.chars[0].code;
            if (index < library)
                continue;
            if (index - library >= project.UserImageCount()) {
                problems.push_back({e.page, itemOfPage,
                                    FontImageText("NoSuchImage", "The item shows no picture: its user image was "
                                                                 "removed. Choose another picture for it.")});
                continue;
            }
            auto recipe = project.TextRecipes().bySlot.find(index - library);
            if (recipe == project.TextRecipes().bySlot.end())
                continue;
            if (std::string why = RecipeProblem(recipe->second); !why.empty())
                problems.push_back({e.page, itemOfPage, why});
        }
    }
    return problems;
}

} // namespace lumivo
