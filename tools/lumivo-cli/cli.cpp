// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli.h"

#include <common/globalization.h>
#include <common/profile.h>
#include <common/text.h>

#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace cli {

namespace {

std::vector<const Verb*>& Verbs()
{
    static std::vector<const Verb*> verbs;
    return verbs;
}

void PrintUsage(std::ostream& out)
{
    out << "usage: lumivo-cli VERB [operands] [options]\n"
           "       lumivo-cli VERB --help\n\n"
           "Creates, inspects and converts Lumivo projects (.qvndoc) without a display.\n\nVerbs:\n";
    std::vector<const Verb*> verbs = Verbs();
    std::sort(verbs.begin(), verbs.end(),
              [](const Verb* a, const Verb* b) { return std::strcmp(a->name, b->name) < 0; });
    // Names and summaries in two columns at least two blanks apart, so
    // that scripts (the bash completion, the manual page test) can split them.
    size_t width = 12;
    for (const Verb* v : verbs)
        width = std::max(width, std::strlen(v->name));
    for (const Verb* v : verbs)
        out << "  " << v->name << std::string(width + 2 - std::strlen(v->name), ' ') << v->summary << "\n";
    out << "\nExit status: 0 success, 1 the operation failed, 2 a wrong command line.\n";
}

void PrintVerbHelp(const Verb& v)
{
    std::cout << "usage: lumivo-cli " << v.name << " " << v.operands << "\n\n" << v.summary << "\n";
    if (*v.details)
        std::cout << "\n" << v.details << "\n";
    // Options and their help in two columns at least two blanks apart.
    auto left = [](const Option& o) {
        return std::string("--") + o.name + (o.value ? std::string(" ") + o.value : "");
    };
    size_t width = 18;
    for (const Option& o : v.options)
        width = std::max(width, left(o).size());
    auto line = [&](const std::string& option, const char* help) {
        std::cout << "  " << option << std::string(width + 2 - option.size(), ' ') << help << "\n";
    };
    if (!v.options.empty()) {
        std::cout << "\nOptions:\n";
        for (const Option& o : v.options)
            line(left(o), o.help);
    }
    line("--help", "show this text");
}

// The verb named by the first one or two words; consumed words counted.
const Verb* FindVerb(int argc, char** argv, int& words)
{
    const Verb* found = nullptr;
    for (const Verb* v : Verbs()) {
        const std::string name = v->name;
        const size_t space = name.find(' ');
        if (space == std::string::npos) {
            if (argc > 1 && name == argv[1] && !found)
                found = v, words = 1;
        } else if (argc > 2 && name.substr(0, space) == argv[1] && name.substr(space + 1) == argv[2]) {
            found = v, words = 2;
            return found;
        }
    }
    return found;
}

bool IsGroupWord(const char* word)
{
    for (const Verb* v : Verbs()) {
        const std::string name = v->name;
        const size_t space = name.find(' ');
        if (space != std::string::npos && name.substr(0, space) == word)
            return true;
    }
    return false;
}

Args Parse(const Verb& v, int argc, char** argv, int first)
{
    Args args;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
            std::string name = word.substr(2);
            std::optional<std::string> value;
            if (const size_t eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (name == "help") {
                args.Set("help", "");
                continue;
            }
            const auto o = std::find_if(v.options.begin(), v.options.end(),
                                        [&](const Option& o) { return name == o.name; });
            if (o == v.options.end())
                throw UsageError("unknown option --" + name);
            if (o->value && !value) {
                if (i + 1 >= argc)
                    throw UsageError("--" + name + " needs a value " + o->value);
                value = argv[++i];
            }
            if (!o->value && value)
                throw UsageError("--" + name + " takes no value");
            if (const auto earlier = args.Get(name); earlier && o->repeatable)
                value = *earlier + "\n" + value.value_or("");
            args.Set(name, value.value_or(""));
        } else {
            args.positional.push_back(std::move(word));
        }
    }
    return args;
}

// The language whose date and time pictures the verbs use. A missing one
// is a warning, not an error: most verbs do not need it, but dates would
// show without their pictures.
void SelectLanguage()
{
    const char* name = std::getenv("LUMIVO_LANGUAGE");
    const std::string wanted = name && *name ? name : "English";
    CGlobalization::InitLanguageList();
    const std::vector<std::u16string> languages = CGlobalization::GetLangList();
    for (const std::u16string& lang : languages)
        if (lang == common::Utf8ToUtf16(wanted)) {
            CGlobalization::SelectLanguage(lang);
            return;
        }
    const std::string folder = common::Utf16ToUtf8(CGlobalization::GetLangDir());
    if (languages.empty()) {
        std::cerr << "lumivo-cli: warning: no language files in " << folder << "\n";
        return;
    }
    std::string found;
    for (const std::u16string& lang : languages)
        found += (found.empty() ? "" : ", ") + common::Utf16ToUtf8(lang);
    std::cerr << "lumivo-cli: warning: no language \"" << wanted << "\" in " << folder << " (there are " << found
              << ")\n";
}

// The agent and fleet verbs live in a module loaded only when one of them
// is named or the verbs are listed (its TLS, HTTP and MQTT libraries would
// slow every start). It lies beside the program's own libraries, named from
// the program's own place: a run-path search would be the caller's, and
// under the sanitizers the caller of dlopen is their runtime. Its verbs
// register themselves as it loads.
bool IsNetworkGroup(const char* word)
{
    return std::strcmp(word, "agent") == 0 || std::strcmp(word, "fleet") == 0;
}

bool LoadNetworkVerbs(std::string& error)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string module = ec ? std::string(LUMIVO_CLI_NETWORK_MODULE)
                                  : (self.parent_path() / LUMIVO_CLI_NETWORK_MODULE_DIR / LUMIVO_CLI_NETWORK_MODULE)
                                        .lexically_normal()
                                        .string();
    if (dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL) != nullptr)
        return true;
    const char* why = dlerror();
    error = "cannot load the agent and fleet verbs: " + (why ? std::string(why) : module);
    return false;
}

} // namespace

void RegisterVerb(const Verb* verb) { Verbs().push_back(verb); }

std::optional<std::string> Args::Get(const std::string& name) const
{
    auto it = m_values.find(name);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

std::vector<std::string> Args::All(const std::string& name) const
{
    std::vector<std::string> values;
    if (const std::optional<std::string> text = Get(name)) {
        size_t start = 0;
        for (size_t end; (end = text->find('\n', start)) != std::string::npos; start = end + 1)
            values.push_back(text->substr(start, end - start));
        values.push_back(text->substr(start));
    }
    return values;
}

std::optional<long> Args::Number(const std::string& name, long min, long max) const
{
    const std::optional<std::string> text = Get(name);
    if (!text)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    // Decimal ("08" is eight), or hexadecimal with 0x for effect codes.
    const bool hex = text->size() > 2 && (*text)[0] == '0' && ((*text)[1] == 'x' || (*text)[1] == 'X');
    const long v = std::strtol(text->c_str(), &end, hex ? 16 : 10);
    if (text->empty() || *end != '\0' || errno != 0 || v < min || v > max)
        throw UsageError("--" + name + " must be a number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not \"" + *text + "\"");
    return v;
}

void PrintNotes(const lumivo::Result& r)
{
    for (const lumivo::Message& m : r.messages())
        std::cerr << "lumivo-cli: " << (m.severity == lumivo::Severity::Info ? "note" : "warning")
                  << ": " << m.text << "\n";
}

void Check(const lumivo::Result& r, const std::string& what)
{
    if (r)
        return;
    throw Failure(what.empty() ? r.FirstError() : what + ": " + r.FirstError());
}

std::unique_ptr<lumivo::CProjectCore> OpenProject(const std::filesystem::path& path, lumivo::ContentLoader loader)
{
    auto project = std::make_unique<lumivo::CProjectCore>(std::move(loader));
    const lumivo::Result r = project->LoadFile(path);
    Check(r, path.string());
    PrintNotes(r);
    return project;
}

void SaveProject(lumivo::CProjectCore& project, const std::filesystem::path& path)
{
    Check(project.SaveFile(path));
}

const std::vector<Option>& BoardOptions()
{
    static const std::vector<Option> options = {
    {"module-rows", "R", "module rows of the board, 1 to 4 (default 1)"},
    {"module-cols", "C", "module columns of the board, 2 to 20 (default 6)"},
    {"language", "A|E", "content language: A (Korean) or E (English; default)"},
    {"content-rows", "1|2", "content rows: 1 (16-dot) or 2 (32-dot); default: the module rows"},
    {"content-cols", "3|6", "content column class: 3 (columns 2 to 5) or 6 (6 and more; default)"},
    };
    return options;
}

lumivo::BoardValues BoardFromArgs(const Args& args)
{
    lumivo::BoardValues b = lumivo::NewProjectBoard(common::AppProfile());
    if (auto v = args.Number("module-rows", 1, 4))
        b.moduleRow = static_cast<uint8_t>(*v), b.lumivoRow = static_cast<uint8_t>(*v);
    if (auto v = args.Number("module-cols", 2, 20))
        b.moduleColumn = static_cast<uint8_t>(*v);
    if (auto v = args.Get("language")) {
        if (*v != "A" && *v != "E")
            throw UsageError("--language must be A or E, not \"" + *v + "\"");
        b.language = static_cast<uint8_t>((*v)[0]);
    }
    if (auto v = args.Number("content-rows", 1, 2))
        b.lumivoRow = static_cast<uint8_t>(*v);
    if (auto v = args.Get("content-cols")) {
        if (*v != "3" && *v != "6")
            throw UsageError("--content-cols must be 3 or 6, not \"" + *v + "\"");
        b.lumivoColumn = static_cast<uint8_t>(std::stoi(*v));
    }
    return b;
}

std::unique_ptr<lumivo::CProjectCore> NewProject(const Args& args, const std::filesystem::path& path)
{
    const lumivo::BoardValues board = BoardFromArgs(args);
    auto project = std::make_unique<lumivo::CProjectCore>();
    // A missing library does not stop a project from being made.
    PrintNotes(project->SetBoard(board));
    std::string name = path.filename().string();
    if (name.size() > 7 && name.compare(name.size() - 7, 7, lumivo::kProjectExtension) == 0)
        name.resize(name.size() - 7);
    project->SetProject(path.parent_path().string(), name);
    return project;
}

} // namespace cli

int main(int argc, char** argv)
{
    using namespace cli;
    const bool listing = argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0;
    if (listing || IsNetworkGroup(argv[1])) {
        std::string error;
        if (!LoadNetworkVerbs(error)) {
            std::cerr << "lumivo-cli: " << (listing ? "warning: " : "") << error << "\n";
            if (!listing)
                return kExitFailed;
        }
    }
    if (listing) {
        PrintUsage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    int words = 0;
    const Verb* verb = FindVerb(argc, argv, words);
    if (verb == nullptr) {
        if (IsGroupWord(argv[1]) && (argc < 3 || std::strcmp(argv[2], "--help") == 0)) {
            PrintUsage(argc < 3 ? std::cerr : std::cout);
            return argc < 3 ? kExitUsage : kExitOk;
        }
        std::cerr << "lumivo-cli: unknown verb \"" << argv[1] << (argc > 2 && IsGroupWord(argv[1]) ? std::string(" ") + argv[2] : "")
                  << "\" (lumivo-cli --help lists them)\n";
        return kExitUsage;
    }
    try {
        const Args args = Parse(*verb, argc, argv, 1 + words);
        if (args.Has("help")) {
            PrintVerbHelp(*verb);
            return kExitOk;
        }
        if (args.positional.size() < verb->minOperands || args.positional.size() > verb->maxOperands)
            throw UsageError(std::string("expected ") + verb->operands);
        SelectLanguage();
        return verb->run(args);
    } catch (const Failure& f) {
        std::string text = f.what();
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::cerr << "lumivo-cli: " << verb->name << ": " << text << "\n";
        return f.status;
    } catch (const std::exception& e) {
        std::cerr << "lumivo-cli: " << verb->name << ": " << e.what() << "\n";
        return kExitFailed;
    }
}
