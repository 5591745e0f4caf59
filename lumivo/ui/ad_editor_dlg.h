// SPDX-License-Identifier: GPL-2.0-or-later
// CAdEditorDlg: the Ad editor. It lays out one page (Ad) on a copy: the
// layout strip shows the page's items stacked as bands, the property sheet
// builds one item at a time from its active page, and a preview plays the
// page as laid out on a board of the project's size.
//
// Add Ad (no page): starts empty; OK appends the page. Edit Ad (a page):
// starts with that page's items in the strip, the first band chosen and its
// sheet page in front; OK replaces the page. While a band is chosen, what is
// changed on its kind's sheet page is the band's item at once (strip and
// preview follow). What is set up on a page with no band to follow is not
// on the page yet: OK asks whether to place it, and so does choosing a band
// whose item would replace it on that page. OK pushes exactly that one
// change on the document's undo stack and closes only when it was taken;
// Cancel, Escape and closing the window ask before changes are dropped. The
// editor never writes into the document while it is open.
//
// A tenth page makes text in a font of this computer into a user image
// shown by an Image item; what it draws joins the project with the page at OK.
// A text wider than the board it can split into board-wide pieces instead,
// each on a new Ad of its own: that too is one step, and closes the editor.
//
// Keys: Alt+A adds a band, Alt+R replaces the chosen band, Alt+D deletes it
// (the buttons' mnemonics), F6 goes to the kinds list, Ctrl+Return is OK,
// Escape is Cancel.
#pragma once

#include "core/page_layout.h"

#include <qvr/records.h>

#include <QDialog>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class CContent;
class CFontTextPage;
class CLayoutStrip;
class CLumivoDoc;
class CLumivoViewer;
class CQVSheetPage;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

class CAdEditorDlg : public QDialog {
    Q_OBJECT
public:
    CAdEditorDlg(CLumivoDoc& doc, std::optional<unsigned> page, QWidget* parent = nullptr);
    ~CAdEditorDlg() override;

    // The page edited; none for Add Ad.
    std::optional<unsigned> Page() const { return m_page; }
    const lumivo::CPageLayout& Layout() const { return m_layout; }
    CLayoutStrip* Strip() const { return m_strip; }
    // The property sheet; its tab bar is hidden, the kinds list beside it
    // shows every page (a page added later appears there by its tab text).
    QTabWidget* Sheet() const { return m_sheet; }
    QListWidget* Kinds() const { return m_kinds; }
    // The nine pages of the board's kinds, then the font page.
    static constexpr int kSheetPages = 10;
    // The sheet page of an index; null outside 0 to 9.
    CQVSheetPage* SheetPage(int index) const;
    CFontTextPage* FontPage() const { return m_fontPage; }
    // The sheet page that builds items of a kind; -1 for kinds without one.
    static int PageIndexOfKind(int type);
    // The sheet page that edits an item: the font page for text images.
    int PageIndexOfItem(const CLumivo& item) const;
    // The kind the active sheet page builds; 12 (None) when there is none.
    int ActiveItemKind() const;
    CLumivoViewer* Preview() const { return m_preview; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* ReplaceButton() const { return m_replace; }
    QPushButton* DeleteButton() const { return m_delete; }

    // The operations of the buttons. Each returns false when refused, with
    // the reason shown, and then the page is as it was.
    bool AddBand();
    bool ReplaceBand();
    bool DeleteBand();
    // OK: what is set up but not placed is offered first (Add / Discard /
    // Cancel); refused ("ErrEmptyRegion") while a line of the board is left
    // empty, or when the document refuses the change.
    void accept() override;
    // Cancel, Escape, closing: with changes, asks to keep them (OK), drop
    // them or go on editing.
    void reject() override;
    // Whether anything differs from the page as it was opened, placed or not.
    bool HasChanges() const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The band added from sheet page `index`; false (reason shown) when refused.
    bool AddFrom(int index);
    // The item sheet page `index` builds to stand in the band's place: an item
    // of the band's kind keeps the effects set with the effect dialog.
    lumivo::Result Rebuild(size_t band, int index, CLumivo& item) const;
    // A sheet page changed: the chosen band follows, or the page holds
    // something not placed yet.
    void PageEdited(int index);
    // Shows a band's item on its sheet page without taking it as an edit.
    void LoadBand(size_t band);
    // "Place the text you typed?" for sheet page `index`: true to go on (added
    // or discarded), false when the user cancelled or the band was refused.
    bool OfferUnplaced(int index);
    // Shows a refusal or the builder's warnings.
    void Tell(const lumivo::Result& r) const;
    // After every change of the page: strip, preview, buttons.
    void PageChanged();
    // A band was chosen: its item goes to its sheet page, which comes to the front.
    void BandChosen();
    void Relabel();
    void FillKinds();
    // The preview shows the font page's draft of the user images.
    void DraftChanged();
    // The font page's split: the pieces join the project as one step and
    // the editor closes as taken, the edited page left as it was opened.
    void SplitText();

    CLumivoDoc& m_doc;
    std::optional<unsigned> m_page;
    lumivo::CPageLayout m_layout;
    uint8_t m_skip = 0; // the edited page's Uses state, kept by OK
    CLayoutStrip* m_strip;
    QTabWidget* m_sheet;
    QListWidget* m_kinds;
    std::array<CQVSheetPage*, kSheetPages> m_pages{};
    CFontTextPage* m_fontPage;
    // The library with the text images drawn but not yet the project's, for
    // the preview; made when the first is drawn.
    std::unique_ptr<CContent> m_previewContent;
    CLumivoViewer* m_preview;
    QLabel* m_help;
    QLabel* m_previewLabel;
    QPushButton* m_add;
    QPushButton* m_replace;
    QPushButton* m_delete;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_followingBand = false;
    int m_loading = 0;                    // pages are being filled, not edited
    std::vector<uint8_t> m_startBytes;    // the page's items as opened
    std::array<bool, kSheetPages> m_unplaced{};     // sheet pages holding what is not on the page
    std::optional<size_t> m_shownBand;    // the band the sheet pages show
};
