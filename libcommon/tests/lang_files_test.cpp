// Checks the shipped language files against resources/Lang/keys.txt, the list
// of every (section, key) the program reads. A missing key shows as an empty
// label; a translation whose format specifiers differ from the English text
// makes printf-style callers read the wrong arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Number of UTF-16 code units of a UTF-8 text, or -1 when it is not valid UTF-8.
long Utf16Length(const std::string& s)
{
    long units = 0;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return -1;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size())
                return -1;
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return -1;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static const unsigned kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return -1;
        units += cp >= 0x10000 ? 2 : 1;
        i += 1 + extra;
    }
    return units;
}

// Code points of a valid UTF-8 text.
std::u32string Decode(const std::string& s)
{
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += 1 + extra;
    }
    return out;
}

// A language file as the profile reader sees it: names compared without
// regard to case, blanks trimmed, one pair of matching quotes removed, the
// first of duplicate keys wins. Damage that the reader would silently
// tolerate (stray lines, keys outside a section, repeated keys) is recorded.
struct LangFile {
    std::map<std::pair<std::string, std::string>, std::string> values; // lower-case names
    std::vector<std::pair<std::string, std::string>> order;            // names as written
    std::vector<std::string> problems;
    std::string raw;
};

LangFile ReadLangFile(const fs::path& path)
{
    LangFile f;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        f.problems.push_back("cannot open " + path.string());
        return f;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    f.raw = ss.str();
    std::istringstream lines(f.raw);
    std::string line, section;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const std::string where = path.filename().string() + ":" + std::to_string(number);
        const std::string t = Trim(line);
        if (t.empty())
            continue;
        if (t.front() == '[') {
            if (t.back() != ']') {
                f.problems.push_back(where + ": unterminated section header");
                continue;
            }
            section = Trim(t.substr(1, t.size() - 2));
            continue;
        }
        const auto eq = t.find('=');
        if (eq == std::string::npos) {
            f.problems.push_back(where + ": line without '='");
            continue;
        }
        if (section.empty()) {
            f.problems.push_back(where + ": key outside any section");
            continue;
        }
        const std::string key = Trim(t.substr(0, eq));
        std::string value = Trim(t.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        const auto id = std::make_pair(Lower(section), Lower(key));
        if (f.values.count(id)) {
            f.problems.push_back(where + ": duplicate key [" + section + "] " + key);
            continue;
        }
        f.values.emplace(id, value);
        f.order.emplace_back(section, key);
    }
    return f;
}

fs::path SourceDir()
{
    if (const char* env = std::getenv("LUMIVO_SOURCE_DIR"); env && *env)
        return env;
    return fs::path(__FILE__).parent_path().parent_path().parent_path();
}

fs::path LangDir() { return SourceDir() / "resources" / "Lang"; }

struct KeyList {
    std::vector<std::pair<std::string, std::string>> keys; // as written
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
            k.keys.emplace_back(line.substr(0, tab), line.substr(tab + 1));
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

const char* const kLanguages[][2] = {{"English", "cp1252"}, {"Korean", "cp949"}, {"Chinese", "cp936"}};

class LangFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        keyList = new KeyList(ReadKeyList());
        files = new std::map<std::string, LangFile>;
        for (const auto& lang : kLanguages)
            files->emplace(lang[0], ReadLangFile(LangDir() / (std::string(lang[0]) + ".lang")));
    }
    static void TearDownTestSuite()
    {
        delete keyList;
        delete files;
    }
    static const std::string& Value(const std::string& lang, const std::string& section,
                                    const std::string& key)
    {
        static const std::string none;
        const auto& v = files->at(lang).values;
        const auto it = v.find({Lower(section), Lower(key)});
        return it == v.end() ? none : it->second;
    }
    static KeyList* keyList;
    static std::map<std::string, LangFile>* files;
};

KeyList* LangFiles::keyList = nullptr;
std::map<std::string, LangFile>* LangFiles::files = nullptr;

TEST_F(LangFiles, KeyListIsSortedUniqueAndWellFormed)
{
    ASSERT_GT(keyList->keys.size(), 100u) << "keys.txt missing or nearly empty in " << LangDir();
    EXPECT_EQ(keyList->keys.size(), keyList->lines.size()) << "every line is section<TAB>key";
    EXPECT_TRUE(std::is_sorted(keyList->lines.begin(), keyList->lines.end()));
    std::set<std::pair<std::string, std::string>> seen;
    for (const auto& [section, key] : keyList->keys) {
        EXPECT_FALSE(section.empty() || key.empty() || key.find('\t') != std::string::npos ||
                     Trim(section) != section || Trim(key) != key)
            << section << " / " << key;
        EXPECT_TRUE(seen.insert({Lower(section), Lower(key)}).second)
            << "listed twice (names ignore case): " << section << " " << key;
    }
}

TEST_F(LangFiles, FilesAreCleanUtf8Tables)
{
    for (const auto& [lang, f] : *files) {
        SCOPED_TRACE(lang);
        for (const auto& p : f.problems)
            ADD_FAILURE() << p;
        ASSERT_FALSE(f.raw.empty());
        EXPECT_NE(f.raw.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no byte-order mark";
        EXPECT_GE(Utf16Length(f.raw), 0) << "not valid UTF-8";
        for (const auto& [id, value] : f.values)
            EXPECT_LE(Utf16Length(value), 1023) << "longer than the reader's buffer: " << id.second;
    }
}

TEST_F(LangFiles, EveryFileHoldsExactlyTheListedKeys)
{
    std::set<std::pair<std::string, std::string>> listed;
    for (const auto& [section, key] : keyList->keys)
        listed.insert({Lower(section), Lower(key)});
    for (const auto& [lang, f] : *files) {
        SCOPED_TRACE(lang);
        for (const auto& [section, key] : keyList->keys)
            EXPECT_FALSE(Value(lang, section, key).empty()) << "missing or empty: [" << section << "] " << key;
        for (const auto& [section, key] : f.order)
            EXPECT_TRUE(listed.count({Lower(section), Lower(key)}))
                << "not in keys.txt (add it there when the code reads it): [" << section << "] " << key;
    }
}

// Keys that callers pass through printf-style formatting, with the arguments
// they supply. Every other text must carry no conversion at all.
const std::map<std::pair<std::string, std::string>, std::vector<std::string>> kFormatted = {
    {{"Format", "fmtLumivoCount"}, {"%d"}}, // stored Ads in the controller
    {{"Format", "fmtMaxChar"}, {"%d"}},     // the character limit
    {{"Format", "fmtTxtFont"}, {"%d"}},     // 1-based face number
    {{"Format", "fmtTxtColor"}, {"%d"}},    // 1-based colour number
    {{"Format", "fmtTxtEffect"}, {"%s"}},   // effect text as in the Ad list
    {{"Format", "fmtTxtContent"}, {"%s", "%d"}}, // kind name, 1-based content number
    {{"Format", "fmtTxtType"}, {"%s", "%s"}},    // kind name, the text as it shows now
    {{"Format", "fmtTemp"}, {"%s", "%s"}},       // kind name, the sample reading
};

TEST_F(LangFiles, FormatSpecifiersMatchTheCallersInEveryLanguage)
{
    for (const auto& [section, key] : keyList->keys) {
        const auto it = kFormatted.find({section, key});
        const std::vector<std::string> expected = it == kFormatted.end() ? std::vector<std::string>{} : it->second;
        for (const auto& lang : kLanguages) {
            EXPECT_EQ(Specifiers(Value(lang[0], section, key)), expected)
                << lang[0] << " [" << section << "] " << key << " = " << Value(lang[0], section, key);
        }
    }
}

TEST_F(LangFiles, CodePageMatchesTheLanguage)
{
    for (const auto& lang : kLanguages) {
        const std::string& v = Value(lang[0], "config", "language");
        EXPECT_EQ(v, lang[1]) << lang[0];
        int cp = 0;
        EXPECT_EQ(std::sscanf(v.c_str(), "cp%d", &cp), 1) << lang[0];
        EXPECT_EQ("cp" + std::to_string(cp), lang[1]);
    }
}

bool IsHangul(char32_t c)
{
    return (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F);
}

// Date and time pictures: quotes balanced, only the letters of their kind
// outside quotes (a stray "mm" in a date would print minutes). Pictures that
// every content library draws carry no literal text beyond ASCII, the "_E"
// pictures (libraries without Hangul faces) no Hangul, and the fourth time
// picture begins with the two-digit 12-hour hour whose leading zero the board
// blanks.
TEST_F(LangFiles, DateAndTimePicturesSuitTheBoard)
{
    const std::string dateKeys[] = {"fmtDate", "fmtDateM1", "fmtDateM2_E", "fmtDateM2_K", "fmtDateM3",
                                    "fmtDateM4_E", "fmtDateM4_K", "fmtDateM5"};
    const std::string timeKeys[] = {"fmtTime", "fmtTimeM1", "fmtTimeM2", "fmtTimeM3", "fmtTimeM4"};
    const std::set<std::string> shared = {"fmtDateM1", "fmtDateM3", "fmtDateM5", "fmtTimeM1",
                                          "fmtTimeM2", "fmtTimeM3", "fmtTimeM4"};
    auto check = [&](const std::string& lang, const std::string& key, std::u32string_view letters) {
        SCOPED_TRACE(lang + " " + key);
        const std::u32string p = Decode(Value(lang, "Format", key));
        bool quoted = false;
        for (char32_t c : p) {
            if (c == U'\'') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && c < 0x80 && std::isalpha(static_cast<int>(c))) {
                EXPECT_TRUE(letters.find(c) != std::u32string_view::npos)
                    << "letter '" << static_cast<char>(c) << "' is not a picture of this kind";
            }
            if (shared.count(key)) {
                EXPECT_LT(c, 0x80u) << "literal beyond ASCII in a picture every library draws";
            }
            if (key.size() > 2 && key.compare(key.size() - 2, 2, "_E") == 0) {
                EXPECT_FALSE(IsHangul(c)) << "Hangul in a picture for libraries without Hangul";
            }
        }
        EXPECT_FALSE(quoted) << "unbalanced quote";
    };
    for (const auto& lang : kLanguages) {
        for (const auto& k : dateKeys)
            check(lang[0], k, U"dMyg");
        for (const auto& k : timeKeys)
            check(lang[0], k, U"hHmst");
        EXPECT_EQ(Value(lang[0], "Format", "fmtTimeM4").rfind("hh", 0), 0u) << lang[0];
    }
}

// The build puts a copy of the language files beside the programs, where the
// language tables look for them.
TEST_F(LangFiles, BuildCopiesTheFilesBesideThePrograms)
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    ASSERT_FALSE(ec);
    for (const auto& lang : kLanguages) {
        const fs::path copy = exe.parent_path() / "Lang" / (std::string(lang[0]) + ".lang");
        std::ifstream in(copy, std::ios::binary);
        ASSERT_TRUE(in) << copy;
        std::stringstream ss;
        ss << in.rdbuf();
        EXPECT_EQ(ss.str(), files->at(lang[0]).raw) << copy << " is out of date";
    }
}

} // namespace
