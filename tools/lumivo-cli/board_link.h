// SPDX-License-Identifier: GPL-2.0-or-later
// What the board verbs of lumivo-cli share: the link options (--device,
// --retries, --trace), a user that answers the session's questions from
// those options, a progress line on a terminal, and the printing of the
// module information and the controller settings.
#pragma once

#include "cli.h"

#include "core/board_session.h"
#include "core/project_board.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cli {

// --device, --retries and --trace, followed by the verb's own options.
std::vector<Option> LinkOptions(std::vector<Option> own = {});

// Answers Retry as often as --retries allows (in all, over the whole run),
// then Cancel; the Yes/No question with the verb's answer; message boxes go
// to stderr.
class CCliBoardUi final : public lumivo::IBoardUi {
public:
    CCliBoardUi(int retries, bool answerYes) : m_retries(retries), m_yes(answerYes) {}
    bool AskRetry(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowMessage(const std::string& text, const std::string& caption, lumivo::MessageIcon icon) override;
    bool EditModuleState(lumivo::CModuleStateModel& model) override { return edit ? edit(model) : false; }

    std::function<bool(lumivo::CModuleStateModel&)> edit;

private:
    int m_retries;
    bool m_yes;
};

// One run of a board verb: the device chosen, the session connected (the
// controller's clock is set on the way), and disconnected at the end.
class CBoardRun {
public:
    // answerYes: whether to read the stored Ads when the controller has some.
    // clock: what sets the controller's clock (borrowed; the computer's when null).
    CBoardRun(const Args& args, bool answerYes, lumivo::CProjectCore* project = nullptr,
              const lumivo::IClock* clock = nullptr);
    ~CBoardRun();

    // The connection sequence; a Failure when it is given up.
    void Connect();
    void Disconnect();
    lumivo::CBoardSession& Session() { return *m_session; }
    CCliBoardUi& Ui() { return m_ui; }
    // The project operations' warnings, printed once.
    void PrintProjectNotes();

private:
    CCliBoardUi m_ui;
    std::unique_ptr<serio::IPacketOwner> m_progress;
    lumivo::CTraceLog m_trace;
    std::unique_ptr<lumivo::CProjectBoardDocument> m_document;
    std::unique_ptr<lumivo::CBoardSession> m_session;
};

// The dialog's model of what the controller reported.
lumivo::CModuleStateModel ModelOf(const lumivo::CBoardSession& session);
lumivo::CModuleStateModel ModelOf(const serio::ModuleInfo& info, const serio::ControllerSettings& settings);

void PrintModuleInfo(const serio::ModuleInfo& info);
void PrintSettings(const lumivo::CModuleStateModel& model);
std::string ModuleInfoJson(const serio::ModuleInfo& info);
std::string SettingsJson(const lumivo::CModuleStateModel& model);

// "on"/"off"/"yes"/"no"/"1"/"0"/"true"/"false".
bool ParseSwitch(const std::string& field, const std::string& text);
// H:MM or H:MM:SS within a day.
lumivo::TimeOfDay ParseTimeOfDay(const std::string& field, const std::string& text);
std::string FormatTime(const lumivo::TimeOfDay& t);

} // namespace cli
