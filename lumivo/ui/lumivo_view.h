// SPDX-License-Identifier: GPL-2.0-or-later
// CLumivoView: the Ad list. One row per item of the project, in the
// project's order, grouped by Ad (page): the Uses check box, the page, the
// title, the start, wait and end effects, and when the schedule shows it. Row r shows entry r of the
// document.
//
// It follows the document's change signals row by row, so selection,
// folding and check boxes stay as they were; only a whole new list (open,
// new, Ads read back) refills it. It also decides what the preview plays:
// the page of the focused row, again whenever that page's items change.
#pragma once

#include "core/project.h"
#include "core/schedule.h"

#include <common/widgets/group_list_view.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CLumivoDoc;

class CLumivoView : public CGroupListView {
    Q_OBJECT
public:
    enum Column { kColUses, kColPage, kColTitle, kColEffectS, kColEffectW, kColEffectE, kColShown, kColumns };

    explicit CLumivoView(CLumivoDoc& doc, QWidget* parent = nullptr);
    ~CLumivoView() override;

    // Headers and every text in the selected language.
    void Relabel();
    // The whole list again from the document; the first row is focused.
    void Refill();

    // "Ad 01": the page cell and group header of a 0-based page.
    static QString PageText(unsigned page);
    // The page of the focused row or group header; none in an empty list.
    std::optional<unsigned> FocusedPage() const;
    // The document entry of the focused row; none on a group header.
    std::optional<size_t> FocusedEntry() const;
    // Selects every row of the page and focuses its first; it plays.
    void SelectPage(unsigned page);
    std::optional<unsigned> PreviewedPage() const { return m_shown; }
    // Plays the focused page again from its start (the board changed).
    void ReplayPreview();

signals:
    void pageSelected(unsigned page); // play these items now
    void previewStopped();            // nothing to play
    void focusChanged();              // the focused row, page or list changed
    void editRequested(unsigned page);
    void effectRequested(size_t entry, int phase);
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The language files' texts of one list change, each looked up once while
    // the change lasts: every lookup asks the file system whether the file
    // changed, which on a refill cost more than the rows themselves.
    struct TextMemo {
        std::optional<std::u16string> pagePrefix;
        std::map<std::pair<int, unsigned>, QString> effects;      // phase, code
        std::optional<lumivo::WhenWords> when;
    };
    class MemoScope {
    public:
        explicit MemoScope(const CLumivoView& view) : m_view(view), m_owner(!view.m_memo)
        {
            if (m_owner)
                m_view.m_memo.emplace();
        }
        ~MemoScope()
        {
            if (m_owner)
                m_view.m_memo.reset();
        }
        MemoScope(const MemoScope&) = delete;
        MemoScope& operator=(const MemoScope&) = delete;

    private:
        const CLumivoView& m_view;
        bool m_owner;
    };
    QString PageLabel(unsigned page) const;
    QStringList RowTexts(const lumivo::CAdEntry& e) const;
    void ShowSchedule();
    void SetRow(int row);
    void InsertEntryRow(int row, int groupId);
    int PageOfRow(int row) const;
    int FirstRowOfGroup(int id) const;
    int RowsOfGroup(int id) const;
    void RelabelPagesFrom(unsigned page);
    bool Matches() const;
    void FitColumns();
    void OnPageInserted(unsigned page);
    void OnPageRemoved(unsigned page);
    void OnPageChanged(unsigned page);
    void OnItemChanged(size_t entry);
    void OnListChanged();
    void OnRowChecked(int row, bool checked);
    void SyncPreview();

    CLumivoDoc& m_doc;
    int m_nextGroupId = 0;
    int m_updating = 0;
    // Set by a handler of a single change: the listChanged() after it needs
    // no refill.
    bool m_changeHandled = false;
    std::optional<unsigned> m_shown;  // the page the preview plays
    std::vector<uint8_t> m_shownBytes; // its items as played (Uses left out)
    mutable std::optional<TextMemo> m_memo;
};
