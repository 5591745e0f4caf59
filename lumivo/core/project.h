// SPDX-License-Identifier: GPL-2.0-or-later
// The project: board values, the Ad list grouped by page, the content
// library that matches the board with the user images inside it, the project
// file (.qvndoc) and the Ad blob the controller exchanges. Everything here is
// free of windows: the Qt document holds one CProjectCore and shows the
// messages of the returned Results in message boxes; the command-line tool
// prints them.
#pragma once

#include "core/atomic_file.h"
#include "core/companion.h"
#include "core/result.h"
#include "core/text_recipe.h"

#include <qvr/content.h>
#include <qvr/records.h>

#include <common/profile.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumivo {

// Texts fixed by the program (shown as they are in every language).
inline constexpr const char* kMsgContent = "Error:Load Lumivo Content...";
inline constexpr const char* kMsgNoResource = "Select Resource Not Find!!!!";

// Limits of a project: what the controller's Ad blob can hold.
constexpr unsigned kMaxItems = 50;
constexpr unsigned kMaxPages = 50;
constexpr unsigned kMaxPageItems = 4;

// The reader's buffer for one compressed record or the user-image blob.
// The program never writes longer ones; longer ones are dropped.
constexpr size_t kMaxRecordBytes = 131072;

constexpr const char* kProjectExtension = ".qvndoc";

// The Ad list as pages of items, in page order.
using AdPages = std::vector<std::vector<CLumivo>>;

// Reads an Ad blob ("LZO ": items and page table) into pages; pages the
// controller left empty are closed up. A refused blob leaves pages untouched.
Result ReadAdBlob(const uint8_t* blob, size_t length, AdPages& pages);

// Reads a user-image blob (at most eight images). On damage it fails and
// images holds those read before it.
Result ReadUserImages(const uint8_t* blob, size_t length, std::vector<CRGX<8192>>& images);

// One line of the Ad list.
struct CAdEntry {
    uint32_t page = 0;     // 0-based page (Ad) number
    std::u16string title;  // rebuilt from the item whenever the entry is made
    uint32_t effectS = 0;  // the item's effect codes when the entry was made
    uint32_t effectW = 0;
    uint32_t effectE = 0;
    CLumivo item;
};

// Module Row, Module Column, Language, Lumivo Row, Lumivo Column.
struct BoardValues {
    uint8_t moduleRow = 2;
    uint8_t moduleColumn = 6;
    uint8_t language = 'A';
    uint8_t lumivoRow = 2;
    uint8_t lumivoColumn = 6;
    bool operator==(const BoardValues&) const = default;
};

// The three content values as the container choice needs them: a Language
// other than 'A' and 'E' becomes 'E', a Lumivo Column other than 3 and 6
// becomes 6, a Lumivo Row of 0 or above 2 becomes 2.
BoardValues NormaliseContent(BoardValues board);
// The container's resource number for normalised values; 0 when none fits.
int ChooseContainer(uint8_t language, uint8_t lumivoRow, uint8_t lumivoColumn);
inline int ChooseContainer(const BoardValues& b)
{
    return ChooseContainer(b.language, b.lumivoRow, b.lumivoColumn);
}
// The container a project set to a board with these values plays from
// (SetBoard's choice): 0 when none fits.
int BoardContainer(BoardValues board);

// Where the containers come from: the bytes of a resource, nothing when
// the resource does not exist (an empty vector: it exists but cannot be read).
using ContentLoader = std::function<std::optional<std::vector<uint8_t>>(int resource)>;
// The program's containers.
ContentLoader DefaultContentLoader();

// The board a new project starts with: the "Settings" values with the
// new-project defaults (1 module row, 6 columns, 'E', content rows = module
// rows, content column class 6 unless the setting is below 6).
BoardValues NewProjectBoard(const common::IProfile& profile);

class CProjectCore {
public:
    explicit CProjectCore(ContentLoader loader = DefaultContentLoader());
    ~CProjectCore();
    CProjectCore(const CProjectCore&) = delete;
    CProjectCore& operator=(const CProjectCore&) = delete;

    // ---- Settings (section "Settings").
    // Reads the five board values with their defaults (2, 6, 'A', 2, 6),
    // then chooses and loads the container: what the document does when it
    // is made.
    Result Start(const common::IProfile& profile);
    void ReadSettings(const common::IProfile& profile);
    // The five board values (when the document goes).
    void WriteSettings(common::IProfile& profile) const;
    // "Project Path" and the five values (when the project is saved).
    void WriteSaveSettings(common::IProfile& profile) const;

    // ---- Board and content library.
    const BoardValues& Board() const { return m_Board; }
    // Stores the values, the Lumivo Column clamped first (below 6: 3, else 6)
    // and the content values normalised; reloads the content library. Fails
    // when no container could be loaded (the values are stored all the same).
    Result SetBoard(BoardValues board);
    // Chooses the container for the board values and loads it; the user
    // images survive a reload.
    Result ReloadContent();
    int ContentResource() const { return m_ContentResource; } // 0: nothing loaded
    CContent& Content() { return *m_Content; }
    const CContent& Content() const { return *m_Content; }
    const QVXF& DefaultQvxf() const { return m_DefaultQvxf; }

    // ---- Project folder and name.
    // Stores both and composes the file path (folder / name + ".qvndoc");
    // marks the project modified. Making the folder the current directory is
    // left to the caller.
    std::filesystem::path SetProject(const std::string& folder, const std::string& name);
    const std::string& Folder() const { return m_Folder; }
    const std::string& Name() const { return m_Name; }
    const std::filesystem::path& Path() const { return m_Path; }

    bool IsModified() const { return m_Modified; }
    void SetModified(bool modified) { m_Modified = modified; }

    // ---- The Ad list.
    const std::vector<CAdEntry>& Entries() const { return m_Entries; }
    unsigned PageCount() const { return m_PageCount; }
    unsigned ItemCount() const { return static_cast<unsigned>(m_Entries.size()); }
    unsigned CountPageItems(unsigned page) const;
    std::vector<CLumivo> PageItems(unsigned page) const;
    // Empties the list (a new document).
    void NewDocument();
    // A new last page. Refused (with the "ErrMaxAdvt" text) when the page is
    // empty, holds more than four items or the project would pass 50 items.
    Result AppendPage(const std::vector<CLumivo>& items);
    // A new page p; pages p and later move one up. p may be the page count.
    Result InsertPage(unsigned page, const std::vector<CLumivo>& items);
    // The page's items replaced (the editor's Edit Ad).
    Result ReplacePage(unsigned page, const std::vector<CLumivo>& items);
    // Removes page p; later pages move one down.
    Result DeletePage(unsigned page);
    // Page `from` moves to position `to` (both below the page count), the
    // pages between closing up; its items keep their order. MovePage(to,
    // from) takes it back.
    Result MovePage(unsigned from, unsigned to);
    // Page references of the schedule follow every insert, delete and move. This
    // form of InsertPage also makes the given entries name the new page
    // again (the undo of a delete: see EntriesNaming).
    Result InsertPage(unsigned page, const std::vector<CLumivo>& items, const std::vector<size_t>& scheduleEntries);
    // Replaces one entry's item (effects, skip ...); rebuilds its title and codes.
    Result SetItem(size_t entry, const CLumivo& item);
    // The Uses check box: every item of the page stores skip = !used.
    Result SetPageUsed(unsigned page, bool used);
    // The whole list as pages, and replaced by pages (Ads read from the
    // controller; undo). Refused, changing nothing, when a page is empty or
    // holds more than four items, or there are more than 50 items or pages.
    AdPages Pages() const;
    Result ReplaceAdList(const AdPages& pages);

    // ---- Project file.
    // A refused file leaves the project as it was. Damaged records, missing
    // containers and repairs are reported as warnings of a successful load.
    Result LoadFile(const std::filesystem::path& path);
    Result LoadBytes(const uint8_t* data, size_t length);
    // How many repairs the last accepted load made to the file's contents
    // (records dropped, pages renumbered, a cut end, damaged user images);
    // 0 for a sound file. A missing content library is no fault of the file.
    unsigned LoadRepairs() const { return m_LoadRepairs; }
    std::vector<uint8_t> Serialize() const;
    // Atomic: a failed save leaves the old file and reports why.
    // *error (when given) gets the errno of the failed step (EACCES for a
    // read-only file, which is never replaced), 0 on success.
    Result SaveFile(const std::filesystem::path& path, IFileOps* ops = nullptr, int* error = nullptr);

    // ---- The companion file (NAME.lumivo.json): the schedule and other
    // sections. LoadFile reads it (a damaged one is a warning: the project
    // opens without it); SaveFile writes it after the project file, never
    // when that failed.
    const CCompanion& Companion() const { return m_Companion; }
    const Schedule& GetSchedule() const { return m_Companion.GetSchedule(); }
    // Checked first; a refused schedule changes nothing. Marks the project modified.
    Result SetSchedule(Schedule schedule);
    // A section of the companion other than the schedule (see CCompanion).
    std::optional<nlohmann::json> CompanionSection(const std::string& name) const { return m_Companion.Section(name); }
    Result SetCompanionSection(const std::string& name, nlohmann::json value);
    // The pages whose Uses box is checked: what shows where nothing is scheduled.
    std::vector<unsigned> UsedPages() const;

    // ---- Ad blob.
    // Numbers the items 1 to n (in the project's items too, as the
    // controller expects them numbered) and lays out the blob.
    Result PackAdBlob(std::vector<uint8_t>& blob);
    // Replaces the Ad list; a refused blob leaves it as it was.
    Result LoadAdBlob(const uint8_t* blob, size_t length);

    // ---- User images.
    // Succeeds when the blob is consumed exactly; a refused blob leaves the
    // user images as they were.
    Result LoadUserImages(const uint8_t* blob, size_t length);
    unsigned UserImageCount() const { return m_Content->GetUserImageMX(); }
    // The user images in order.
    std::vector<CRGX<8192>> UserImages() const;
    // Replaces the user images; refused, changing nothing, beyond eight.
    Result ReplaceUserImages(const std::vector<CRGX<8192>>& images);

    // What the user images drawn from text were made of, by slot. Not in the
    // .qvndoc file; the companion file beside it keeps them.
    TextImageRecipes& TextRecipes() { return m_TextRecipes; }
    const TextImageRecipes& TextRecipes() const { return m_TextRecipes; }

    // Whether dates are titled with the Korean pictures (the Korean library).
    bool KoreanLibrary() const { return m_Board.language == 'A'; }
    CAdEntry MakeEntry(uint32_t page, const CLumivo& item) const;

private:
    Result LoadContainer(int resource);
    Result CheckPage(const std::vector<CLumivo>& items, unsigned itemsAfter) const;

    ContentLoader m_Loader;
    std::unique_ptr<CContent> m_Content;
    int m_ContentResource = 0;
    std::vector<CAdEntry> m_Entries;
    QVXF m_DefaultQvxf;
    std::string m_Folder;
    std::string m_Name;
    std::filesystem::path m_Path;
    BoardValues m_Board;
    unsigned m_PageCount = 0;
    unsigned m_LoadRepairs = 0;
    TextImageRecipes m_TextRecipes;
    bool m_Modified = false;
    CCompanion m_Companion;
};

} // namespace lumivo
