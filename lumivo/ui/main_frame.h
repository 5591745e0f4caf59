// SPDX-License-Identifier: GPL-2.0-or-later
// CMainFrame: the main window. Ribbon on top, the Ad list in the middle,
// the preview docked beside it, a status bar below; accepts dropped project
// files. It owns the link to the controller.
#pragma once

#include <qvr/records.h>
#include <serio/packet.h>

#include <QList>
#include <QMainWindow>
#include <QMap>

#include <memory>
#include <vector>

class CAdActions;
class CBoardActions;
class CCommandGroup;
class CEmptyListHint;
class IFrameHost;
class CStatusArea;
class CLumivoDoc;
class CLumivoView;
class CLumivoViewerWnd;
class CRibbonBar;
class CFleetDock;
class CScheduleDock;
class QAction;
class QActionGroup;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(IFrameHost& app, CLumivoDoc& doc);
    ~CMainFrame() override;

    CRibbonBar* Ribbon() const { return m_ribbon; }
    CLumivoView* View() const { return m_view; }
    CLumivoViewerWnd* Preview() const { return m_preview; }
    CAdActions* AdActions() const { return m_adActions; }
    CScheduleDock* ScheduleDock() const { return m_schedule; }
    CFleetDock* FleetDock() const { return m_fleet; }
    // The permanent status area: the lead wires the board link's text to
    // its SetLink and the preview's zoom to its SetZoom.
    CStatusArea* StatusArea() const { return m_status; }
    // The action of a command id, from whichever command group owns it.
    QAction* Action(int command) const;
    QMenu* LanguageMenu() const { return m_languageMenu; }
    CPacket& Packet() { return m_packet; }

    // Visual style 215..219: applied, stored under "ApplicationLook".
    void ApplyLook(int command);
    int LookCommand() const { return m_look; }
    // Language item 200 + i: selected, every text re-labelled, stored under
    // "UI Language". False for a number outside the list.
    bool ApplyLanguage(int command);
    int LanguageCommand() const { return m_language; }
    void RelabelAll();

    // The preview's entry points.
    void ShowDocument(CLumivoDoc* doc);
    // Plays one Ad's items; 0 when there is no preview to play them.
    int Play(const std::vector<CLumivo>& items);
    void ResizeBoard(unsigned columns, unsigned rows);

    void UpdateTitle();
    void RebuildRecentMenu();

    // The preview's zoom as the status area shows it ("Zoom 200 %").
    QString ZoomText() const;

    // Size, position and dock layout: stored under "Workspace" when the
    // window goes (if it was ever shown), restored when it is made; the
    // first time it fits the available screen.
    void SaveLayout();

signals:
    // The preview's zoom changed (or its words, with the language).
    void zoomChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildRibbon();
    void BuildLanguageMenu();
    void BuildZoom();
    void EmitZoom();
    void RestoreLayout();

    IFrameHost& m_app;
    CLumivoDoc& m_doc;
    CPacket m_packet;
    CRibbonBar* m_ribbon = nullptr;
    CLumivoView* m_view = nullptr;
    CLumivoViewerWnd* m_preview = nullptr;
    CStatusArea* m_status = nullptr;
    CEmptyListHint* m_emptyHint = nullptr;
    QMenu* m_appMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QMenu* m_styleMenu = nullptr;
    QMenu* m_zoomMenu = nullptr;
    QAction* m_boardPropsAnchor = nullptr; // the separator after Save As
    QActionGroup* m_languageGroup = nullptr;
    QActionGroup* m_styleGroup = nullptr;
    CCommandGroup* m_commands = nullptr; // file, view and window commands
    CAdActions* m_adActions = nullptr;
    CBoardActions* m_boardActions = nullptr;
    CScheduleDock* m_schedule = nullptr;
    CFleetDock* m_fleet = nullptr;
    bool m_closeAfterExchange = false; // a close waits for the exchange's cancel
    int m_homeCategory = 0;
    int m_look = 0;
    int m_language = 0;
};
