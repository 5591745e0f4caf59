// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/text_recipe.h"

#include "core/board_text.h"

#include <array>
#include <cstdlib>

namespace lumivo {
namespace {

using nlohmann::json;

constexpr std::array<const char*, 8> kColorNames = {"dark", "red", "green", "yellow", "blue", "magenta", "cyan",
                                                    "white"};

bool ColorValue(const json& v, unsigned& out)
{
    if (!v.is_number_unsigned() || v.get<unsigned>() < 1 || v.get<unsigned>() > 7)
        return false;
    out = v.get<unsigned>();
    return true;
}

// Bounds keep a damaged companion from asking for absurd work.
constexpr size_t kMaxStoredText = 4096;

} // namespace

json ToJson(const TextRecipe& r)
{
    json j = {{"text", r.text},
              {"font", r.font},
              {"height", r.height},
              {"color", r.color},
              {"bold", r.bold},
              {"outline", r.outline},
              {"spacing", r.spacing == Spacing::Fixed ? "fixed" : "proportional"}};
    if (!r.fallbackFont.empty())
        j["fallbackFont"] = r.fallbackFont;
    if (r.color2)
        j["color2"] = *r.color2;
    if (r.pieceWidth > 0) {
        j["pieceWidth"] = r.pieceWidth;
        j["piece"] = r.piece;
    }
    return j;
}

Result FromJson(const json& j, TextRecipe& recipe)
{
    const Result bad = Result::Fail(FontImageText("RecipeDamaged", "The stored text recipe is damaged; the image stays as it is."));
    if (!j.is_object())
        return bad;
    TextRecipe r;
    auto text = j.find("text");
    auto font = j.find("font");
    auto height = j.find("height");
    auto color = j.find("color");
    if (text == j.end() || !text->is_string() || font == j.end() || !font->is_string() || height == j.end() ||
        !height->is_number_integer() || color == j.end() || !ColorValue(*color, r.color))
        return bad;
    r.text = text->get<std::string>();
    r.font = font->get<std::string>();
    r.height = height->get<int>();
    if (r.text.size() > kMaxStoredText || r.font.size() > kMaxStoredText || r.height < 1 || r.height > 1024)
        return bad;
    if (auto f = j.find("fallbackFont"); f != j.end()) {
        if (!f->is_string() || f->get_ref<const std::string&>().size() > kMaxStoredText)
            return bad;
        r.fallbackFont = f->get<std::string>();
    }
    if (auto c = j.find("color2"); c != j.end()) {
        unsigned c2 = 0;
        if (!ColorValue(*c, c2))
            return bad;
        r.color2 = c2;
    }
    for (auto [key, flag] : {std::pair{"bold", &r.bold}, std::pair{"outline", &r.outline}})
        if (auto b = j.find(key); b != j.end()) {
            if (!b->is_boolean())
                return bad;
            *flag = b->get<bool>();
        }
    if (auto s = j.find("spacing"); s != j.end()) {
        if (*s == "fixed")
            r.spacing = Spacing::Fixed;
        else if (*s != "proportional")
            return bad;
    }
    if (auto w = j.find("pieceWidth"); w != j.end()) {
        auto piece = j.find("piece");
        if (!w->is_number_integer() || piece == j.end() || !piece->is_number_integer())
            return bad;
        r.pieceWidth = w->get<int>();
        r.piece = piece->get<int>();
        // Pieces are as wide as a board; no text makes more than a few hundred.
        if (r.pieceWidth < 2 || r.pieceWidth > 4096 || (r.pieceWidth & 1) || r.piece < 0 || r.piece > 4096)
            return bad;
    }
    recipe = std::move(r);
    return {};
}

void TextImageRecipes::RemoveSlot(unsigned slot)
{
    std::map<unsigned, TextRecipe> moved;
    for (auto& [s, r] : bySlot)
        if (s != slot)
            moved.emplace(s > slot ? s - 1 : s, std::move(r));
    bySlot = std::move(moved);
}

json TextImageRecipes::ToJson() const
{
    json images = json::array();
    for (const auto& [slot, recipe] : bySlot) {
        json j = lumivo::ToJson(recipe);
        j["slot"] = slot;
        images.push_back(std::move(j));
    }
    return {{"version", 1}, {"images", std::move(images)}};
}

Result TextImageRecipes::FromJson(const json& j)
{
    const Result bad = Result::Fail(FontImageText("RecipesDamaged", "The stored text recipes are damaged; they were not read."));
    if (!j.is_object() || !j.contains("images") || !j["images"].is_array())
        return bad;
    std::map<unsigned, TextRecipe> read;
    for (const json& image : j["images"]) {
        TextRecipe recipe;
        if (!image.is_object() || !image.contains("slot") || !image["slot"].is_number_unsigned() ||
            image["slot"].get<unsigned>() >= 8 || !lumivo::FromJson(image, recipe))
            return bad;
        read[image["slot"].get<unsigned>()] = std::move(recipe);
    }
    bySlot = std::move(read);
    return {};
}

std::optional<unsigned> ColorFromName(const std::string& name)
{
    for (unsigned i = 1; i < kColorNames.size(); ++i)
        if (name == kColorNames[i])
            return i;
    char* end = nullptr;
    const long n = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && *end == '\0' && n >= 1 && n <= 7)
        return unsigned(n);
    return std::nullopt;
}

const char* ColorName(unsigned color)
{
    return kColorNames[color & 7];
}

std::string FontImageText(const char* key, const char* english, std::initializer_list<std::string> args)
{
    return SectionText("FontImage", key, english, args);
}

} // namespace lumivo
