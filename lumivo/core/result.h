// SPDX-License-Identifier: GPL-2.0-or-later
// What a core operation reports to its caller: success or failure, and the
// messages the GUI shows in message boxes and the command-line tool prints.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace lumivo {

enum class Severity { Info, Warning, Error };

struct Message {
    Severity severity = Severity::Error;
    std::string text; // UTF-8
};

class Result {
public:
    Result() = default;
    static Result Fail(std::string text)
    {
        Result r;
        r.Error(std::move(text));
        return r;
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const std::vector<Message>& messages() const { return m_messages; }

    // An error also marks the operation as failed; a warning does not.
    void Error(std::string text)
    {
        m_ok = false;
        m_messages.push_back({Severity::Error, std::move(text)});
    }
    // The operation failed; the message (if any) was given with its own severity.
    void Failed() { m_ok = false; }
    void Warn(std::string text) { m_messages.push_back({Severity::Warning, std::move(text)}); }
    void Append(const Result& other, bool keepOutcome = false)
    {
        m_messages.insert(m_messages.end(), other.m_messages.begin(), other.m_messages.end());
        if (!keepOutcome && !other.m_ok)
            m_ok = false;
    }
    // The first error's text, else the first message's, else "".
    std::string FirstError() const
    {
        for (const Message& m : m_messages)
            if (m.severity == Severity::Error)
                return m.text;
        return m_messages.empty() ? std::string() : m_messages.front().text;
    }
    bool HasMessage(const std::string& text) const
    {
        for (const Message& m : m_messages)
            if (m.text.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    bool m_ok = true;
    std::vector<Message> m_messages;
};

} // namespace lumivo
