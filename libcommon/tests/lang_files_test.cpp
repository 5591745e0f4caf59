// SPDX-License-Identifier: BSD-2-Clause
// Checks the shipped language files against resources/Lang/keys.txt, the list
// of every (section, key) the program reads. A missing key shows as an empty
// label; a translation whose format specifiers differ from the English text
// makes printf-style callers read the wrong arguments.
#include "common/datetime.h"
#include "common/globalization.h"
#include "common/ini.h"
#include "common/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using common::Utf16ToUtf8;
using common::Utf8ToUtf16;

fs::path SourceDir()
{
    if (const char* env = std::getenv("LUMIVO_SOURCE_DIR"); env && *env)
        return env;
    return fs::path(__FILE__).parent_path().parent_path().parent_path();
}

fs::path LangDir() { return SourceDir() / "resources" / "Lang"; }

std::string ReadBytes(const fs::path& path)
{
    std::string bytes;
    common::ReadFileBounded(path, common::kMaxTextFileBytes, bytes);
    return bytes;
}

std::u16string Fold(std::u16string_view s)
{
    std::u16string out(s);
    for (char16_t& c : out)
        c = common::FoldCase(c);
    return out;
}

using Name = std::pair<std::u16string, std::u16string>; // section, key

struct KeyList {
    std::vector<Name> keys; // as written
    std::vector<std::string> lines;
};

KeyList ReadKeyList()
{
    KeyList k;
    std::ifstream in(LangDir() / "keys.txt");
    std::string line;
    while (std::getline(in, line)) {
        k.lines.push_back(line);
        const auto tab = line.find('\t');
        if (tab != std::string::npos)
            k.keys.emplace_back(Utf8ToUtf16(line.substr(0, tab)), Utf8ToUtf16(line.substr(tab + 1)));
    }
    return k;
}

// The printf conversions of a text, in order ("%%" is a literal percent).
std::vector<std::string> Specifiers(const std::string& s)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%')
            continue;
        if (i + 1 < s.size() && s[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < s.size() && std::string_view("-+ #0123456789.*").find(s[j]) != std::string_view::npos)
            ++j;
        while (j < s.size() && std::string_view("hlLqjzt").find(s[j]) != std::string_view::npos)
            ++j;
        out.push_back(s.substr(i, j < s.size() ? j - i + 1 : j - i));
        i = j;
    }
    return out;
}

// The languages we ship and the code page each must declare.
const std::map<std::u16string, unsigned> kShipped = {{u"English", 1252}, {u"Korean", 949}, {u"Chinese", 936}};

// Every check reads the files through the language tables themselves, from
// the source folder, so what is tested is what the program shows.
class LangFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        CGlobalization::SetLangDir(LangDir());
        keyList = ReadKeyList();
        languages = CGlobalization::GetLangList();
    }
    void TearDown() override { CGlobalization::SetLangDir(fs::path()); }

    static std::u16string Text(std::u16string_view lang, std::u16string_view section, std::u16string_view key)
    {
        CGlobalization::SelectLanguage(lang);
        return CGlobalization::GetText(section, key);
    }

    KeyList keyList;
    std::vector<std::u16string> languages;
};

TEST_F(LangFiles, KeyListIsSortedUniqueAndWellFormed)
{
    ASSERT_GT(keyList.keys.size(), 100u) << "keys.txt missing or nearly empty in " << LangDir();
    EXPECT_EQ(keyList.keys.size(), keyList.lines.size()) << "every line is section<TAB>key";
    EXPECT_TRUE(std::is_sorted(keyList.lines.begin(), keyList.lines.end()));
    std::set<Name> seen;
    for (const auto& [section, key] : keyList.keys) {
        EXPECT_FALSE(section.empty() || key.empty() || key.find(u'\t') != std::u16string::npos
                     || common::Trim(section) != section || common::Trim(key) != key)
            << Utf16ToUtf8(section) << " / " << Utf16ToUtf8(key);
        EXPECT_TRUE(seen.insert({Fold(section), Fold(key)}).second)
            << "listed twice (names ignore case): " << Utf16ToUtf8(section) << " " << Utf16ToUtf8(key);
    }
}

// Damage the reader would silently get past: bad UTF-8, a byte-order mark,
// lines without "=", keys before any section, repeated keys or sections
// (the reader keeps the first, so an edit to the second would never show),
// values longer than the reader's buffer.
TEST_F(LangFiles, FilesAreCleanUtf8Tables)
{
    for (const auto& [lang, codePage] : kShipped)
        EXPECT_NE(std::find(languages.begin(), languages.end(), lang), languages.end())
            << Utf16ToUtf8(lang) << ".lang is not listed in " << LangDir();
    for (const auto& lang : languages) {
        SCOPED_TRACE(Utf16ToUtf8(lang));
        const std::string bytes = ReadBytes(LangDir() / (Utf16ToUtf8(lang) + ".lang"));
        ASSERT_FALSE(bytes.empty());
        EXPECT_NE(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no byte-order mark";
        const std::u16string text = Utf8ToUtf16(bytes);
        EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos) << "not valid UTF-8";

        size_t keyLines = 0;
        bool inSection = false;
        for (size_t pos = 0; pos < text.size();) {
            size_t end = text.find(u'\n', pos);
            if (end == std::u16string::npos)
                end = text.size();
            const std::u16string line = common::Trim(text.substr(pos, end - pos));
            pos = end + 1;
            if (line.empty() || line.front() == u';') // ";" lines are comments
                continue;
            if (line.front() == u'[') {
                inSection = true;
                continue;
            }
            EXPECT_TRUE(inSection) << "line outside any section: " << Utf16ToUtf8(line);
            EXPECT_NE(line.find(u'='), std::u16string::npos) << "line without '=': " << Utf16ToUtf8(line);
            keyLines += inSection;
        }

        common::IniFile ini;
        ASSERT_TRUE(ini.Load(LangDir() / (Utf16ToUtf8(lang) + ".lang")));
        size_t entries = 0;
        for (const auto& section : ini.Sections()) {
            entries += section.entries.size();
            for (const auto& e : section.entries)
                EXPECT_LE(e.value.size(), common::kMaxIniValue) << "longer than the reader's buffer: "
                                                                << Utf16ToUtf8(e.key);
        }
        EXPECT_EQ(entries, keyLines) << "a key or a section is written twice";
    }
}

TEST_F(LangFiles, EveryFileHoldsExactlyTheListedKeys)
{
    std::set<Name> listed;
    for (const auto& [section, key] : keyList.keys)
        listed.insert({Fold(section), Fold(key)});
    for (const auto& lang : languages) {
        SCOPED_TRACE(Utf16ToUtf8(lang));
        for (const auto& [section, key] : keyList.keys)
            EXPECT_FALSE(Text(lang, section, key).empty())
                << "missing or empty: [" << Utf16ToUtf8(section) << "] " << Utf16ToUtf8(key);
        common::IniFile ini;
        ini.Load(LangDir() / (Utf16ToUtf8(lang) + ".lang"));
        for (const auto& section : ini.Sections())
            for (const auto& e : section.entries)
                EXPECT_TRUE(listed.count({Fold(section.name), Fold(e.key)}))
                    << "not in keys.txt (add it there when the code reads it): [" << Utf16ToUtf8(section.name)
                    << "] " << Utf16ToUtf8(e.key);
    }
}

// Keys that callers pass through printf-style formatting, with the arguments
// they supply. Every other text must carry no conversion at all.
const std::map<Name, std::vector<std::string>> kFormatted = {
    {{u"Format", u"fmtLumivoCount"}, {"%d"}},        // stored Ads in the controller
    {{u"Format", u"fmtMaxChar"}, {"%d"}},            // the character limit
    {{u"Format", u"fmtSaveChanges"}, {"%s"}},        // the project's title
    {{u"Format", u"fmtTxtFont"}, {"%d"}},            // 1-based face number
    {{u"Format", u"fmtTxtColor"}, {"%d"}},           // 1-based colour number
    {{u"Format", u"fmtTxtEffect"}, {"%s"}},          // effect text as in the Ad list
    {{u"Format", u"fmtTxtContent"}, {"%s", "%d"}},   // kind name, 1-based content number
    {{u"Format", u"fmtTxtType"}, {"%s", "%s"}},      // kind name, the text as it shows now
    {{u"Format", u"fmtTemp"}, {"%s", "%s"}},         // kind name, the sample reading
    {{u"AdMenu", u"MenuDelete"}, {"%s"}},            // the Ad's group header
    {{u"AdMenu", u"ConfirmDelete"}, {"%s", "%d"}},   // the Ad's group header, its item count
    {{u"Error", u"ErrNoGlyph"}, {"%s"}},             // the characters the board cannot draw
    {{u"Error", u"ErrAfterBreak"}, {"%d"}},          // characters past the item's last line
    // The board link's texts, filled in order with their %s arguments only.
    {{u"Board", u"DeviceLost"}, {"%s"}},                       // device path
    {{u"Board", u"ImageTooLarge"}, {"%s", "%s", "%s", "%s"}},  // width, height, bytes, limit
    {{u"Board", u"ImageUnreadable"}, {"%s", "%s"}},            // file, reason
    {{u"Board", u"PortBusy"}, {"%s"}},                         // device path
    {{u"Board", u"PortDenied"}, {"%s", "%s", "%s"}},           // device path, group, group
    {{u"Board", u"PortFailed"}, {"%s", "%s"}},                 // device path, reason
    {{u"Board", u"PortMissing"}, {"%s"}},                      // device path
    {{u"Board", u"SimFailed"}, {"%s"}},                        // reason
    // The Ad editor's questions and tooltips.
    {{u"Error", u"ErrPasteLower"}, {"%d", "%d"}},              // the Ad's lines, the board's
    {{u"AdEditor", u"PlaceChosen"}, {"%s"}},                   // the kind's name
    {{u"EditorTips", u"TipColor"}, {"%d", "%s"}},              // 1-based row, its look
    {{u"EditorTips", u"TipAttrib"}, {"%d", "%s"}},             // 1-based row, its look
    {{u"EditorTips", u"TipFace"}, {"%d", "%s", "%s"}},         // 1-based face, style, heights
    {{u"EditorTips", u"TipWidth"}, {"%d"}},                    // dots per 16 of height
    {{u"EditorTips", u"TipSize"}, {"%d"}},                     // dots
    {{u"EditorTips", u"TipLines"}, {"%d"}},                    // 16-dot lines
    {{u"EditorTips", u"TipNumber"}, {"%d", "%d", "%s"}},       // number, count, what it does
    {{u"EditorTips", u"TipVariant"}, {"%d"}},                  // number
    {{u"EditorTips", u"TipAnimation"}, {"%d"}},                // number
    {{u"EditorTips", u"TipDelay"}, {"%s", "%d", "%s", "%s"}},  // seconds, delay, seconds at 1 and 30
    // Text in the computer's fonts and pictures of the user's own, filled with %s only.
    {{u"FontImage", u"BadHeight"}, {"%s", "%s", "%s"}},
    {{u"FontImage", u"BlobTooLong"}, {"%s", "%s"}},
    {{u"FontImage", u"EightImages"}, {"%s"}},
    {{u"FontImage", u"FontEmpty"}, {"%s"}},
    {{u"FontImage", u"FontFileMissing"}, {"%s"}},
    {{u"FontImage", u"FontLacks"}, {"%s", "%s"}},
    {{u"FontImage", u"FontTooLarge"}, {"%s", "%s"}},
    {{u"FontImage", u"FontUnreadable"}, {"%s", "%s"}},
    {{u"FontImage", u"FromFallback"}, {"%s", "%s"}},
    {{u"FontImage", u"ImageOverBudget"}, {"%s", "%s", "%s", "%s"}},
    {{u"FontImage", u"ImageShapeBad"}, {"%s", "%s"}},
    {{u"FontImage", u"Meter"}, {"%s", "%s", "%s"}},
    {{u"FontImage", u"NeedsFont"}, {"%s", "%s"}},
    {{u"FontImage", u"NoDots"}, {"%s", "%s"}},
    {{u"FontImage", u"NoGlyph"}, {"%s", "%s"}},
    {{u"FontImage", u"NoGlyphEither"}, {"%s", "%s", "%s"}},
    {{u"FontImage", u"NoSize"}, {"%s", "%s"}},
    {{u"FontImage", u"NoStrike"}, {"%s", "%s", "%s"}},
    {{u"FontImage", u"NoSuchFont"}, {"%s"}},
    {{u"FontImage", u"NoSuchFontClosest"}, {"%s", "%s"}},
    {{u"FontImage", u"NoSuchPage"}, {"%s", "%s"}},
    {{u"FontImage", u"NotAFont"}, {"%s", "%s"}},
    {{u"FontImage", u"OneFrame"}, {"%s"}},
    {{u"FontImage", u"PageFull"}, {"%s", "%s", "%s"}},
    {{u"FontImage", u"PictureEmpty"}, {"%s", "%s"}},
    {{u"FontImage", u"PictureHuge"}, {"%s", "%s", "%s", "%s"}},
    {{u"FontImage", u"TextTooLong"}, {"%s", "%s"}},
    {{u"FontImage", u"TextTooWide"}, {"%s", "%s", "%s", "%s"}},
    {{u"FontImage", u"TooManyImages"}, {"%s", "%s"}},
    {{u"FontImage", u"WiderThanBoard"}, {"%s", "%s", "%s", "%s"}}, // image width, board width twice, pieces
    {{u"FontImage", u"NoSuchPiece"}, {"%s", "%s", "%s"}},     // pieces, their width, the piece
    {{u"FontImage", u"TooManyPieces"}, {"%s", "%s", "%s"}},   // pieces, images held, the most
    {{u"FontImage", u"NoRoomForPieces"}, {"%s", "%s", "%s"}}, // pieces, Ads held, the most
    {{u"FontImage", u"ImageGone"}, {"%s", "%s", "%s"}},       // Ad, item, user image
    {{u"FontPage", u"Size"}, {"%s", "%s", "%s"}},             // width, height, bytes
    {{u"EditorTips", u"TipFrameDelay"}, {"%s"}},               // seconds
    {{u"EditorTips", u"TipClockStyle"}, {"%d"}},               // 1-based style
    // Saving and recovery: the file (and the system's reason), the folder.
    {{u"Document", u"SaveReadOnly"}, {"%s"}},
    {{u"Document", u"SaveNoFolder"}, {"%s"}},
    {{u"Document", u"SaveNoAccess"}, {"%s"}},
    {{u"Document", u"SaveDiskFull"}, {"%s"}},
    {{u"Document", u"SaveReadOnlyDisk"}, {"%s"}},
    {{u"Document", u"SaveFailed"}, {"%s", "%s"}},
    {{u"Document", u"FolderCreate"}, {"%s"}},
    {{u"Document", u"RecoverQuestion"}, {"%s", "%s"}}, // the project's name, the copy's time
    // The status area: rows, columns, content language; items, the limit; the file.
    {{u"StatusArea", u"Board"}, {"%d", "%d", "%s"}},
    {{u"StatusArea", u"Items"}, {"%d", "%d"}},
    {{u"StatusArea", u"Saved"}, {"%s"}},
    // Board Properties, file errors, clipboard refusals, the zoom.
    {{u"Content", u"BoardSize"}, {"%s", "%s", "%s", "%s"}},     // rows, columns, LED rows, LED columns
    {{u"Content", u"BoardAdChars"}, {"%s", "%s"}},              // Ad number, its characters
    {{u"Content", u"BoardUndrawable"}, {"%s", "%s", "%s"}},     // size, language, the Ads
    {{u"Content", u"BoardAd"}, {"%s"}},                         // Ad number
    {{u"Content", u"BoardTooHigh"}, {"%s", "%s"}},              // module rows, the Ads
    {{u"Program", u"AboutTitle"}, {"%s"}},                      // program title
    {{u"Program", u"UpdateQuestion"}, {"%s", "%s"}},            // version, address
    {{u"Program", u"ReplaceQuestion"}, {"%s"}},                 // path
    {{u"Program", u"OpenFailed"}, {"%s", "%s"}},                // path, reason
    {{u"Program", u"RecentMissing"}, {"%s"}},                   // path
    {{u"Program", u"ReadError"}, {"%s"}},                       // the system's words
    {{u"Program", u"TooManyItems"}, {"%s"}},                    // item count
    {{u"Program", u"ZoomStatus"}, {"%d"}},                      // percent
    {{u"Program", u"ZoomFitStatus"}, {"%d"}},                   // percent
    {{u"Error", u"ClipPartial"}, {"%s"}},                       // bytes
    {{u"Error", u"ClipTooMany"}, {"%s"}},                       // items
    {{u"Error", u"ClipTooHigh"}, {"%s", "%s"}},                 // Ad lines, board lines
    {{u"Error", u"ClipUnknownKind"}, {"%s", "%s"}},             // item number, kind
    {{u"Error", u"ClipNoHeight"}, {"%s"}},                      // item number
    {{u"Error", u"ClipFarPicture"}, {"%s", "%s"}},              // item number, picture number
    {{u"SerialDialog", u"WaitAnswer"}, {"%s", "%s"}},          // try, tries
    {{u"SerialDialog", u"PortNoPermission"}, {"%s"}},          // owner:group mode
    {{u"SerialDialog", u"PortInUse"}, {"%s"}},                 // the holding program
    {{u"SerialDialog", u"PortFails"}, {"%s"}},                 // reason
    {{u"Board", u"AdaptQuestion"}, {"%s", "%s", "%s", "%s", "%s", "%s"}},
    {{u"Board", u"FailDetail"}, {"%s", "%s", "%s"}},
    {{u"Board", u"ImagesOk"}, {"%s"}},
    {{u"Board", u"LinkDevice"}, {"%s", "%s", "%s", "%s"}},
    {{u"Board", u"PortDeniedRule"}, {"%s", "%s", "%s", "%s", "%s"}},
    {{u"Board", u"PortDeniedUnknown"}, {"%s"}},
    {{u"Board", u"PortOnlyUser"}, {"%s"}},
    {{u"Board", u"ReadingAds"}, {"%s"}},
    {{u"Board", u"SendBlockedBoard"}, {"%s", "%s", "%s", "%s", "%s", "%s"}},
    {{u"Board", u"SendOk"}, {"%s", "%s"}},
    {{u"Board", u"SendOkSimulated"}, {"%s"}},
    {{u"Board", u"SendUnfilled"}, {"%s", "%s"}},
    {{u"Board", u"SendingAds"}, {"%s"}},
    {{u"Schedule", u"WhenFrom"}, {"%s"}},                       // date
    {{u"Schedule", u"WhenUntil"}, {"%s"}},                      // date
    {{u"Schedule", u"WhenExceptMany"}, {"%s"}},                 // count of days
    {{u"Schedule", u"WeekOf"}, {"%s"}},                         // Monday's date
    {{u"Schedule", u"EntriesWithoutAds"}, {"%s"}},              // entry names
    {{u"Schedule", u"UnusedAds"}, {"%s"}},                      // Ads
    {{u"Schedule", u"BadDate"}, {"%s"}},                        // the text typed
    {{u"Schedule", u"NewEntryName"}, {"%s"}},                   // number
    {{u"Schedule", u"UndoAdd"}, {"%s"}},                        // entry name
    {{u"Schedule", u"UndoEdit"}, {"%s"}},                       // entry name
    {{u"Schedule", u"UndoDelete"}, {"%s"}},                     // entry name
    {{u"Board", u"LinkLost"}, {"%s"}},
    {{u"DownloadDialog", u"Progress"}, {"%s", "%s"}},        // bytes so far, bytes in all
    {{u"DownloadDialog", u"ProgressUnknown"}, {"%s"}},       // bytes so far
    {{u"DownloadDialog", u"Failed"}, {"%s", "%s"}},          // error code, reason
    {{u"DownloadDialog", u"FailedNoDetail"}, {"%s"}},        // error code
    {{u"DownloadDialog", u"OnlyHttps"}, {"%s", "%s"}},       // the address's scheme, the address
    {{u"DownloadDialog", u"Bytes"}, {"%s"}},
    {{u"GroupList", u"CheckGroup"}, {"%s"}},                 // the group's header
    {{u"GroupList", u"UncheckGroup"}, {"%s"}},
    {{u"GroupList", u"DeleteGroup"}, {"%s"}},
    {{u"GroupList", u"GroupBy"}, {"%s"}},                    // the column's title
    // The core's messages, filled in order with their %s arguments only.
    {{u"Core", u"SaveStepFailed"}, {"%s", "%s", "%s"}},
    {{u"Core", u"SaveReadOnly"}, {"%s"}},
    {{u"Core", u"ImageMovedTwice"}, {"%s"}},
    {{u"Core", u"ReadOpenFailed"}, {"%s", "%s"}},
    {{u"Core", u"ReadNotRegular"}, {"%s"}},
    {{u"Core", u"ReadTooLarge"}, {"%s", "%s"}},
    {{u"Core", u"ReadFailed"}, {"%s", "%s"}},
    {{u"Core", u"ImageBlobDamaged"}, {"%s"}},
    {{u"Core", u"CompanionDamaged"}, {"%s", "%s"}},
    {{u"Core", u"BadFormatField"}, {"%s"}},
    {{u"Core", u"CompanionNewer"}, {"%s", "%s", "%s"}},
    {{u"Core", u"CannotKeepAside"}, {"%s", "%s", "%s"}},
    {{u"Core", u"KeptAside"}, {"%s"}},
    {{u"Core", u"ReservedSection"}, {"%s"}},
    {{u"Core", u"OutOfRange"}, {"%s", "%s"}},
    {{u"Core", u"NoSuchKind"}, {"%s"}},
    {{u"Core", u"FormatRange"}, {"%s"}},
    {{u"Core", u"NoSuchPage"}, {"%s"}},
    {{u"Core", u"ProjectImages"}, {"%s"}},
    {{u"Core", u"BoardValueRepaired"}, {"%s", "%s", "%s", "%s", "%s"}},
    {{u"Core", u"ItemsDropped"}, {"%s"}},
    {{u"Core", u"FileTruncated"}, {"%s", "%s"}},
    {{u"Core", u"TrailingBytes"}, {"%s"}},
    {{u"Core", u"PageCountCorrected"}, {"%s", "%s"}},
    {{u"Core", u"BlobTooMany"}, {"%s"}},
    {{u"Core", u"EntryNumber"}, {"%s"}},
    {{u"Core", u"EntryNamed"}, {"%s", "%s"}},
    {{u"Core", u"StartNotTime"}, {"%s"}},
    {{u"Core", u"WindowEmpty"}, {"%s", "%s"}},
    {{u"Core", u"PriorityRange"}, {"%s"}},
    {{u"Core", u"FirstDateRange"}, {"%s"}},
    {{u"Core", u"LastDateRange"}, {"%s"}},
    {{u"Core", u"LastBeforeFirst"}, {"%s", "%s"}},
    {{u"Core", u"ExceptDateRange"}, {"%s"}},
    {{u"Core", u"RuleNotExpanded"}, {"%s"}},
    {{u"Core", u"RuleWithinDay"}, {"%s"}},
    {{u"Core", u"TooManyEntries"}, {"%s", "%s"}},
    {{u"Core", u"ZoneUnknown"}, {"%s"}},
    {{u"Core", u"TooManyEntriesListed"}, {"%s", "%s"}},
    {{u"Core", u"NotDate"}, {"%s"}},
    {{u"Core", u"NotTime"}, {"%s"}},
    {{u"Core", u"ZoneNotInLibical"}, {"%s"}},
    {{u"Core", u"EventNamed"}, {"%s"}},
    {{u"Core", u"EventNumber"}, {"%s"}},
    {{u"Core", u"IcsLine"}, {"%s", "%s"}},
    {{u"Core", u"NotProperty"}, {"%s"}},
    {{u"Core", u"EndAlone"}, {"%s"}},
    {{u"Core", u"NeverClosed"}, {"%s"}},
    {{u"Core", u"EventNoAd"}, {"%s"}},
    {{u"Core", u"EventNoStart"}, {"%s"}},
    {{u"Core", u"EventOtherZone"}, {"%s", "%s", "%s"}},
    {{u"Core", u"EventLength"}, {"%s"}},
    {{u"Core", u"WouldHaveEntries"}, {"%s", "%s"}},
    {{u"Core", u"EndMismatch"}, {"%s", "%s"}},
    {{u"Core", u"NoUserImage"}, {"%s"}},
    {{u"Core", u"AdItem"}, {"%s", "%s"}},                    // Ad, item
    {{u"Core", u"ItemImage"}, {"%s", "%s"}},                 // the Ad and item, user image
    {{u"Core", u"ImageMissing"}, {"%s", "%s"}},              // images held, the items
    {{u"Core", u"ImageInUse"}, {"%s", "%s"}},                // user image, the items
    {{u"Fleet", u"Applied"}, {"%s"}},
    {{u"Fleet", u"Refused"}, {"%s"}},
    {{u"Fleet", u"NotVerified"}, {"%s"}},
    {{u"Fleet", u"Connecting"}, {"%s"}},
    {{u"Fleet", u"CanaryStage"}, {"%s"}},
    {{u"Fleet", u"Following"}, {"%s"}},
    {{u"Fleet", u"AllVerified"}, {"%s", "%s"}},
    {{u"Fleet", u"NoSigns"}, {"%s", "%s"}},
    {{u"Fleet", u"SomeNotVerified"}, {"%s", "%s"}},
    {{u"Fleet", u"PublishFailed"}, {"%s"}},
    {{u"Fleet", u"ErrGroup"}, {"%s"}},
    {{u"Fleet", u"ErrSign"}, {"%s"}},
    {{u"Fleet", u"ErrBadOption"}, {"%s"}},
    {{u"Fleet", u"ErrNoAnswer"}, {"%s"}},
    {{u"Fleet", u"ErrBadLogin"}, {"%s"}},
    {{u"Fleet", u"ErrRefused"}, {"%s", "%s"}},
    {{u"Fleet", u"DesiredGroup"}, {"%s"}},
    {{u"Fleet", u"DesiredSign"}, {"%s"}},
    {{u"Fleet", u"AgeSeconds"}, {"%s"}},
    {{u"Fleet", u"AgeMinutes"}, {"%s"}},
    {{u"Fleet", u"SignCount"}, {"%s", "%s"}},
    {{u"Fleet", u"ErrSchedule"}, {"%s"}},
};

TEST_F(LangFiles, FormatSpecifiersMatchTheCallersInEveryLanguage)
{
    for (const auto& [section, key] : keyList.keys) {
        const auto it = kFormatted.find({section, key});
        const std::vector<std::string> expected = it == kFormatted.end() ? std::vector<std::string>{} : it->second;
        for (const auto& lang : languages) {
            const std::string text = Utf16ToUtf8(Text(lang, section, key));
            EXPECT_EQ(Specifiers(text), expected) << Utf16ToUtf8(lang) << " [" << Utf16ToUtf8(section) << "] "
                                                  << Utf16ToUtf8(key) << " = " << text;
        }
    }
}

TEST_F(LangFiles, CodePageMatchesTheLanguage)
{
    for (const auto& [lang, codePage] : kShipped) {
        CGlobalization::SelectLanguage(lang);
        EXPECT_EQ(CGlobalization::GetCodePage(), codePage) << Utf16ToUtf8(lang);
        EXPECT_EQ(CGlobalization::GetText(u"config", u"language"), Utf8ToUtf16("cp" + std::to_string(codePage)));
    }
}

bool IsHangul(char16_t c)
{
    return (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F);
}

// Date and time pictures. Quotes balanced and only the letters of their kind
// outside quotes (a stray "mm" in a date prints minutes). The "_K" pictures
// are drawn with the Hangul libraries in Korean, the "_E" ones with the other
// libraries in English, so those carry no Hangul; the others are drawn by
// every library, so their literal text stays ASCII. Time pictures follow the
// user's language. Every picture must give a text that fits the 99 cells of
// an item, and the fourth time picture must begin with the two-digit 12-hour
// hour whose leading zero the board blanks.
TEST_F(LangFiles, DateAndTimePicturesSuitTheBoard)
{
    using common::kLangChinese;
    using common::kLangEnglish;
    using common::kLangKorean;
    struct Picture {
        std::u16string_view key;
        bool isDate;
        std::vector<LANGID> langs;
        bool asciiOnly;
    };
    const std::vector<LANGID> all = {kLangEnglish, kLangKorean, kLangChinese};
    const Picture pictures[] = {
        {u"fmtDate", true, all, false},
        {u"fmtDateM1", true, {kLangEnglish, kLangKorean}, true},
        {u"fmtDateM2_E", true, {kLangEnglish}, false},
        {u"fmtDateM2_K", true, {kLangKorean}, false},
        {u"fmtDateM3", true, {kLangEnglish, kLangKorean}, true},
        {u"fmtDateM4_E", true, {kLangEnglish}, false},
        {u"fmtDateM4_K", true, {kLangKorean}, false},
        {u"fmtDateM5", true, {kLangEnglish, kLangKorean}, true},
        {u"fmtTime", false, all, false},
        {u"fmtTimeM1", false, all, true},
        {u"fmtTimeM2", false, all, true},
        {u"fmtTimeM3", false, all, true},
        {u"fmtTimeM4", false, all, true},
    };
    // The longest day and month names, an evening hour.
    const SYSTEMTIME when{.wYear = 2026, .wMonth = 9, .wDayOfWeek = 3, .wDay = 30, .wHour = 21, .wMinute = 7, .wSecond = 8};

    for (const auto& lang : languages) {
        for (const auto& pic : pictures) {
            SCOPED_TRACE(Utf16ToUtf8(lang) + " " + Utf16ToUtf8(pic.key));
            const std::u16string p = Text(lang, u"Format", pic.key);
            const std::u16string_view letters = pic.isDate ? u"dMyg" : u"hHmst";
            const bool english = pic.key.ends_with(u"_E");
            bool quoted = false;
            for (char16_t c : p) {
                if (c == u'\'') {
                    quoted = !quoted;
                    continue;
                }
                if (!quoted && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
                    EXPECT_TRUE(letters.find(c) != std::u16string_view::npos)
                        << "letter '" << static_cast<char>(c) << "' is not a picture of this kind";
                }
                if (pic.asciiOnly) {
                    EXPECT_LT(c, 0x80) << "literal beyond ASCII in a picture every library draws";
                }
                if (english) {
                    EXPECT_FALSE(IsHangul(c)) << "Hangul in a picture for libraries without Hangul";
                }
            }
            EXPECT_FALSE(quoted) << "unbalanced quote";
            for (LANGID id : pic.langs) {
                const std::u16string shown =
                    pic.isDate ? common::FormatDate(id, when, p) : common::FormatTime(id, when, p);
                EXPECT_FALSE(shown.empty()) << "language " << id;
                EXPECT_LE(shown.size(), 99u) << Utf16ToUtf8(shown);
                if (pic.key == u"fmtTimeM4") {
                    EXPECT_TRUE(shown.starts_with(u"09")) << Utf16ToUtf8(shown);
                }
            }
        }
    }
}

// The build puts a copy of the language files beside the programs, where the
// language tables look for them.
TEST_F(LangFiles, BuildCopiesTheFilesBesideThePrograms)
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    ASSERT_FALSE(ec);
    for (const auto& lang : languages) {
        const std::string file = Utf16ToUtf8(lang) + ".lang";
        EXPECT_TRUE(ReadBytes(exe.parent_path() / "Lang" / file) == ReadBytes(LangDir() / file))
            << (exe.parent_path() / "Lang" / file) << " is missing or out of date";
    }
}

} // namespace
