// SPDX-License-Identifier: BSD-2-Clause
#include "common/globalization.h"

#include "common/ini.h"
#include "common/text.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::u16string CGlobalization::m_szLangDir;
std::vector<std::u16string> CGlobalization::m_lstLanguage;
std::u16string CGlobalization::m_langFile;

namespace {

std::recursive_mutex g_lock;
bool g_dirOverridden = false;
bool g_recording = false;
std::vector<std::pair<std::u16string, std::u16string>> g_recorded;

// The parsed selected file, read again only when it changes on disk, so that
// labelling a dialog does not re-read the file for every label.
struct CachedFile {
    std::u16string path;
    bool present = false;
    struct timespec mtime {};
    off_t size = -1;
    ino_t inode = 0;
    common::IniFile ini;
};
CachedFile g_cache;
// GetTextOf's file, apart, so the two readers do not push each other out.
CachedFile g_otherCache;

const common::IniFile* CachedTable(CachedFile& cache, const std::u16string& file)
{
    struct stat st {};
    const fs::path path = common::U16ToPath(file);
    if (file.empty() || ::stat(path.c_str(), &st) != 0) {
        cache.path.clear();
        cache.present = false;
        return nullptr;
    }
    if (!cache.present || cache.path != file || cache.size != st.st_size
        || cache.inode != st.st_ino || cache.mtime.tv_sec != st.st_mtim.tv_sec
        || cache.mtime.tv_nsec != st.st_mtim.tv_nsec) {
        // A read that failed (the file vanished or was unreadable for a
        // moment) is not kept: kept, it would answer every later look-up
        // with nothing until the file changed on disk.
        if (!cache.ini.Load(path)) {
            cache.path.clear();
            cache.present = false;
            return nullptr;
        }
        cache.path = file;
        cache.present = true;
        cache.size = st.st_size;
        cache.inode = st.st_ino;
        cache.mtime = st.st_mtim;
    }
    return &cache.ini;
}

fs::path ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

fs::path FindLangDir()
{
    if (const char* env = std::getenv("LUMIVO_LANG_DIR"); env && *env)
        return fs::path(env);
    const fs::path folder = ExecutableFolder();
    std::error_code ec;
    const fs::path beside = folder / "Lang";
    if (fs::is_directory(beside, ec))
        return beside;
    const fs::path shared = (folder / ".." / "share" / "lumivo" / "Lang").lexically_normal();
    if (fs::is_directory(shared, ec))
        return shared;
    return beside;
}

} // namespace

void CGlobalization::InitLanguageList()
{
    std::lock_guard lock(g_lock);
    if (!m_lstLanguage.empty())
        return;
    if (!g_dirOverridden)
        m_szLangDir = common::PathToU16(FindLangDir());
    std::error_code ec;
    fs::directory_iterator it(common::U16ToPath(m_szLangDir), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& p = it->path();
        std::error_code typeError;
        if (p.extension() != ".lang" || it->is_directory(typeError))
            continue;
        m_lstLanguage.push_back(common::PathToU16(p.stem()));
    }
    // The desktop folder listing returns names in case-blind order; readdir
    // has no order at all, and the language menu should not shuffle.
    std::sort(m_lstLanguage.begin(), m_lstLanguage.end(), [](const auto& a, const auto& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char16_t x, char16_t y) {
                                                return common::FoldCase(x) < common::FoldCase(y);
                                            });
    });
}

unsigned CGlobalization::GetLanguageCount()
{
    std::lock_guard lock(g_lock);
    InitLanguageList();
    return static_cast<unsigned>(m_lstLanguage.size());
}

std::vector<std::u16string> CGlobalization::GetLangList()
{
    std::lock_guard lock(g_lock);
    InitLanguageList();
    return m_lstLanguage;
}

unsigned CGlobalization::SelectLanguage(std::u16string_view name)
{
    if (name.empty())
        return 1;
    std::lock_guard lock(g_lock);
    InitLanguageList();
    m_langFile = common::PathToU16(common::U16ToPath(m_szLangDir) / common::U16ToPath(name));
    m_langFile += u".lang";
    return 0;
}

std::u16string CGlobalization::GetText(std::u16string_view section, std::u16string_view key)
{
    std::lock_guard lock(g_lock);
    if (g_recording) {
        const auto request = std::make_pair(std::u16string(section), std::u16string(key));
        if (std::find(g_recorded.begin(), g_recorded.end(), request) == g_recorded.end())
            g_recorded.push_back(request);
    }
    const common::IniFile* table = CachedTable(g_cache, m_langFile);
    if (!table)
        return {};
    return table->GetString(section, key).value_or(std::u16string());
}

std::u16string CGlobalization::GetTextOf(std::u16string_view language, std::u16string_view section,
                                        std::u16string_view key)
{
    std::lock_guard lock(g_lock);
    InitLanguageList();
    if (language.empty())
        return {};
    std::u16string file = common::PathToU16(common::U16ToPath(m_szLangDir) / common::U16ToPath(language));
    file += u".lang";
    const common::IniFile* table = CachedTable(g_otherCache, file);
    if (!table)
        return {};
    return table->GetString(section, key).value_or(std::u16string());
}

std::u16string CGlobalization::GetText(std::string_view section, std::string_view key)
{
    return GetText(common::Utf8ToUtf16(section), common::Utf8ToUtf16(key));
}

unsigned CGlobalization::GetCodePage()
{
    const std::u16string text = GetText(u"config", u"language");
    // The pattern "cp%d": the literal letters, then a number that may follow
    // blanks and carry a sign.
    if (text.size() < 2 || text[0] != u'c' || text[1] != u'p')
        return 0;
    const std::u16string_view rest = std::u16string_view(text).substr(2);
    const std::u16string_view number = common::TrimView(rest);
    std::size_t i = (!number.empty() && (number[0] == u'+' || number[0] == u'-')) ? 1 : 0;
    if (i >= number.size() || number[i] < u'0' || number[i] > u'9')
        return 0;
    return static_cast<unsigned>(common::ParseLeadingInt(rest));
}

std::u16string CGlobalization::GetLangDir()
{
    std::lock_guard lock(g_lock);
    return m_szLangDir;
}

std::u16string CGlobalization::GetLangFile()
{
    std::lock_guard lock(g_lock);
    return m_langFile;
}

void CGlobalization::SetLangDir(const fs::path& dir)
{
    std::lock_guard lock(g_lock);
    m_szLangDir = common::PathToU16(dir);
    g_dirOverridden = !dir.empty();
    m_lstLanguage.clear();
    m_langFile.clear();
    g_cache.present = false;
    g_otherCache.present = false;
}

void CGlobalization::RecordRequests(bool on)
{
    std::lock_guard lock(g_lock);
    g_recording = on;
    if (on)
        g_recorded.clear();
}

std::vector<std::pair<std::u16string, std::u16string>> CGlobalization::RecordedRequests()
{
    std::lock_guard lock(g_lock);
    return g_recorded;
}
