// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/image_budget.h"

#include "core/text_recipe.h"

#include <qvr/content.h>

#include <cstring>
#include <memory>

namespace lumivo {

UserImageUse MeasureUserImages(const std::vector<CRGX<8192>>& images)
{
    UserImageUse use;
    use.images = unsigned(images.size());
    for (const CRGX<8192>& image : images)
        use.bytes += unsigned(image.header.width) * image.header.height / 2;
    use.percent = unsigned((uint64_t(use.bytes) * 100 + kUserImageMemory - 1) / kUserImageMemory);
    return use;
}

std::string UserImageMeterText(const UserImageUse& use)
{
    return FontImageText("Meter", "%s of %s images, %s %% of the memory",
                         {std::to_string(use.images), std::to_string(CContent::kUserImages),
                          std::to_string(use.percent)});
}

Result CheckUserImageBudget(const std::vector<CRGX<8192>>& images)
{
    Result r;
    if (images.size() > CContent::kUserImages)
        r.Error(FontImageText("TooManyImages", "The project holds %s user images; the board takes at most %s.",
                              {std::to_string(images.size()), std::to_string(CContent::kUserImages)}));
    for (size_t i = 0; i < images.size(); ++i) {
        const RGX_HEADER& h = images[i].header;
        const unsigned bytes = unsigned(h.width) * h.height / 2;
        const std::string which = std::to_string(i + 1);
        const std::string size = std::to_string(h.width) + " × " + std::to_string(h.height);
        if (h.width == 0 || h.height == 0 || (h.width & 1))
            r.Error(FontImageText("ImageShapeBad", "User image %s is %s dots: a user image must be an even number "
                                                   "of dots wide and hold at least one row.",
                                  {which, size}));
        else if (bytes >= CUserRGX::kMaxDataSize)
            r.Error(FontImageText("ImageOverBudget",
                                  "User image %s is %s dots, %s bytes; each user image must stay below %s bytes "
                                  "(width × height ÷ 2).",
                                  {which, size, std::to_string(bytes), std::to_string(CUserRGX::kMaxDataSize)}));
    }
    return r;
}

Result CheckUserImageBlob(const uint8_t* blob, size_t length)
{
    if (length > kMaxUserImageBlob)
        return Result::Fail(FontImageText("BlobTooLong",
                                          "The user images make %s bytes; eight user images make at most %s.",
                                          {std::to_string(length), std::to_string(kMaxUserImageBlob)}));
    const auto le32 = [&](size_t at) {
        return uint32_t(blob[at]) | uint32_t(blob[at + 1]) << 8 | uint32_t(blob[at + 2]) << 16 | uint32_t(blob[at + 3]) << 24;
    };
    // A blob of no images may end after its length field.
    if (blob && length >= 8 && std::memcmp(blob, "LZO ", 4) == 0 && (length < 12 || le32(8) == 0))
        return {};
    // Read with room for more than eight, so a ninth is counted, not dropped.
    constexpr unsigned kRoom = 16;
    auto images = std::make_unique<CRGX<8192>[]>(kRoom);
    unsigned count = 0;
    const long used = qvr::ReadUserImageLZO(blob, length, images.get(), kRoom, count);
    if (used <= 0 || size_t(used) != length || le32(8) != count)
        return Result::Fail(FontImageText("BlobDamaged", "The user images cannot be read back whole; nothing is sent."));
    return CheckUserImageBudget(std::vector<CRGX<8192>>(images.get(), images.get() + count));
}

} // namespace lumivo
