// SPDX-License-Identifier: GPL-2.0-or-later
// Pieces of the board-session tests: a scripted user, a recording document,
// and a simulated controller on a pseudo-terminal with the session's port
// pointed at it.
#pragma once

#include "core/board_session.h"

#include <boardsim.h>
#include <common/profile.h>
#include <serio/serio.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace board_test {

using Bytes = std::vector<BYTE>;

// Answers Retry a given number of times, then Cancel; remembers every box.
class ScriptedUi : public lumivo::IBoardUi {
public:
    struct Box {
        std::string kind, text, caption;
    };
    int retries = 0;
    bool yes = false;
    std::function<bool(lumivo::CModuleStateModel&)> edit = [](lumivo::CModuleStateModel&) { return false; };
    std::vector<Box> boxes;
    int locks = 0; // drawing locked minus unlocked

    bool AskRetry(const std::string& text, const std::string& caption) override
    {
        boxes.push_back({"retry", text, caption});
        if (retries <= 0)
            return false;
        --retries;
        return true;
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override
    {
        boxes.push_back({"yesno", text, caption});
        return yes;
    }
    void ShowMessage(const std::string& text, const std::string& caption, lumivo::MessageIcon) override
    {
        boxes.push_back({"message", text, caption});
    }
    bool EditModuleState(lumivo::CModuleStateModel& model) override { return edit(model); }
    void LockDrawing(bool locked) override { locks += locked ? 1 : -1; }

    int Count(const std::string& kind) const
    {
        int n = 0;
        for (const Box& b : boxes)
            n += b.kind == kind;
        return n;
    }
};

// Keeps what the session gives it and packs what it is told to.
class RecordingDocument : public lumivo::IBoardDocument {
public:
    std::vector<lumivo::BoardFromModule> boards;
    std::vector<unsigned> languages;
    Bytes packed, loadedAds, userImages, loadedImages;
    bool acceptAds = true;

    bool SetBoard(const lumivo::BoardFromModule& board) override
    {
        boards.push_back(board);
        return true;
    }
    void SetContentLanguage(unsigned code) override { languages.push_back(code); }
    bool PackAdBlob(Bytes& blob) override
    {
        blob = packed;
        return !packed.empty();
    }
    bool LoadAdBlob(const BYTE* blob, size_t length) override
    {
        if (!acceptAds)
            return false;
        loadedAds.assign(blob, blob + length);
        return true;
    }
    bool LoadUserImages(const BYTE* blob, size_t length) override
    {
        loadedImages.assign(blob, blob + length);
        return true;
    }
    bool GetUserImageBlob(Bytes& blob) override
    {
        blob = userImages;
        return true;
    }
};

using boardsim::MakeAdBlob;

// Polls pred until it holds or the time is up.
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 3000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lumivo-board-XXXXXX").string();
        path = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

// A simulated controller and a session connected to it by the profile.
class BoardLink : public ::testing::Test {
protected:
    BoardLink() { common::SetAppProfile(&profile); }
    ~BoardLink() override
    {
        session.reset();
        if (sim)
            sim->Stop();
        common::SetAppProfile(nullptr);
    }
    // The simulator keeps its records in state (seeded by the test).
    void StartSim(boardsim::Options options = {})
    {
        ::unsetenv(serio::kSerialDeviceEnv);
        if (options.stateDir.empty())
            options.stateDir = state.path.string();
        sim = std::make_unique<boardsim::CBoardSim>(std::move(options), nullptr);
        ASSERT_EQ(0, sim->Create());
        profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, sim->DevicePath());
        sim->Start();
        session = std::make_unique<lumivo::CBoardSession>(ui, clock);
        session->SetDocument(&document);
    }
    std::vector<BYTE> Commands() const
    {
        std::vector<BYTE> out;
        for (const auto& f : sim->Received())
            out.push_back(f.command);
        return out;
    }
    int Requests(BYTE command) const
    {
        int n = 0;
        for (const auto& f : sim->Received())
            n += f.command == command;
        return n;
    }

    common::CMemoryProfile profile;
    TempDir state;
    lumivo::CFixedClock clock{2099, 12, 31, 23, 59, 59};
    ScriptedUi ui;
    RecordingDocument document;
    std::unique_ptr<boardsim::CBoardSim> sim;
    std::unique_ptr<lumivo::CBoardSession> session;
};

} // namespace board_test
