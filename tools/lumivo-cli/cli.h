// SPDX-License-Identifier: GPL-2.0-or-later
// The frame of lumivo-cli: every verb lives in its own file and registers
// itself with LUMIVO_CLI_VERB; main() finds the verb (one or two words,
// "info" or "blob pack"), parses its options and runs it.
#pragma once

#include "core/project.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // the operation failed
constexpr int kExitUsage = 2;  // the command line is wrong
constexpr int kExitRepaired = 3; // info --strict: the file needed repairs

// Thrown by verbs; main prints "lumivo-cli: <verb>: <text>" as one line.
struct Failure : std::runtime_error {
    Failure(std::string text, int status = kExitFailed) : std::runtime_error(text), status(status) {}
    int status;
};
struct UsageError : Failure {
    explicit UsageError(std::string text) : Failure(std::move(text), kExitUsage) {}
};

struct Option {
    const char* name;  // without "--"
    const char* value; // name of its value ("N"), or nullptr for a flag
    const char* help;
    // Given more than once, every value is kept, one a line (see Args::All);
    // other options keep their last value.
    bool repeatable = false;
};

class Args {
public:
    std::vector<std::string> positional;
    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    std::optional<std::string> Get(const std::string& name) const;
    // Every value of a repeatable option, in command-line order.
    std::vector<std::string> All(const std::string& name) const;
    // The option as a whole number in [min, max]; a usage error otherwise.
    std::optional<long> Number(const std::string& name, long min, long max) const;
    void Set(const std::string& name, std::string value) { m_values[name] = std::move(value); }

private:
    std::map<std::string, std::string> m_values;
};

struct Verb {
    const char* name;     // "new", "blob pack"
    const char* operands; // "FILE.qvndoc [options]"
    const char* summary;  // one line for the verb list
    const char* details;  // more text for --help, may be ""
    std::vector<Option> options;
    size_t minOperands;
    size_t maxOperands;
    int (*run)(const Args& args);
};

void RegisterVerb(const Verb* verb);
struct Registrar {
    explicit Registrar(const Verb& verb) { RegisterVerb(&verb); }
};
#define LUMIVO_CLI_CONCAT2(a, b) a##b
#define LUMIVO_CLI_CONCAT(a, b) LUMIVO_CLI_CONCAT2(a, b)
#define LUMIVO_CLI_VERB(verb) static const ::cli::Registrar LUMIVO_CLI_CONCAT(registrar_, __LINE__)(verb)

// ---- Helpers shared by the verbs.

// Warnings and notes of a successful operation go to stderr, one a line.
void PrintNotes(const lumivo::Result& r);
// Throws Failure with the result's first error when it failed.
void Check(const lumivo::Result& r, const std::string& what = "");

// Loads a project file; a refused file is a Failure. The verbs of the board
// link, which never draw, pass lumivo::NoContentLibrary().
std::unique_ptr<lumivo::CProjectCore> OpenProject(const std::filesystem::path& path,
                                                  lumivo::ContentLoader loader = lumivo::DefaultContentLoader());
void SaveProject(lumivo::CProjectCore& project, const std::filesystem::path& path);

// The board options of "new" (and of "blob unpack" for a new file).
const std::vector<Option>& BoardOptions();
lumivo::BoardValues BoardFromArgs(const Args& args);
// A new project on that board, named after the file.
std::unique_ptr<lumivo::CProjectCore> NewProject(const Args& args, const std::filesystem::path& path);

} // namespace cli
