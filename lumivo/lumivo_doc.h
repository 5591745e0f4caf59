// SPDX-License-Identifier: GPL-2.0-or-later
// CLumivoDoc: the program's one document. It holds the project core (board,
// Ad list, content library, file formats) and adds what a window needs: the
// undo stack, the message boxes for the core's messages, the modified flag
// and title, the path, and signals that say what changed.
//
// Widgets read the project through Core() (const) and change it only through
// the edit methods below: each checks the change, builds one command and
// pushes it on UndoStack(). A change the core would refuse is reported and
// never pushed.
#pragma once

#include "core/project.h"
#include "app/prompts.h"
#include "core/user_image_order.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QUndoStack;

class CLumivoDoc : public QObject {
    Q_OBJECT
public:
    // Reads the board settings and opens the matching content library.
    CLumivoDoc(CPrompts& prompts, lumivo::ContentLoader loader = lumivo::DefaultContentLoader(),
               QObject* parent = nullptr);
    // Writes the board settings back.
    ~CLumivoDoc() override;

    const lumivo::CProjectCore& Core() const { return m_core; }
    // The content library lent to the preview's engine, which takes it
    // non-const; borrowers only paint from it.
    CContent* BorrowContent() { return &m_core.Content(); }
    // Every change to the project goes on this stack; it also decides
    // whether the project counts as modified.
    QUndoStack* UndoStack() const { return m_undoStack; }

    // File New: an empty Ad list; the board stays. The undo stack is cleared.
    bool OnNewDocument();
    // Reads a project file; false (with the message shown) when it is
    // refused. The undo stack is cleared.
    bool OnOpenDocument(const QString& path);
    // Writes the file, then "Project Path" (its folder) and the board
    // settings; the stack's current state becomes the clean one. A failure
    // is said in the interface language, naming the file and the cause; the
    // file on disk is then as it was.
    bool OnSaveDocument(const QString& path);
    // What a failed save tells the user, from the errno of the failed step.
    static QString SaveFailureText(const QString& path, int error);

    const QString& PathName() const { return m_path; }
    void SetPathName(const QString& path);
    // The file name, or "Untitled" before the project has one.
    QString Title() const;
    // The file name without its extension ("shop"), or "Untitled".
    QString ShortTitle() const;
    // Differs from the last saved or opened state (the undo stack is not clean).
    bool IsModified() const;
    // true: modified although no undo step says so (a new project still to be
    // saved); false: the current state counts as saved.
    void SetModifiedFlag(bool modified = true);

    // ---- Edits: one undo step each; false (with the reason shown) when
    // refused, and then nothing changed.
    // A new page at `page` (0..PageCount()); later pages move one up.
    bool InsertPage(unsigned page, const std::vector<CLumivo>& items, const QString& text = QString());
    bool AppendPage(const std::vector<CLumivo>& items, const QString& text = QString());
    bool DeletePage(unsigned page, const QString& text = QString());
    // The Ad editor's OK on an existing page.
    bool ReplacePage(unsigned page, const std::vector<CLumivo>& items, const QString& text = QString());
    // One item changed (its effects ...).
    bool ChangeItem(size_t entry, const CLumivo& item, const QString& text = QString());
    // The Uses check box of a page.
    bool SetPageUsed(unsigned page, bool used, const QString& text = QString());
    // Page from moved to position to (Move Ad Up / Down).
    bool MovePage(unsigned from, unsigned to, const QString& text = QString());
    // The whole Ad list replaced (Ads read back from the controller).
    bool ReplaceAdList(const lumivo::AdPages& pages, const QString& text = QString());
    // The user images replaced (at most eight); recipes, when given, are
    // those of the text images among them (else the recipes stay).
    bool ReplaceUserImages(const std::vector<CRGX<8192>>& images, const QString& text = QString(),
                           std::optional<lumivo::TextImageRecipes> recipes = std::nullopt);
    // The user images removed, reordered or added (the user image dialog's
    // OK): Image items and recipes follow their pictures in the same step.
    bool RearrangeUserImages(const std::vector<CRGX<8192>>& images, const lumivo::ImageOrigins& origins,
                             const QString& text = QString());
    // The Ad editor's OK with text images drawn: the user images and their
    // recipes, then page (none: a new last page) set to items, one step.
    bool PlaceTextImages(std::optional<unsigned> page, const std::vector<CLumivo>& items,
                         const std::vector<CRGX<8192>>& images, const lumivo::TextImageRecipes& recipes,
                         const QString& text = QString());
    // A text wider than the board as board-wide pieces (the font page's
    // split): each a new user image with its recipe on a new last page of
    // its own, all in one step; refused as the core refuses it.
    bool SplitTextImage(const lumivo::TextRecipe& recipe, const QString& text = QString());
    // Board Properties: new board values and the content library that
    // matches them. A library that cannot be loaded is reported; the values
    // stay changed, as SetBoard keeps them.
    bool ChangeBoard(const lumivo::BoardValues& board, const QString& text = QString());
    // The whole schedule replaced (an entry added, edited or deleted).
    bool SetSchedule(const lumivo::Schedule& schedule, const QString& text = QString());

    // After the controller told its board, or from the new-project dialog.
    // Board changes are not undo steps (the board comes with the project or
    // from the controller).
    int SetBoard(uint8_t moduleRow, uint8_t moduleColumn, uint8_t language, uint8_t lumivoRow,
                 uint8_t lumivoColumn);
    // Folder and name of a new project: the path is composed, the folder
    // becomes the current directory and the document counts as modified.
    int SetProject(const QString& folder, const QString& name);
    // The blobs the controller takes (Send, the user image exchange); false
    // with the reason shown when they cannot be made.
    bool PackAdBlob(std::vector<uint8_t>& blob);
    bool PackUserImages(std::vector<uint8_t>& blob);
    // The language code live dates and times follow (10 Korean, 14 other):
    // the connected board's; 0 gives back the content library's own. Not
    // part of the project, so no undo step.
    void SetBoardLanguage(unsigned code);

    unsigned ModuleColumns() const { return m_core.Board().moduleColumn; }
    unsigned ModuleRows() const { return m_core.Board().moduleRow; }

    // Shows the messages of a core result in message boxes; returns its outcome.
    bool Report(const lumivo::Result& result);
    // The questions and messages of the document's windows (its dialogs too).
    CPrompts& Prompts() const { return m_prompts; }

    // ---- For the undo commands only: apply one change to the core and
    // announce it. Views must not call these (they bypass the stack).
    // scheduleEntries: the schedule entries that name the page again (the undo of a delete).
    lumivo::Result ApplyInsertPage(unsigned page, const std::vector<CLumivo>& items,
                                   const std::vector<size_t>& scheduleEntries = {});
    lumivo::Result ApplyDeletePage(unsigned page);
    lumivo::Result ApplyReplacePage(unsigned page, const std::vector<CLumivo>& items);
    lumivo::Result ApplySetItem(size_t entry, const CLumivo& item);
    lumivo::Result ApplySetPageUsed(unsigned page, bool used);
    lumivo::Result ApplyReplaceAdList(const lumivo::AdPages& pages);
    lumivo::Result ApplyMovePage(unsigned from, unsigned to);
    lumivo::Result ApplyUserImages(const std::vector<CRGX<8192>>& images, const lumivo::TextImageRecipes& recipes);
    // changed gets each Image item moved, as it was before.
    lumivo::Result ApplyRearrangedUserImages(const std::vector<CRGX<8192>>& images,
                                             const lumivo::ImageOrigins& origins,
                                             std::vector<std::pair<size_t, CLumivo>>& changed);
    lumivo::Result ApplyBoard(const lumivo::BoardValues& board);
    lumivo::Result ApplySchedule(const lumivo::Schedule& schedule);

signals:
    void titleChanged();
    void modifiedChanged(bool modified);
    // What changed in the Ad list. Page numbers are those after the change
    // for insertions and changes, before it for removals. listChanged()
    // follows every one of them, and is alone when the whole list changed.
    void pageInserted(unsigned page);
    void pageRemoved(unsigned page);
    void pageChanged(unsigned page);
    void itemChanged(size_t entry);
    void listChanged();
    void boardChanged(); // board values or content library changed
    void saved(const QString& path);
    void userImagesChanged();
    // The schedule's entries changed (page insertions and removals renumber
    // them too: listChanged() says so).
    void scheduleChanged();

private:
    bool Push(lumivo::Result check, class QUndoCommand* command);
    // On success: what() emits the specific signal, then listChanged().
    lumivo::Result Announce(lumivo::Result r, const std::function<void()>& what);

    CPrompts& m_prompts;
    lumivo::CProjectCore m_core;
    QUndoStack* m_undoStack;
    QString m_path;
};
