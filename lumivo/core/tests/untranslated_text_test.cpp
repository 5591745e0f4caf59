// SPDX-License-Identifier: GPL-2.0-or-later
// Every text the program shows comes from the language files. Two scans of
// the program's sources (the window, its dialogs and the widget libraries):
// every (section, key) they name must be in English, Korean and Chinese; and
// no literal with words may reach a label, a title, a list, a menu or a
// message box without going through them. The scans read the code as
// written, so texts added anywhere later are checked too.
#include <common/ini.h>
#include <common/text.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path SourceDir()
{
    const char* env = std::getenv("LUMIVO_SOURCE_DIR");
    return env && *env ? fs::path(env) : fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
}

// ---- A small reader of C++: string literals with the call they are an
// argument of, comments and preprocessor lines skipped.

struct Literal {
    std::string text; // as written between the quotes (escapes kept)
    int line = 0;
    std::string call;      // the innermost call that is not a string wrapper
    int argument = 0;      // its argument index
    bool wholeArgument = false; // the literal (wrapped or not) is that argument alone
    std::string section;   // the previous argument, when it was a lone literal
};

// Calls that only wrap a literal into a string type.
const std::set<std::string> kWrappers = {"QStringLiteral", "QLatin1String", "QLatin1StringView", "QString",
                                         "fromUtf8",       "fromLatin1",    "u8",                "QByteArray"};

struct Frame {
    std::string call;
    int argument = 0;
    int tokensInArgument = 0;      // tokens other than wrappers seen in this argument
    std::string loneLiteral;       // the argument's literal, while it is alone
    std::string previousLone;      // the previous argument's, if it was alone
    bool wrapper = false;
};

std::vector<Literal> ReadLiterals(const std::string& src)
{
    std::vector<Literal> out;
    std::vector<Frame> stack;
    std::string lastIdent;
    int line = 1;
    bool lineStart = true;
    auto closeArgument = [&stack] {
        Frame& f = stack.back();
        f.previousLone = f.tokensInArgument == 1 ? f.loneLiteral : std::string();
        f.loneLiteral.clear();
        f.tokensInArgument = 0;
        ++f.argument;
    };
    auto countToken = [&stack] {
        if (!stack.empty() && !stack.back().wrapper)
            ++stack.back().tokensInArgument;
    };
    for (size_t i = 0; i < src.size();) {
        const char c = src[i];
        if (c == '\n') {
            ++line;
            lineStart = true;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (lineStart && c == '#') { // preprocessor line, with continuations
            while (i < src.size() && src[i] != '\n') {
                if (src[i] == '\\' && i + 1 < src.size() && src[i + 1] == '\n')
                    ++line, ++i;
                ++i;
            }
            continue;
        }
        lineStart = false;
        if (src.compare(i, 2, "//") == 0) {
            while (i < src.size() && src[i] != '\n')
                ++i;
            continue;
        }
        if (src.compare(i, 2, "/*") == 0) {
            const size_t end = src.find("*/", i + 2);
            for (size_t j = i; j < std::min(end, src.size()); ++j)
                line += src[j] == '\n';
            i = end == std::string::npos ? src.size() : end + 2;
            continue;
        }
        if (c == '\'') { // character literal
            ++i;
            while (i < src.size() && src[i] != '\'')
                i += src[i] == '\\' ? 2 : 1;
            ++i;
            countToken();
            continue;
        }
        if (c == '"') {
            // A raw string R"d( ... )d"; else an ordinary one.
            std::string text;
            if (lastIdent == "R" || lastIdent == "uR" || lastIdent == "u8R") {
                const size_t open = src.find('(', i);
                const std::string delim = ")" + src.substr(i + 1, open - i - 1) + "\"";
                const size_t end = src.find(delim, open);
                text = src.substr(open + 1, end - open - 1);
                i = end + delim.size();
            } else {
                ++i;
                while (i < src.size() && src[i] != '"') {
                    if (src[i] == '\\' && i + 1 < src.size()) {
                        text += src.substr(i, 2);
                        i += 2;
                        continue;
                    }
                    text += src[i++];
                }
                ++i;
            }
            lastIdent.clear();
            Literal l;
            l.text = text;
            l.line = line;
            for (auto it = stack.rbegin(); it != stack.rend(); ++it)
                if (!it->wrapper) {
                    l.call = it->call;
                    l.argument = it->argument;
                    l.section = it->previousLone;
                    break;
                }
            if (!stack.empty()) {
                Frame* f = nullptr;
                for (auto it = stack.rbegin(); it != stack.rend(); ++it)
                    if (!it->wrapper) {
                        f = &*it;
                        break;
                    }
                if (f) {
                    // Adjacent literals join: only the first counts as a token.
                    if (f->tokensInArgument == 0 || !f->loneLiteral.empty()) {
                        if (f->tokensInArgument == 0)
                            ++f->tokensInArgument;
                        f->loneLiteral += text;
                    }
                    l.wholeArgument = f->tokensInArgument == 1;
                }
            }
            out.push_back(l);
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            size_t j = i;
            while (j < src.size() && (std::isalnum(static_cast<unsigned char>(src[j])) || src[j] == '_'))
                ++j;
            lastIdent = src.substr(i, j - i);
            i = j;
            // A string prefix (u"", u8"", L"") belongs to the literal.
            if (i < src.size() && src[i] == '"' && (lastIdent == "u" || lastIdent == "u8" || lastIdent == "L" ||
                                                   lastIdent == "U" || lastIdent.back() == 'R'))
                continue;
            if (i < src.size() && src[i] == '(')
                continue; // the call's name
            countToken();
            continue;
        }
        if (c == '(') {
            Frame f;
            f.call = lastIdent;
            f.wrapper = kWrappers.count(lastIdent) != 0;
            if (!f.wrapper)
                countToken();
            stack.push_back(f);
        } else if (c == ')') {
            if (!stack.empty())
                stack.pop_back();
        } else if (c == ',' && !stack.empty()) {
            if (!stack.back().wrapper)
                closeArgument();
        } else if (c == '{' || c == '[') {
            // A brace list is one more level, like a call without a name.
            Frame brace;
            brace.call = std::string(1, c);
            stack.push_back(brace);
        } else if ((c == '}' || c == ']') && !stack.empty()) {
            stack.pop_back();
        } else if (c == ';') {
            stack.clear();
        } else if (c != ':' && c != '?' && c != '.' && c != '>' && c != '-' && c != '&' && c != '*') {
            countToken();
        }
        lastIdent.clear();
        ++i;
    }
    return out;
}

std::vector<fs::path> ProgramSources()
{
    std::vector<fs::path> files;
    for (const char* dir : {"lumivo", "libserio/widgets/src", "libcommon/widgets/src"}) {
        for (const auto& e : fs::recursive_directory_iterator(SourceDir() / dir)) {
            const fs::path& p = e.path();
            const std::string s = p.generic_string();
            if (e.is_regular_file() && (p.extension() == ".cpp" || p.extension() == ".h") &&
                s.find("/tests/") == std::string::npos)
                files.push_back(p);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool IsIdentifier(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; });
}

// Two letters in a row, after the placeholders are taken out: words, not
// numbers, symbols or format strings ("%1 × %2", "...", "~").
bool HasWords(const std::string& text)
{
    const std::u16string t = common::Utf8ToUtf16(text);
    auto letter = [](char16_t c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= 0xC0 && c <= 0x24F) ||
               (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3130 && c <= 0x318F) ||
               (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF);
    };
    int run = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((t[i] == u'%' || t[i] == u'\\') && i + 1 < t.size()) { // %1, %s, \n
            ++i;
            run = 0;
            continue;
        }
        run = letter(t[i]) ? run + 1 : 0;
        if (run >= 2)
            return true;
    }
    return false;
}

// Calls whose text arguments the user reads.
const std::set<std::string> kTextSinks = {
    "setText", "setWindowTitle", "setTitle", "setToolTip", "setStatusTip", "setWhatsThis", "setPlaceholderText",
    "addItem", "addItems", "insertItem", "setItemText", "addAction", "addMenu", "addRow", "addTab", "insertTab",
    "setTabText", "setHeaderLabels", "setHeaderLabel", "showMessage", "setLabelText", "setSuffix", "setPrefix",
    "setSpecialValueText", "information", "warning", "critical", "question", "about", "QMessageBox", "QLabel",
    "QPushButton", "QCheckBox", "QRadioButton", "QGroupBox", "QAction", "QMenu", "message", "titledMessage",
    "Show", "askYesNo", "askRetry", "getOpenFileName", "getSaveFileName", "getExistingDirectory",
    "SetApplicationText", "SetTitle", "SetCategoryName", "AddCategory", "AddPanel", "AddPortEntry", "Message",
    // A core operation's result: the window and lumivo-cli show its messages.
    "Fail", "Error", "Warn"};

// Helpers that take a key of one fixed section as their first argument.
const std::map<std::string, std::string> kKeyHelpers = {
    {"BoardText", "Board"}, {"BoardQText", "Board"}, {"Setup", "SetupDialog"}, {"Words", "Program"},
    {"Refuse", "Error"},    {"Sentence", "Error"},     {"CoreText", "Core"}};

// The genuine exceptions: (file name, literal), "*" for any file. Kept short.
const std::set<std::pair<std::string, std::string>> kAllowed = {
    {"*", "Lumivo"},                                        // the program's name
    {"url_file_down_dlg.cpp", "lumivo"},                    // the internal-error box ...
    {"url_file_down_dlg.cpp", "Error file: %1 %2 line"},    // ... and its fixed text
    {"project.cpp", "Error file: LumivoDoc 277 line"},      // the same fixed text for a
    {"project_file.cpp", "Error file: LumivoDoc 163 line"}, // blob that is not there
    {"schedule.cpp", "schedule: "},                         // the companion file's own
    {"schedule.cpp", "schedule.timeZone: "},                // names for the place of a
    {"schedule.cpp", "schedule.entries: "},                 // fault
};

bool Excepted(const fs::path& file, const std::string& text)
{
    const std::string name = file.filename().string();
    return kAllowed.count({"*", text}) || kAllowed.count({name, text});
}

struct LangTables {
    std::vector<std::pair<std::string, common::IniFile>> files;
    std::set<std::string> sections;
};

LangTables LoadTables()
{
    LangTables t;
    for (const char* lang : {"English", "Korean", "Chinese"}) {
        common::IniFile ini;
        EXPECT_TRUE(ini.Load(SourceDir() / "resources" / "Lang" / (std::string(lang) + ".lang"))) << lang;
        for (const auto& s : ini.Sections())
            t.sections.insert(common::Utf16ToUtf8(s.name));
        t.files.emplace_back(lang, std::move(ini));
    }
    return t;
}

TEST(UntranslatedText, EveryKeyTheProgramNamesIsInTheThreeLanguages)
{
    const LangTables tables = LoadTables();
    size_t keys = 0;
    for (const fs::path& file : ProgramSources()) {
        for (const Literal& l : ReadLiterals(ReadFile(file))) {
            std::string section = l.section;
            if (section.empty() && l.argument == 0 && kKeyHelpers.count(l.call))
                section = kKeyHelpers.at(l.call);
            // Only a call names a key: a brace list of words is a table.
            if (section.empty() || l.call == "{" || l.call == "[" || !tables.sections.count(section) ||
                !IsIdentifier(l.text))
                continue;
            ++keys;
            for (const auto& [lang, ini] : tables.files) {
                const auto value = ini.GetString(common::Utf8ToUtf16(section), common::Utf8ToUtf16(l.text));
                EXPECT_TRUE(value && !value->empty())
                    << file.filename().string() << ":" << l.line << " names [" << section << "] " << l.text
                    << ", which " << lang << ".lang lacks";
            }
        }
    }
    // The scan found the program's keys at all (a broken reader finds none).
    EXPECT_GT(keys, 200u);
}

TEST(UntranslatedText, NoLiteralWordsReachTheScreen)
{
    size_t sinks = 0;
    for (const fs::path& file : ProgramSources()) {
        for (const Literal& l : ReadLiterals(ReadFile(file))) {
            if (!kTextSinks.count(l.call))
                continue;
            ++sinks;
            if (!HasWords(l.text) || Excepted(file, l.text))
                continue;
            ADD_FAILURE() << file.filename().string() << ":" << l.line << ": \"" << l.text << "\" is shown by "
                          << l.call << "() without the language files; add it to resources/Lang/*.lang";
        }
    }
    EXPECT_GT(sinks, 10u); // the texts left as literals are few now, but not none
}

// The reader itself, on the shapes the program uses.
TEST(UntranslatedText, TheReaderSeesCallsSectionsAndWrappers)
{
    const std::vector<Literal> l = ReadLiterals(
        "#include \"ui/x.h\"\n"
        "// setText(\"comment\")\n"
        "void f() { a->setText(QStringLiteral(\"Hello world\")); b->setText(Tr(\"Sec\", on ? \"K1\" : \"K2\"));\n"
        "MakeAction(7, \"rbHome\", \"rbKey\"); c->setStyleSheet(QStringLiteral(\"color: red\"));\n"
        "Message(icon, QStringLiteral(\"part one \"\n \"part two\").arg(x)); }\n");
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[0].text, "Hello world");
    EXPECT_EQ(l[0].call, "setText");
    EXPECT_EQ(l[1].call, "Tr");
    EXPECT_EQ(l[2].section, "Sec");
    EXPECT_EQ(l[3].section, "Sec");
    EXPECT_EQ(l[5].section, "rbHome");
    EXPECT_EQ(l[5].text, "rbKey");
    EXPECT_EQ(l[6].call, "setStyleSheet");
    EXPECT_EQ(l[7].call, "Message");
    EXPECT_EQ(l[7].line, 5);
    EXPECT_TRUE(HasWords("Hello world"));
    EXPECT_FALSE(HasWords("%1 \xC3\x97 %2"));
    EXPECT_FALSE(HasWords("..."));
    EXPECT_TRUE(HasWords("\xEC\xA0\x80\xEC\x9E\xA5"));

    // A core result's text is shown; one looked up by key is not a literal.
    const std::vector<Literal> core = ReadLiterals(
        "Result f() { if (!ok) return Result::Fail(\"cannot read \" + path);\n"
        "r.Warn(CoreText(\"Dropped\", \"%s items were dropped\", {n})); }\n");
    ASSERT_EQ(core.size(), 3u);
    EXPECT_EQ(core[0].call, "Fail");
    EXPECT_TRUE(kTextSinks.count(core[0].call));
    EXPECT_EQ(core[2].call, "CoreText");
    EXPECT_EQ(core[2].section, "Dropped");
    EXPECT_FALSE(kTextSinks.count(core[2].call));
}

} // namespace
