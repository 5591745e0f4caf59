// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/schedule_apply.h"

#include "core/project_board.h"

#include <qvr/records.h>

#include <algorithm>

namespace lumivo {

namespace {

// The project's side of the connection, except that the Ads and user
// images the board reports are kept for comparing instead of loaded.
class CReadBackDocument final : public IBoardDocument {
public:
    explicit CReadBackDocument(CProjectCore& project) : m_inner(project) {}
    bool SetBoard(const BoardFromModule& board) override { return m_inner.SetBoard(board); }
    void SetContentLanguage(unsigned code) override { m_inner.SetContentLanguage(code); }
    bool PackAdBlob(std::vector<BYTE>& blob) override { return m_inner.PackAdBlob(blob); }
    bool LoadAdBlob(const BYTE* blob, size_t length) override
    {
        m_readBack.assign(blob, blob + length);
        return true;
    }
    bool LoadUserImages(const BYTE*, size_t) override { return true; }
    bool GetUserImageBlob(std::vector<BYTE>& blob) override { return m_inner.GetUserImageBlob(blob); }
    const std::vector<BYTE>& ReadBack() const { return m_readBack; }

private:
    CProjectBoardDocument m_inner;
    std::vector<BYTE> m_readBack;
};

} // namespace

Result ApplyStateToProject(CProjectCore& project, const ScheduleState& state)
{
    Result r;
    for (unsigned page = 0; page < project.PageCount(); ++page) {
        const bool used = std::binary_search(state.pages.begin(), state.pages.end(), page);
        r.Append(project.SetPageUsed(page, used));
    }
    return r;
}

std::vector<CLumivo> StateItems(const CProjectCore& project, const ScheduleState& state)
{
    std::vector<CLumivo> items;
    for (unsigned p : state.pages)
        for (CLumivo item : project.PageItems(p)) {
            item.skip = 0;
            items.push_back(item);
        }
    return items;
}

bool SameAds(const std::vector<BYTE>& a, const std::vector<BYTE>& b)
{
    AdPages pa, pb;
    if (a.empty() || b.empty() || !ReadAdBlob(a.data(), a.size(), pa) || !ReadAdBlob(b.data(), b.size(), pb))
        return false;
    if (pa.size() != pb.size())
        return false;
    for (size_t p = 0; p < pa.size(); ++p) {
        if (pa[p].size() != pb[p].size())
            return false;
        for (size_t i = 0; i < pa[p].size(); ++i) {
            std::vector<uint8_t> x(qvr::kItemBytes), y(qvr::kItemBytes);
            qvr::StoreItem(pa[p][i], x.data());
            qvr::StoreItem(pb[p][i], y.data());
            if (x != y)
                return false;
        }
    }
    return true;
}

ApplyReport ApplyStateToBoard(CBoardSession& session, CProjectCore& project, const ScheduleState& state)
{
    ApplyReport report;
    if (Result r = ApplyStateToProject(project, state); !r) {
        report.error = r.FirstError();
        return report;
    }
    CReadBackDocument document(project);
    session.SetDocument(&document);
    struct Detach {
        CBoardSession& s;
        ~Detach() { s.SetDocument(nullptr); }
    } detach{session};
    if (session.Connect() != BoardResult::Ok) {
        report.error = session.LastError().empty() ? "the board did not connect" : session.LastError();
        session.Disconnect();
        return report;
    }
    std::vector<BYTE> desired;
    if (!document.PackAdBlob(desired)) {
        session.Disconnect();
        report.error = "the Ads cannot be packed";
        return report;
    }
    if (SameAds(document.ReadBack(), desired)) {
        session.Disconnect();
        report.outcome = ApplyOutcome::AlreadyHeld;
        return report;
    }
    if (session.Send() != BoardResult::Ok) {
        report.error = session.LastError().empty() ? "the Ads were not sent" : session.LastError();
        session.Disconnect();
        return report;
    }
    report.outcome = ApplyOutcome::Sent;
    return report;
}

} // namespace lumivo
