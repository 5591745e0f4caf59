// SPDX-License-Identifier: GPL-2.0-or-later
// The project file (.qvndoc) and the Ad blob: both are read bounded by
// their length and parsed completely before the project is touched, so a
// refused input leaves the project as it was.
#include "core/project.h"
#include "core/core_text.h"

#include "core/item_text.h"

#include <qvr/lzo.h>

#include <common/text.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumivo {

namespace {

constexpr uint8_t kSignature[7] = {'Q', 'V', 'N', 'D', 'O', 'C', 0};
constexpr size_t kHeaderBytes = 7 + 6 + 4; // signature, six values, N
// No project file of 50 items and 8 user images comes near this.
constexpr size_t kMaxProjectFileBytes = 16u * 1024u * 1024u;

std::string Words(const char* key, const std::vector<FormatArg>& args = {})
{
    return common::Utf16ToUtf8(FormatText(LangText("Program", key), args));
}

constexpr size_t kItemArrayBytes = kMaxItems * qvr::kItemBytes;  // 41,200
constexpr size_t kPageArrayBytes = kMaxPages * qvr::kPageBytes;  // 500

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p)
{
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A cursor that never passes the end of its bytes.
class Reader {
public:
    Reader(const uint8_t* data, size_t length) : m_data(data), m_length(length) {}
    size_t left() const { return m_length - m_at; }
    bool Take32(uint32_t& v)
    {
        if (left() < 4)
            return false;
        v = Get32(m_data + m_at);
        m_at += 4;
        return true;
    }
    const uint8_t* Take(size_t n)
    {
        if (left() < n)
            return nullptr;
        const uint8_t* p = m_data + m_at;
        m_at += n;
        return p;
    }

private:
    const uint8_t* m_data;
    size_t m_length;
    size_t m_at = 0;
};

struct RawEntry {
    uint32_t page;
    CLumivo item;
};

// Brings a list read from outside into the shape the project keeps: grouped
// by page in ascending order, pages numbered 0 to n-1 without gaps, at most
// four items a page (a longer page is split, keeping the order). Returns
// the page count; repairs are reported as warnings.
unsigned RepairPages(std::vector<RawEntry>& entries, Result& notes)
{
    const bool sorted = std::is_sorted(entries.begin(), entries.end(),
                                       [](const RawEntry& a, const RawEntry& b) { return a.page < b.page; });
    if (!sorted) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const RawEntry& a, const RawEntry& b) { return a.page < b.page; });
        notes.Warn(CoreText("Regrouped", "the items were not grouped by page: they were regrouped"));
    }
    bool renumbered = false, split = false;
    unsigned pages = 0, onPage = 0;
    uint32_t previous = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        RawEntry& e = entries[i];
        const bool samePage = i > 0 && e.page == previous;
        if (!samePage || onPage == kMaxPageItems) {
            split |= samePage;
            ++pages;
            onPage = 0;
        }
        previous = e.page;
        ++onPage;
        renumbered |= e.page != pages - 1;
        e.page = pages - 1;
    }
    if (split)
        notes.Warn(CoreText("PageSplit", "a page held more than four items: it was split into pages of four"));
    else if (renumbered)
        notes.Warn(CoreText("PagesRenumbered", "the page numbers had gaps or passed 49: the pages were numbered again"));
    return pages;
}

struct ParsedFile {
    BoardValues board;
    uint8_t pageCount = 0;
    std::vector<RawEntry> entries;
    bool hasImages = false;
    std::vector<uint8_t> images;
};

Result ParseProjectFile(const uint8_t* data, size_t length, ParsedFile& out)
{
    Result r;
    if (data == nullptr || length < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return Result::Fail(Words("NotProject"));
    if (length < kHeaderBytes)
        return Result::Fail(Words("ShortHeader"));
    const uint8_t* v = data + 7;
    out.board = BoardValues{v[0], v[1], v[2], v[3], v[4]};
    out.pageCount = v[5];
    // A size the program never makes (a damaged header) would give an empty
    // or enormous board: the nearest one it makes is used instead.
    auto repair = [&](uint8_t& value, uint8_t low, uint8_t high, const std::string& what) {
        const uint8_t fixed = std::clamp(value, low, high);
        if (fixed != value)
            r.Warn(CoreText("BoardValueRepaired", "the board's %s %s is outside %s–%s: %s is used",
                            {what, std::to_string(value), std::to_string(low), std::to_string(high), std::to_string(fixed)}));
        value = fixed;
    };
    repair(out.board.moduleRow, 1, 4, CoreText("ModuleRows", "module rows"));
    repair(out.board.moduleColumn, 2, 20, CoreText("ModuleColumns", "module columns"));

    Reader in(data + 13, length - 13);
    uint32_t count = 0;
    in.Take32(count);
    unsigned dropped = 0;
    bool truncated = false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t page = 0, packed = 0;
        if (!in.Take32(page) || !in.Take32(packed) || packed > in.left()) {
            truncated = true;
            break;
        }
        const uint8_t* bytes = in.Take(packed);
        uint8_t raw[qvr::kItemBytes];
        if (packed > kMaxRecordBytes ||
            qvr::lzo::Decompress(bytes, packed, raw, sizeof raw) != static_cast<long>(sizeof raw)) {
            ++dropped;
            continue;
        }
        RawEntry e{page, CLumivo()};
        qvr::LoadItem(raw, e.item);
        out.entries.push_back(e);
    }
    if (dropped != 0)
        r.Warn(CoreText("ItemsDropped", "%s damaged item(s) were dropped", {std::to_string(dropped)}));
    if (truncated) {
        r.Warn(CoreText("FileTruncated", "the file is truncated: %s of %s items were read, no user images",
                        {std::to_string(out.entries.size()), std::to_string(count)}));
        return r;
    }
    uint32_t images = 0, blobLength = 0;
    if (!in.Take32(images) || !in.Take32(blobLength)) {
        r.Warn(CoreText("TruncatedBeforeImages", "the file is truncated before its user images"));
        return r;
    }
    if (images != 0 && blobLength != 0) {
        if (blobLength > in.left())
            r.Warn(CoreText("TruncatedInImages", "the file is truncated inside its user images: they were dropped"));
        else if (blobLength > kMaxRecordBytes)
            r.Warn(CoreText("ImageBlockTooLong", "the user-image block is too long: it was dropped"));
        else {
            const uint8_t* blob = in.Take(blobLength);
            out.images.assign(blob, blob + blobLength);
            out.hasImages = true;
        }
    }
    if ((out.hasImages || images == 0 || blobLength == 0) && in.left() != 0)
        r.Warn(CoreText("TrailingBytes", "%s byte(s) after the user images were ignored", {std::to_string(in.left())}));
    return r;
}

} // namespace

// Why a project file could not be read, in words a user can act on.
std::string ReadFailure(const std::filesystem::path& path, const Result& read)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status))
        return Words("NoFile");
    if (!std::filesystem::is_regular_file(status))
        return Words("NotRegular");
    if (std::filesystem::file_size(path, ec) > kMaxProjectFileBytes)
        return Words("TooLarge");
    if (FILE* f = std::fopen(path.c_str(), "rb"))
        std::fclose(f);
    else if (errno == EACCES || errno == EPERM)
        return Words("NoAccess");
    return Words("ReadError", {common::Utf8ToUtf16(read.FirstError())});
}

Result CProjectCore::LoadFile(const std::filesystem::path& path)
{
    // The message names the file and the reason.
    auto failed = [&path](const std::string& why) {
        return Result::Fail(Words("OpenFailed", {common::Utf8ToUtf16(path.string()), common::Utf8ToUtf16(why)}));
    };
    std::vector<uint8_t> bytes;
    if (Result r = ReadFileLimited(path, kMaxProjectFileBytes, bytes); !r)
        return failed(ReadFailure(path, r));
    Result r = LoadBytes(bytes.data(), bytes.size());
    if (!r)
        return failed(r.FirstError());
    if (r) {
        m_Folder = path.parent_path().string();
        m_Name = path.stem().string();
        m_Path = path;
        // A damaged companion does not keep the project from opening.
        const Result companion = m_Companion.Read(path);
        for (const Message& m : companion.messages())
            r.Warn(m.text);
        if (const auto recipes = m_Companion.Section(kTextImagesSection)) {
            if (const Result read = m_TextRecipes.FromJson(*recipes); !read)
                for (const Message& m : read.messages())
                    r.Warn(m.text);
        }
    }
    return r;
}

Result CProjectCore::LoadBytes(const uint8_t* data, size_t length)
{
    ParsedFile file;
    Result r = ParseProjectFile(data, length, file);
    if (!r)
        return r;
    if (file.entries.size() > kMaxItems) {
        return Result::Fail(Words("TooManyItems", {common::Utf8ToUtf16(std::to_string(file.entries.size()))}));
    }
    const unsigned pages = RepairPages(file.entries, r);
    if (pages != file.pageCount)
        r.Warn(CoreText("PageCountCorrected", "the page count %s was corrected to %s",
                        {std::to_string(file.pageCount), std::to_string(pages)}));

    // Accepted: from here on the project changes.
    m_Board = file.board;
    m_Companion.Clear();
    m_Entries.clear();
    for (const RawEntry& e : file.entries)
        m_Entries.push_back(MakeEntry(e.page, e.item));
    m_PageCount = pages;
    // The recipes belong to the project read before; its companion brings its own.
    m_TextRecipes = {};
    // Every message so far tells of a repair to the file.
    m_LoadRepairs = static_cast<unsigned>(r.messages().size());
    m_Content->ClearUserImage();
    // A missing or broken library does not stop the Ads from loading.
    r.Append(ReloadContent(), true);
    if (file.hasImages) {
        // The images before a damaged one are kept.
        std::vector<CRGX<8192>> images;
        Result read = ReadUserImages(file.images.data(), file.images.size(), images);
        for (const Message& m : read.messages())
            r.Warn(m.text);
        m_LoadRepairs += static_cast<unsigned>(read.messages().size());
        ReplaceUserImages(images);
    }
    m_Modified = false;
    return r;
}

std::vector<uint8_t> CProjectCore::Serialize() const
{
    const uint8_t values[6] = {m_Board.moduleRow, m_Board.moduleColumn, m_Board.language,
                               m_Board.lumivoRow, m_Board.lumivoColumn,
                               static_cast<uint8_t>(m_PageCount)};
    std::vector<uint8_t> out;
    out.reserve(kHeaderBytes + m_Entries.size() * 128 + 8);
    out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
    out.insert(out.end(), std::begin(values), std::end(values));
    Put32(out, static_cast<uint32_t>(m_Entries.size()));
    uint8_t raw[qvr::kItemBytes];
    for (const CAdEntry& e : m_Entries) {
        qvr::StoreItem(e.item, raw);
        const std::vector<uint8_t> packed = qvr::lzo::Compress(raw, sizeof raw);
        Put32(out, e.page);
        Put32(out, static_cast<uint32_t>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }
    const unsigned images = m_Content->GetUserImageMX();
    Put32(out, images);
    if (images == 0) {
        Put32(out, 0);
    } else {
        std::vector<uint8_t> blob(static_cast<size_t>(m_Content->GetUserImageLZO(nullptr)));
        m_Content->GetUserImageLZO(blob.data(), blob.size());
        Put32(out, static_cast<uint32_t>(blob.size()));
        out.insert(out.end(), blob.begin(), blob.end());
    }
    return out;
}

Result CProjectCore::SaveFile(const std::filesystem::path& path, IFileOps* ops, int* error)
{
    Result r = WriteFileAtomic(path, Serialize(), ops, error);
    if (!r)
        return r;
    // The project is saved; a companion that could not be written keeps the
    // project modified, so the schedule is not lost unnoticed.
    m_Companion.SetSection(kTextImagesSection,
                           m_TextRecipes.bySlot.empty() ? nlohmann::json() : m_TextRecipes.ToJson());
    r.Append(m_Companion.Write(path, ops));
    if (r)
        m_Modified = false;
    return r;
}

// ---- Ad blob

Result CProjectCore::PackAdBlob(std::vector<uint8_t>& blob)
{
    if (m_Entries.size() > kMaxItems)
        return Result::Fail(CoreText("MoreThanFifty", "the project holds more than 50 items"));
    std::vector<uint8_t> items(kItemArrayBytes), pages(kPageArrayBytes);
    const CLumivo blank;
    for (unsigned i = 0; i < kMaxItems; ++i)
        qvr::StoreItem(blank, items.data() + i * qvr::kItemBytes);
    CLumiCPage table[kMaxPages];
    unsigned position = 0;
    for (size_t i = 0; i < m_Entries.size() && i < kMaxItems; ++i) {
        CAdEntry& e = m_Entries[i];
        position = (i == 0 || e.page != m_Entries[i - 1].page) ? 0 : position + 1;
        // The list's shape guarantees both; checked so a broken list can
        // never write past the page table.
        if (e.page >= kMaxPages || position >= kMaxPageItems)
            return Result::Fail(CoreText("PageTableFull", "the Ad list does not fit the controller's page table"));
        e.item.number = static_cast<uint8_t>(i + 1);
        qvr::StoreItem(e.item, items.data() + i * qvr::kItemBytes);
        table[e.page].ads[position] = static_cast<uint16_t>(i + 1);
        ++table[e.page].count;
    }
    for (unsigned p = 0; p < kMaxPages; ++p)
        qvr::StorePage(table[p], pages.data() + p * qvr::kPageBytes);
    const std::vector<uint8_t> packedItems = qvr::lzo::Compress(items.data(), items.size());
    const std::vector<uint8_t> packedPages = qvr::lzo::Compress(pages.data(), pages.size());
    if (packedItems.empty() || packedPages.empty())
        return Result::Fail(CoreText("BlobNotCompressed", "the Ad blob could not be compressed"));
    blob.assign({'L', 'Z', 'O', ' '});
    Put32(blob, static_cast<uint32_t>(packedItems.size()));
    blob.insert(blob.end(), packedItems.begin(), packedItems.end());
    Put32(blob, static_cast<uint32_t>(packedPages.size()));
    blob.insert(blob.end(), packedPages.begin(), packedPages.end());
    return {};
}

Result ReadAdBlob(const uint8_t* blob, size_t length, AdPages& pagesOut)
{
    if (blob == nullptr)
        return Result::Fail("Error file: LumivoDoc 163 line");
    if (length < 4)
        return Result::Fail(CoreText("BlobShort", "the Ad blob is too short"));
    if (std::memcmp(blob, "RLE ", 4) == 0)
        return Result::Fail(CoreText("BlobRle", "the Ad blob is RLE-compressed, which this program does not read"));
    if (std::memcmp(blob, "LZO ", 4) != 0)
        return Result::Fail(CoreText("BlobTag", "the Ad blob has an unknown tag"));
    Reader in(blob + 4, length - 4);
    uint32_t l1 = 0, l2 = 0;
    const uint8_t* packedItems = nullptr;
    const uint8_t* packedPages = nullptr;
    if (!in.Take32(l1) || (packedItems = in.Take(l1)) == nullptr || !in.Take32(l2) ||
        (packedPages = in.Take(l2)) == nullptr)
        return Result::Fail(CoreText("BlobTruncated", "the Ad blob is truncated"));
    if (l1 == 0)
        return Result::Fail(CoreText("BlobEmpty", "the Ad blob holds no items"));
    std::vector<uint8_t> items(kItemArrayBytes), pages(kPageArrayBytes);
    if (qvr::lzo::Decompress(packedItems, l1, items.data(), items.size()) != static_cast<long>(items.size()) ||
        qvr::lzo::Decompress(packedPages, l2, pages.data(), pages.size()) != static_cast<long>(pages.size()))
        return Result::Fail(CoreText("BlobDamaged", "the Ad blob is damaged: its arrays do not decompress"));

    Result r;
    std::vector<RawEntry> entries;
    for (unsigned s = 0; s < kMaxPages; ++s) {
        CLumiCPage page;
        qvr::LoadPage(pages.data() + s * qvr::kPageBytes, page);
        for (uint16_t number : page.ads) {
            if (number == 0 || number > kMaxItems)
                break;
            RawEntry e{s, CLumivo()};
            qvr::LoadItem(items.data() + (number - 1) * qvr::kItemBytes, e.item);
            entries.push_back(e);
        }
    }
    if (entries.size() > kMaxItems)
        return Result::Fail(CoreText("BlobTooMany", "the Ad blob lists %s items, more than 50", {std::to_string(entries.size())}));
    // Pages left empty by the controller are closed up.
    const unsigned count = RepairPages(entries, r);
    pagesOut.assign(count, {});
    for (const RawEntry& e : entries)
        pagesOut[e.page].push_back(e.item);
    return r;
}

Result CProjectCore::LoadAdBlob(const uint8_t* blob, size_t length)
{
    AdPages pages;
    Result r = ReadAdBlob(blob, length, pages);
    if (!r)
        return r;
    r.Append(ReplaceAdList(pages));
    return r;
}

} // namespace lumivo
