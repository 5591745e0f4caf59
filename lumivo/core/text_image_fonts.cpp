// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/text_image_fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <set>
#include <strings.h>

namespace lumivo {

std::vector<std::string> FontFamilies()
{
    if (!FcInit())
        return {};
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    std::set<std::string> names;
    for (int i = 0; fonts && i < fonts->nfont && names.size() < kMaxFontFamilies; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family && *family)
            names.insert(reinterpret_cast<const char*>(family));
    }
    if (fonts)
        FcFontSetDestroy(fonts);
    std::vector<std::string> sorted(names.begin(), names.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    return sorted;
}

} // namespace lumivo
