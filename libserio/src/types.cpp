// SPDX-License-Identifier: BSD-2-Clause
#include <serio/types.h>

#include <map>
#include <string>

namespace serio {

void CEvent::Set()
{
    {
        std::lock_guard lk(m_lock);
        m_set = true;
    }
    m_cv.notify_all();
}

void CEvent::Reset()
{
    std::lock_guard lk(m_lock);
    m_set = false;
}

bool CEvent::IsSet() const
{
    std::lock_guard lk(m_lock);
    return m_set;
}

bool CEvent::Wait(DWORD timeoutMs) const
{
    std::unique_lock lk(m_lock);
    if (timeoutMs == kInfinite) {
        m_cv.wait(lk, [this] { return m_set; });
        return true;
    }
    return m_cv.wait_for(lk, std::chrono::milliseconds(timeoutMs), [this] { return m_set; });
}

uint32_t RegisterWindowMessage(std::string_view name)
{
    static std::mutex lock;
    static std::map<std::string, uint32_t, std::less<>> ids;
    std::lock_guard lk(lock);
    auto it = ids.find(name);
    if (it != ids.end())
        return it->second;
    const auto id = static_cast<uint32_t>(0xC000 + ids.size());
    ids.emplace(std::string(name), id);
    return id;
}

} // namespace serio
