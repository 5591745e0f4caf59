// SPDX-License-Identifier: BSD-2-Clause
// User-interface texts in the chosen language. Each language is one file
// "<Name>.lang" (INI text, see <common/ini.h>) in the language folder:
//  1. the folder named by the environment variable LUMIVO_LANG_DIR, when set;
//  2. else "Lang" beside the executable;
//  3. else "../share/lumivo/Lang" relative to the executable's folder.
// SetLangDir() replaces the folder at run time (tests, tools).
//
// Every text is fetched by a literal section and key at its call site,
// GetText(u"Section", u"key"), so a search of the sources lists the keys the
// program reads; RecordRequests() also lists those a run actually asked for.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CGlobalization {
public:
    // Finds the folder and lists its languages; does nothing once the list
    // holds a name.
    static void InitLanguageList();
    static unsigned GetLanguageCount();
    // Every language name in list order (names sorted as the desktop folder
    // listing returns them); empty when there is none.
    static std::vector<std::u16string> GetLangList();
    // Empty name: 1 and nothing changes. Otherwise the selected file becomes
    // the folder joined with name + ".lang" (it need not exist) and 0.
    static unsigned SelectLanguage(std::u16string_view name);
    // The value of key in section of the selected file, at most 1,023
    // characters; empty when the file, section or key is missing.
    static std::u16string GetText(std::u16string_view section, std::u16string_view key);
    static std::u16string GetText(std::string_view section, std::string_view key); // UTF-8 names
    // The same from the file of the named language, whichever is selected
    // (texts that follow the board rather than the reader); empty when the
    // file, section or key is missing.
    static std::u16string GetTextOf(std::u16string_view language, std::u16string_view section,
                                    std::u16string_view key);
    // The number of "cp%d" in [config] language; 0 when it does not match.
    static unsigned GetCodePage();

    // Our additions.
    static std::u16string GetLangDir();  // after InitLanguageList
    static std::u16string GetLangFile(); // the selected file, empty before SelectLanguage
    // Use this folder from now on (an empty path: find it again as above):
    // the list is built again on next use and the selection is cleared.
    static void SetLangDir(const std::filesystem::path& dir);
    // While on, every (section, key) asked of GetText is remembered, in
    // first-asked order without repeats; turning it on clears the record.
    static void RecordRequests(bool on);
    static std::vector<std::pair<std::u16string, std::u16string>> RecordedRequests();

private:
    // The state is process-wide. It is guarded by one lock, so a text read
    // on another thread cannot see a half-made selection.
    static std::u16string m_szLangDir;
    static std::vector<std::u16string> m_lstLanguage;
    static std::u16string m_langFile;
};
