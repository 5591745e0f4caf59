// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/project.h"
#include "core/core_text.h"

#include "core/link_project.h"

#include "core/item_text.h"

#include <qvr/content_resource.h>

#include <common/text.h>

#include <algorithm>

namespace lumivo {

namespace {

constexpr const char* kSection = "Settings";

std::string ErrMaxAdvt(const std::string& detail)
{
    return detail + ": " + common::Utf16ToUtf8(LangText("Error", "ErrMaxAdvt"));
}

} // namespace

BoardValues NormaliseContent(BoardValues b)
{
    if (b.language != 'A' && b.language != 'E')
        b.language = 'E';
    if (b.lumivoColumn != 3 && b.lumivoColumn != 6)
        b.lumivoColumn = 6;
    if (b.lumivoRow == 0 || b.lumivoRow > 2)
        b.lumivoRow = 2;
    return b;
}

int ChooseContainer(uint8_t language, uint8_t row, uint8_t column)
{
    struct Choice {
        uint8_t language, row, column;
        int resource;
    };
    static const Choice table[] = {{'A', 1, 2, 310}, {'A', 1, 3, 311}, {'A', 1, 6, 312},
                                   {'A', 2, 3, 333}, {'A', 2, 6, 315}, {'E', 1, 3, 316},
                                   {'E', 1, 6, 314}, {'E', 2, 3, 327}, {'E', 2, 6, 326}};
    for (const Choice& c : table)
        if (c.language == language && c.row == row && c.column == column)
            return c.resource;
    return 0;
}

namespace {

// The containers the program carries. A file that is there but cannot be
// read gives an empty vector: the library then reports it as not loadable
// rather than as missing. The project itself maps the file instead.
struct ProgramContainers {
    std::optional<std::vector<uint8_t>> operator()(int resource) const
    {
        if (qvr::FindContentResource(resource).empty())
            return std::nullopt;
        return qvr::LoadContentResource(resource);
    }
};

} // namespace

ContentLoader DefaultContentLoader() { return ProgramContainers(); }

BoardValues NewProjectBoard(const common::IProfile& profile)
{
    BoardValues b;
    b.moduleRow = static_cast<uint8_t>(profile.GetProfileInt(kSection, "Module Row", 1));
    b.moduleColumn = static_cast<uint8_t>(profile.GetProfileInt(kSection, "Module Column", 6));
    b.language = static_cast<uint8_t>(profile.GetProfileInt(kSection, "Language", 69));
    b.lumivoRow = b.moduleRow;
    b.lumivoColumn = profile.GetProfileInt(kSection, "Lumivo Column", 6) >= 6 ? 6 : 3;
    return b;
}

CProjectCore::CProjectCore(ContentLoader loader)
    : m_Loader(std::move(loader)), m_Content(std::make_unique<CContent>())
{
    m_DefaultQvxf.Initialize(LUMIVO_TEXT);
}

CProjectCore::~CProjectCore() = default;

// ---- Settings

void CProjectCore::ReadSettings(const common::IProfile& p)
{
    m_Board.moduleRow = static_cast<uint8_t>(p.GetProfileInt(kSection, "Module Row", 2));
    m_Board.moduleColumn = static_cast<uint8_t>(p.GetProfileInt(kSection, "Module Column", 6));
    m_Board.language = static_cast<uint8_t>(p.GetProfileInt(kSection, "Language", 65));
    m_Board.lumivoRow = static_cast<uint8_t>(p.GetProfileInt(kSection, "Lumivo Row", 2));
    m_Board.lumivoColumn = static_cast<uint8_t>(p.GetProfileInt(kSection, "Lumivo Column", 6));
}

Result CProjectCore::Start(const common::IProfile& profile)
{
    ReadSettings(profile);
    return ReloadContent();
}

void CProjectCore::WriteSettings(common::IProfile& p) const
{
    p.WriteProfileInt(kSection, "Module Row", m_Board.moduleRow);
    p.WriteProfileInt(kSection, "Module Column", m_Board.moduleColumn);
    p.WriteProfileInt(kSection, "Language", m_Board.language);
    p.WriteProfileInt(kSection, "Lumivo Row", m_Board.lumivoRow);
    p.WriteProfileInt(kSection, "Lumivo Column", m_Board.lumivoColumn);
}

void CProjectCore::WriteSaveSettings(common::IProfile& p) const
{
    p.WriteProfileString(kSection, "Project Path", m_Folder);
    WriteSettings(p);
}

// ---- Board and content

namespace {

// A board's values as a project keeps them: a Lumivo Column below 6 is 3.
BoardValues AsKept(BoardValues board)
{
    board.lumivoColumn = board.lumivoColumn < 6 ? 3 : 6;
    return board;
}

} // namespace

int BoardContainer(BoardValues board) { return ChooseContainer(NormaliseContent(AsKept(board))); }

Result CProjectCore::SetBoard(BoardValues board)
{
    m_Board = AsKept(board);
    return ReloadContent();
}

Result CProjectCore::ReloadContent()
{
    // The stored values follow the container choice.
    m_Board = NormaliseContent(m_Board);
    const int resource = ChooseContainer(m_Board);
    if (resource != 0 && resource == m_ContentResource)
        return {};
    // Loading a container clears the library; the project's user images
    // are kept across it.
    const unsigned kept = m_Content->GetUserImageMX();
    std::vector<uint8_t> images(static_cast<size_t>(m_Content->GetUserImageLZO(nullptr)));
    m_Content->GetUserImageLZO(images.data(), images.size());
    Result r = LoadContainer(resource);
    m_Content->SetUserImageLZO(images.data(), images.size());
    if (m_Content->GetUserImageMX() != kept)
        r.Warn(CoreText("ImagesNotKept", "the user images could not be kept"));
    return r;
}

Result CProjectCore::LoadContainer(int resource)
{
    if (m_Loader && m_Loader.target<NoContentLibrary>())
        return {}; // wanted none: an empty library, and nothing to warn of
    // The program's own containers are mapped rather than read: the library
    // reads each byte once, while it is filled.
    std::optional<std::vector<uint8_t>> bytes;
    std::optional<qvr::MappedContainer> mapped;
    if (resource != 0 && m_Loader && m_Loader.target<ProgramContainers>()) {
        if (const std::string path = qvr::FindContentResource(resource); !path.empty())
            mapped.emplace(path);
    } else if (resource != 0 && m_Loader) {
        bytes = m_Loader(resource);
    }
    if (!bytes && !mapped) {
        // No library for these values: an empty one rather than one that
        // belongs to another board.
        if (m_ContentResource != 0 || m_Content->GetHeaderWord() != 0)
            m_Content->Clear();
        m_ContentResource = 0;
        // A warning, not an error: the project itself is fine.
        Result r;
        r.Warn(kMsgNoResource);
        r.Failed();
        return r;
    }
    const uint8_t* data = mapped ? mapped->data() : bytes->data();
    const size_t size = mapped ? mapped->size() : bytes->size();
    if (size == 0 || m_Content->Initialize(data, size) == 0) {
        m_Content->Clear(); // never a half-filled library
        m_ContentResource = 0;
        return Result::Fail(kMsgContent);
    }
    m_Content->SetBoardLanguage(m_Content->GetContentLanguage());
    m_ContentResource = resource;
    return {};
}

// ---- Project

std::filesystem::path CProjectCore::SetProject(const std::string& folder, const std::string& name)
{
    m_Folder = folder;
    m_Name = name;
    m_Path = std::filesystem::path(folder) / (name + kProjectExtension);
    m_Modified = true;
    return m_Path;
}

// ---- The Ad list

CAdEntry CProjectCore::MakeEntry(uint32_t page, const CLumivo& item) const
{
    CAdEntry e;
    e.page = page;
    e.item = item;
    e.title = ItemTitle(item, KoreanLibrary());
    e.effectS = item.effectS.code;
    e.effectW = item.effectW.code;
    e.effectE = item.effectE.code;
    return e;
}

unsigned CProjectCore::CountPageItems(unsigned page) const
{
    return static_cast<unsigned>(std::count_if(m_Entries.begin(), m_Entries.end(),
                                               [&](const CAdEntry& e) { return e.page == page; }));
}

std::vector<CLumivo> CProjectCore::PageItems(unsigned page) const
{
    std::vector<CLumivo> items;
    for (const CAdEntry& e : m_Entries)
        if (e.page == page)
            items.push_back(e.item);
    return items;
}

void CProjectCore::NewDocument()
{
    m_Entries.clear();
    m_PageCount = 0;
    m_TextRecipes = {};
    m_Companion.Clear();
}

Result CProjectCore::CheckPage(const std::vector<CLumivo>& items, unsigned itemsAfter) const
{
    if (items.empty())
        return Result::Fail(CoreText("PageNeedsItem", "a page needs at least one item"));
    if (items.size() > kMaxPageItems)
        return Result::Fail(ErrMaxAdvt(CoreText("PageFourItems", "a page holds at most four items")));
    if (itemsAfter > kMaxItems)
        return Result::Fail(ErrMaxAdvt(CoreText("ProjectFiftyItems", "a project holds at most 50 items")));
    return {};
}

Result CProjectCore::AppendPage(const std::vector<CLumivo>& items)
{
    return InsertPage(m_PageCount, items);
}

Result CProjectCore::InsertPage(unsigned page, const std::vector<CLumivo>& items,
                                const std::vector<size_t>& scheduleEntries)
{
    Result r = InsertPage(page, items);
    if (!r)
        return r;
    Schedule& schedule = m_Companion.MutableSchedule();
    for (size_t i : scheduleEntries)
        if (i < schedule.entries.size()) {
            auto& pages = schedule.entries[i].pages;
            pages.insert(std::lower_bound(pages.begin(), pages.end(), page), page);
        }
    return r;
}

Result CProjectCore::InsertPage(unsigned page, const std::vector<CLumivo>& items)
{
    if (page > m_PageCount)
        return Result::Fail(CoreText("NoSuchPage", "there is no page %s", {std::to_string(page)}));
    if (Result r = CheckPage(items, ItemCount() + static_cast<unsigned>(items.size())); !r)
        return r;
    // The list stays grouped: the new page goes before the first entry of
    // a later page.
    auto at = std::find_if(m_Entries.begin(), m_Entries.end(),
                           [&](const CAdEntry& e) { return e.page >= page; });
    for (CAdEntry& e : m_Entries)
        if (e.page >= page)
            ++e.page;
    std::vector<CAdEntry> added;
    for (const CLumivo& item : items)
        added.push_back(MakeEntry(page, item));
    m_Entries.insert(at, added.begin(), added.end());
    ++m_PageCount;
    SchedulePageInserted(m_Companion.MutableSchedule(), page);
    m_Modified = true;
    return {};
}

Result CProjectCore::ReplacePage(unsigned page, const std::vector<CLumivo>& items)
{
    if (page >= m_PageCount)
        return Result::Fail(CoreText("NoSuchPage", "there is no page %s", {std::to_string(page)}));
    const unsigned others = ItemCount() - CountPageItems(page);
    if (Result r = CheckPage(items, others + static_cast<unsigned>(items.size())); !r)
        return r;
    auto first = std::find_if(m_Entries.begin(), m_Entries.end(),
                              [&](const CAdEntry& e) { return e.page >= page; });
    auto last = std::find_if(first, m_Entries.end(), [&](const CAdEntry& e) { return e.page != page; });
    std::vector<CAdEntry> added;
    for (const CLumivo& item : items)
        added.push_back(MakeEntry(page, item));
    first = m_Entries.erase(first, last);
    m_Entries.insert(first, added.begin(), added.end());
    m_Modified = true;
    return {};
}

Result CProjectCore::DeletePage(unsigned page)
{
    if (page >= m_PageCount)
        return Result::Fail(CoreText("NoSuchPage", "there is no page %s", {std::to_string(page)}));
    std::erase_if(m_Entries, [&](const CAdEntry& e) { return e.page == page; });
    for (CAdEntry& e : m_Entries)
        if (e.page > page)
            --e.page;
    --m_PageCount;
    SchedulePageDeleted(m_Companion.MutableSchedule(), page);
    m_Modified = true;
    return {};
}

Result CProjectCore::MovePage(unsigned from, unsigned to)
{
    if (from >= m_PageCount || to >= m_PageCount)
        return Result::Fail(CoreText("NoSuchPage", "there is no page %s", {std::to_string(std::max(from, to))}));
    for (CAdEntry& e : m_Entries)
        e.page = PageAfterMove(e.page, from, to);
    // Stable: the items of each page stay in their order.
    std::stable_sort(m_Entries.begin(), m_Entries.end(),
                     [](const CAdEntry& a, const CAdEntry& b) { return a.page < b.page; });
    SchedulePageMoved(m_Companion.MutableSchedule(), from, to);
    m_Modified = true;
    return {};
}

Result CProjectCore::SetItem(size_t entry, const CLumivo& item)
{
    if (entry >= m_Entries.size())
        return Result::Fail(common::Utf16ToUtf8(LangText("Error", "ErrOutBound")));
    m_Entries[entry] = MakeEntry(m_Entries[entry].page, item);
    m_Modified = true;
    return {};
}

Result CProjectCore::SetPageUsed(unsigned page, bool used)
{
    if (page >= m_PageCount)
        return Result::Fail(CoreText("NoSuchPage", "there is no page %s", {std::to_string(page)}));
    for (CAdEntry& e : m_Entries)
        if (e.page == page)
            e.item.skip = used ? 0 : 1;
    m_Modified = true;
    return {};
}

Result CProjectCore::SetSchedule(Schedule schedule)
{
    Result r = CheckSchedule(schedule);
    if (!r)
        return r;
    m_Companion.SetSchedule(std::move(schedule));
    m_Modified = true;
    return r;
}

Result CProjectCore::SetCompanionSection(const std::string& name, nlohmann::json value)
{
    Result r = m_Companion.SetSection(name, std::move(value));
    if (r)
        m_Modified = true;
    return r;
}

std::vector<unsigned> CProjectCore::UsedPages() const
{
    std::vector<unsigned> used;
    for (const CAdEntry& e : m_Entries)
        if (e.item.skip == 0 && (used.empty() || used.back() != e.page))
            used.push_back(e.page);
    return used;
}

AdPages CProjectCore::Pages() const
{
    AdPages pages(m_PageCount);
    for (const CAdEntry& e : m_Entries)
        if (e.page < pages.size())
            pages[e.page].push_back(e.item);
    return pages;
}

Result CProjectCore::ReplaceAdList(const AdPages& pages)
{
    if (pages.size() > kMaxPages)
        return Result::Fail(ErrMaxAdvt(CoreText("ProjectFiftyPages", "a project holds at most 50 pages")));
    size_t total = 0;
    for (const auto& items : pages)
        total += items.size();
    for (const auto& items : pages)
        if (Result r = CheckPage(items, static_cast<unsigned>(std::min<size_t>(total, kMaxItems + 1))); !r)
            return r;
    m_Entries.clear();
    for (size_t p = 0; p < pages.size(); ++p)
        for (const CLumivo& item : pages[p])
            m_Entries.push_back(MakeEntry(static_cast<uint32_t>(p), item));
    m_PageCount = static_cast<unsigned>(pages.size());
    m_Modified = true;
    return {};
}

// ---- User images

Result ReadUserImages(const uint8_t* blob, size_t length, std::vector<CRGX<8192>>& images)
{
    images.clear();
    if (blob == nullptr)
        return Result::Fail("Error file: LumivoDoc 277 line");
    std::vector<CRGX<8192>> slots(CContent::kUserImages);
    unsigned count = 0;
    const long used = qvr::ReadUserImageLZO(blob, length, slots.data(), CContent::kUserImages, count);
    slots.resize(count);
    images = std::move(slots);
    // A blob of no images is consumed up to its count field only.
    const bool empty = used == 8 && length == 12 && count == 0;
    if (used != static_cast<long>(length) && !empty)
        return Result::Fail(CoreText("ImageBlobDamaged", "the user-image blob is damaged: %s image(s) read", {std::to_string(count)}));
    return {};
}

Result CProjectCore::LoadUserImages(const uint8_t* blob, size_t length)
{
    std::vector<CRGX<8192>> images;
    if (Result r = ReadUserImages(blob, length, images); !r)
        return r;
    return ReplaceUserImages(images);
}

std::vector<CRGX<8192>> CProjectCore::UserImages() const
{
    std::vector<CRGX<8192>> images;
    for (unsigned i = 0; i < m_Content->GetUserImageMX(); ++i)
        images.push_back(*m_Content->GetUserImage(static_cast<int>(i)));
    return images;
}

Result CProjectCore::ReplaceUserImages(const std::vector<CRGX<8192>>& images)
{
    if (images.size() > CContent::kUserImages)
        return Result::Fail(CoreText("ProjectImages", "a project holds at most %s user images", {std::to_string(CContent::kUserImages)}));
    m_Content->ClearUserImage();
    for (const CRGX<8192>& image : images)
        m_Content->InsertUserImage(&image);
    m_Modified = true;
    return {};
}

} // namespace lumivo
