// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/main_frame.h"

#include "app/commands.h"
#include "lumivo_doc.h"
#include "ui/ad_actions.h"
#include "ui/board_actions.h"
#include "ui/board_props_dlg.h"
#include "ui/command_group.h"
#include "ui/frame_host.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"
#include "ui/manual.h"
#include "ui/qt_text.h"
#include "ui/empty_list_hint.h"
#include "ui/ribbon_bar.h"
#include "ui/fleet_dock.h"
#include "ui/schedule_dock.h"
#include "ui/status_area.h"
#include "ui/tr_format.h"
#include "ui/visual_styles.h"

#include <common/globalization.h>
#include <common/profile.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>
#include <QUrl>

namespace {

using namespace lumivo;

constexpr const char* kWorkspace = "Workspace";
constexpr const char* kGeometryKey = "MainFrameGeometry";
constexpr const char* kStateKey = "MainFrameState";
constexpr const char* kZoomKey = "PreviewZoom";

bool IsProjectFile(const QUrl& url)
{
    return url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".qvndoc"), Qt::CaseInsensitive);
}

// One of the ribbon's drawings (scalable, so crisp at any screen scale).
QIcon RibbonIcon(const char* name) { return QIcon(QStringLiteral(":/lumivo/ribbon/%1.svg").arg(QLatin1String(name))); }

} // namespace

CMainFrame::CMainFrame(IFrameHost& app, CLumivoDoc& doc) : m_app(app), m_doc(doc)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/lumivo/lumivo.svg")));
    setAcceptDrops(true);

    InstallDialogConventions();
    // The look first, so everything built below takes it.
    ApplyLook(common::AppProfile().GetProfileInt("Workspace", "ApplicationLook", kDefaultStyleCommand));

    m_view = new CLumivoView(doc, this);
    setCentralWidget(m_view);
    m_view->setFocus(); // the keys work on the list from the start
    m_preview = new CLumivoViewerWnd(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_preview);
    resizeDocks({m_preview}, {220}, Qt::Vertical);
    m_preview->Viewer()->SetLedDots(common::AppProfile().GetProfileInt("Workspace", "PreviewLedDots", 0) != 0);
    m_status = new CStatusArea(this);
    statusBar()->addPermanentWidget(m_status, 1);
    m_emptyHint = new CEmptyListHint(m_view);

    BuildRibbon();
    BuildLanguageMenu();
    m_schedule = new CScheduleDock(doc, *this);
    m_schedule->Install(m_appMenu, m_boardPropsAnchor);
    m_fleet = new CFleetDock(doc, *this);
    m_fleet->Install(m_appMenu, m_boardPropsAnchor);
    connect(this, &CMainFrame::zoomChanged, m_status, &CStatusArea::SetZoom);
    connect(m_boardActions, &CBoardActions::linkTextChanged, m_status, &CStatusArea::SetLink);
    if (!m_boardActions->LinkText().isEmpty())
        m_status->SetLink(m_boardActions->LinkText());
    m_status->SetZoom(ZoomText());

    connect(&doc, &CLumivoDoc::titleChanged, this, &CMainFrame::UpdateTitle);
    // The status area and the empty list's hint follow every change.
    auto showProject = [this] {
        m_status->ShowProject(m_doc.Core());
        m_emptyHint->SetEmpty(m_doc.Core().ItemCount() == 0);
    };
    connect(&doc, &CLumivoDoc::listChanged, this, showProject);
    connect(&doc, &CLumivoDoc::boardChanged, this, showProject);
    connect(&doc, &CLumivoDoc::saved, m_status, &CStatusArea::ShowSaved);
    showProject();
    connect(&doc, &CLumivoDoc::modifiedChanged, this, &CMainFrame::UpdateTitle);
    // A new board or library stops the preview; the Ad in view starts again.
    connect(&doc, &CLumivoDoc::boardChanged, this, [this] {
        ShowDocument(&m_doc);
        m_view->ReplayPreview();
    });
    // The list says which Ad plays, and when nothing does.
    connect(m_view, &CLumivoView::pageSelected, this, [this](unsigned page) {
        ShowDocument(&m_doc);
        Play(m_doc.Core().PageItems(page));
    });
    // Nothing to play shows a dark board, not the last frame of what went.
    connect(m_view, &CLumivoView::previewStopped, this, [this] { m_preview->Viewer()->setBoardImage(QImage()); });
    ShowDocument(&doc);

    // The stored language, or the one that matches the desktop's.
    int language = common::AppProfile().GetProfileInt("Workspace", "UI Language", -1);
    if (!ApplyLanguage(language)) {
        const auto list = CGlobalization::GetLangList();
        const QLocale::Language want = QLocale::system().language();
        const char16_t* name = want == QLocale::Korean ? u"Korean" : want == QLocale::Chinese ? u"Chinese" : u"English";
        int index = 0;
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i] == name)
                index = int(i);
        if (!ApplyLanguage(cmd::kFirstLanguage + index))
            RelabelAll();
    }
    UpdateTitle();
    RestoreLayout();
}

CMainFrame::~CMainFrame()
{
    SaveLayout();
    // The board link uses the packet: it goes first.
    delete m_boardActions;
    m_boardActions = nullptr;
    // The base classes hide the window once this frame is gone, and the
    // preview then reports its visibility: its handler here reads members.
    m_preview->disconnect(this);
    hide();
}

void CMainFrame::SaveLayout()
{
    if (!windowHandle())
        return; // never shown: nothing the user arranged
    common::IProfile& p = common::AppProfile();
    p.WriteProfileString(kWorkspace, kGeometryKey, saveGeometry().toBase64().toStdString());
    p.WriteProfileString(kWorkspace, kStateKey, saveState().toBase64().toStdString());
}

void CMainFrame::RestoreLayout()
{
    const common::IProfile& p = common::AppProfile();
    auto stored = [&p](const char* key) {
        return QByteArray::fromBase64(QByteArray::fromStdString(p.GetProfileString(kWorkspace, key, "")));
    };
    const QByteArray state = stored(kStateKey);
    if (!state.isEmpty() && restoreState(state))
        if (QAction* a = Action(cmd::kViewPreview))
            a->setChecked(!m_preview->isHidden());
    // A stored geometry is moved and shrunk onto the screen if need be.
    const QByteArray geometry = stored(kGeometryKey);
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        return;
    // The first start: the usual size where it fits, centred; a tenth of the
    // screen is left for the window's frame (a high scale makes the screen
    // small: 1280 x 900 at 200 % is 640 x 450).
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect available = s ? s->availableGeometry() : QRect(0, 0, 1000, 640);
    const QSize size = QSize(1000, 640).boundedTo(available.size() * 9 / 10);
    resize(size);
    move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

QAction* CMainFrame::Action(int command) const
{
    for (const CCommandGroup* group : {m_commands, static_cast<CCommandGroup*>(m_adActions),
                                       static_cast<CCommandGroup*>(m_boardActions),
                                       m_schedule ? m_schedule->Commands() : nullptr})
        if (QAction* a = group ? group->Action(command) : nullptr)
            return a;
    return nullptr;
}

void CMainFrame::BuildRibbon()
{
    m_ribbon = new CRibbonBar(this);
    setMenuWidget(m_ribbon);
    m_commands = new CCommandGroup(this);
    m_adActions = new CAdActions(m_doc, *m_view, m_app.Prompts(), this);
    addActions(m_adActions->KeyActions());
    m_boardActions = new CBoardActions(m_packet, m_doc, m_app.Prompts(), this);
    m_boardActions->SetTraceFile(m_app.TraceFile());
    m_boardActions->saveModified = [this] { return m_app.SaveModified(); };
    auto MakeAction = [this](int command, const char* section, const char* key, bool enabled = true,
                             bool checkable = false) {
        return m_commands->MakeAction(command, section, key, enabled, checkable);
    };

    // The file commands: the same actions on the Home tab and in the
    // application menu, so the menu shows their keys.
    auto* fileNew = MakeAction(cmd::kFileNew, "rbHome", "rbFileNew");
    auto* fileOpen = MakeAction(cmd::kFileOpen, "rbHome", "rbFileOpen");
    auto* fileSave = MakeAction(cmd::kFileSave, "rbHome", "rbFileSave");
    auto* appSaveAs = MakeAction(cmd::kFileSaveAs, "rbApp", "rbAppSaveAs");
    auto* appExit = MakeAction(cmd::kAppExit, "rbApp", "rbAppExit");
    auto* help = MakeAction(cmd::kAppHelp, "rbApp", "rbAppHelp");
    fileNew->setIcon(RibbonIcon("file-new"));
    fileOpen->setIcon(RibbonIcon("file-open"));
    fileSave->setIcon(RibbonIcon("file-save"));
    help->setIcon(RibbonIcon("help"));
    fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    fileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    appSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    appExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    addActions({fileNew, fileOpen, fileSave, appSaveAs, appExit, help});

    // The application menu.
    m_appMenu = new QMenu(this);
    m_recentMenu = new QMenu(this);
    m_appMenu->addAction(fileNew);
    m_appMenu->addAction(fileOpen);
    m_appMenu->addAction(fileSave);
    m_appMenu->addAction(appSaveAs);
    m_boardPropsAnchor = m_appMenu->addSeparator();
    m_editMenu = new QMenu(this);
    m_editMenu->addAction(m_adActions->Action(cmd::kEditUndo));
    m_editMenu->addAction(m_adActions->Action(cmd::kEditRedo));
    m_editMenu->addSeparator();
    m_editMenu->addAction(m_adActions->Action(cmd::kAdvtMoveUp));
    m_editMenu->addAction(m_adActions->Action(cmd::kAdvtMoveDown));
    m_appMenu->addMenu(m_editMenu);
    m_appMenu->addSeparator();
    m_appMenu->addMenu(m_recentMenu);
    m_appMenu->addSeparator();
    m_appMenu->addAction(help);
    m_appMenu->addAction(appExit);
    m_ribbon->SetApplicationMenu(m_appMenu);
    // Alt+F and F10 open it, as a menu bar's first menu opens.
    auto* openMenu = new QAction(this);
    openMenu->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_F), QKeySequence(Qt::Key_F10)});
    connect(openMenu, &QAction::triggered, m_ribbon->ApplicationButton(), &QToolButton::showMenu);
    addAction(openMenu);
    // Undo and redo beside it, whatever tab is open.
    m_adActions->Action(cmd::kEditUndo)->setIcon(RibbonIcon("undo"));
    m_adActions->Action(cmd::kEditRedo)->setIcon(RibbonIcon("redo"));
    m_ribbon->AddQuickAccessAction(m_adActions->Action(cmd::kEditUndo));
    m_ribbon->AddQuickAccessAction(m_adActions->Action(cmd::kEditRedo));

    // The Home tab.
    m_homeCategory = m_ribbon->AddCategory(QString());
    // Ads read back belong to the project that asked for them: no other
    // project opens while an exchange runs.
    connect(m_boardActions, &CBoardActions::busyChanged, this, [=, this](bool busy) {
        for (QAction* a : {fileNew, fileOpen})
            a->setEnabled(!busy);
        m_recentMenu->setEnabled(!busy && !m_recentMenu->isEmpty());
    });
    // A close asked for during an exchange (the window, or a signal from
    // the system) happens once the exchange has been cancelled.
    connect(m_boardActions, &CBoardActions::jobFinished, this, [this] {
        if (m_closeAfterExchange)
            QTimer::singleShot(0, this, &QWidget::close);
    });
    CRibbonPanel* panel = m_ribbon->AddPanel(m_homeCategory, QString());
    panel->AddAction(fileNew);
    panel->AddAction(fileOpen);
    panel->AddAction(fileSave);

    panel = m_ribbon->AddPanel(m_homeCategory, QString());
    for (int c : {cmd::kAdvtAdd, cmd::kAdvtEdit, cmd::kAdvtCopy, cmd::kAdvtPaste, cmd::kAdvtDelete})
        panel->AddAction(m_adActions->Action(c), c == cmd::kAdvtAdd);
    const std::pair<int, const char*> adIcons[] = {{cmd::kAdvtAdd, "ad-add"},     {cmd::kAdvtEdit, "ad-edit"},
                                                   {cmd::kAdvtCopy, "ad-copy"},   {cmd::kAdvtPaste, "ad-paste"},
                                                   {cmd::kAdvtDelete, "ad-delete"}};
    for (const auto& [c, name] : adIcons)
        m_adActions->Action(c)->setIcon(RibbonIcon(name));

    panel = m_ribbon->AddPanel(m_homeCategory, QString());
    panel->AddAction(m_boardActions->Action(cmd::kCommSetup));
    for (int c : {cmd::kCommConnect, cmd::kCommDisconnect, cmd::kCommSend})
        panel->AddAction(m_boardActions->Action(c), false);

    panel = m_ribbon->AddPanel(m_homeCategory, QString());
    panel->AddAction(m_boardActions->Action(cmd::kCtrlSetup), false);
    panel->AddAction(m_boardActions->Action(cmd::kCtrlUserImage), false);
    const std::pair<int, const char*> boardIcons[] = {{cmd::kCommSetup, "port-setup"},   {cmd::kCommConnect, "connect"},
                                                      {cmd::kCommDisconnect, "disconnect"}, {cmd::kCommSend, "send"},
                                                      {cmd::kCtrlSetup, "ctrl-setup"},    {cmd::kCtrlUserImage, "user-images"}};
    for (const auto& [c, name] : boardIcons)
        m_boardActions->Action(c)->setIcon(RibbonIcon(name));

    // The project's own board, size and content language: in the
    // application menu, the project's menu.
    auto* boardProps = MakeAction(cmd::kBoardProps, "rbHome", "rbBoardProps");
    boardProps->setIcon(RibbonIcon("board-properties"));
    m_appMenu->insertAction(m_boardPropsAnchor, boardProps);
    connect(boardProps, &QAction::triggered, this, [this] { EditBoardProperties(m_doc, this); });

    panel = m_ribbon->AddPanel(m_homeCategory, QString());
    auto* status = MakeAction(cmd::kViewStatusBar, "rbHome", "rbViewStatus", true, true);
    status->setChecked(true);
    auto* preview = MakeAction(cmd::kViewPreview, "rbHome", "rbViewPreview", true, true);
    preview->setChecked(true);
    auto* dots = MakeAction(cmd::kViewLedDots, "rbHome", "rbViewLedDots", true, true);
    dots->setChecked(m_preview->Viewer()->LedDots());
    status->setIcon(RibbonIcon("status-bar"));
    preview->setIcon(RibbonIcon("preview"));
    dots->setIcon(RibbonIcon("led-dots"));
    panel->AddAction(status, false);
    panel->AddAction(preview, false);
    panel->AddAction(dots, false);
    BuildZoom();

    // The corner: style, language, about.
    auto* styleAction = MakeAction(cmd::kStyle, "rbHome", "rbStyle");
    m_styleMenu = new QMenu(this);
    m_styleGroup = new QActionGroup(this);
    for (int c = kFirstStyleCommand; c <= kLastStyleCommand; ++c) {
        QAction* a = m_styleMenu->addAction(StyleName(c));
        a->setData(c);
        a->setCheckable(true);
        a->setChecked(c == m_look);
        m_styleGroup->addAction(a);
        m_commands->AddNumbered(c, a);
    }
    styleAction->setMenu(m_styleMenu);
    auto* languageAction = MakeAction(cmd::kLanguage, "rbHome", "rbLanguage");
    m_languageMenu = new QMenu(this);
    languageAction->setMenu(m_languageMenu);
    auto* about = MakeAction(cmd::kAppAbout, "rbHome", "rbAbout");
    styleAction->setIcon(RibbonIcon("style"));
    languageAction->setIcon(RibbonIcon("language"));
    about->setIcon(RibbonIcon("about"));
    m_ribbon->AddCornerAction(styleAction);
    m_ribbon->AddCornerAction(languageAction);
    m_ribbon->AddCornerAction(about);

    connect(fileNew, &QAction::triggered, this, [this] { m_app.OnFileNew(); });
    connect(fileOpen, &QAction::triggered, this, [this] { m_app.OnFileOpen(); });
    connect(fileSave, &QAction::triggered, this, [this] { m_app.OnFileSave(); });
    connect(appSaveAs, &QAction::triggered, this, [this] { m_app.OnFileSaveAs(); });
    connect(appExit, &QAction::triggered, this, &QWidget::close);
    connect(help, &QAction::triggered, this, [this] { OpenManual(m_app.Prompts(), QCoreApplication::applicationDirPath()); });
    connect(about, &QAction::triggered, this, [this] { m_app.OnAppAbout(); });
    connect(status, &QAction::toggled, statusBar(), &QWidget::setVisible);
    connect(preview, &QAction::toggled, m_preview, &QWidget::setVisible);
    connect(m_preview, &QDockWidget::visibilityChanged, this, [this, preview](bool) {
        preview->setChecked(!m_preview->isHidden());
    });
    connect(dots, &QAction::toggled, this, [this](bool on) {
        m_preview->Viewer()->SetLedDots(on);
        common::AppProfile().WriteProfileInt("Workspace", "PreviewLedDots", on ? 1 : 0);
    });
    connect(m_styleGroup, &QActionGroup::triggered, this, [this](QAction* a) { ApplyLook(a->data().toInt()); });
    RebuildRecentMenu();
}

void CMainFrame::BuildZoom()
{
    CLumivoViewer* viewer = m_preview->Viewer();
    auto* zoomIn = m_commands->MakeAction(cmd::kViewZoomIn, "rbHome", "rbViewZoomIn");
    auto* zoomOut = m_commands->MakeAction(cmd::kViewZoomOut, "rbHome", "rbViewZoomOut");
    auto* zoomFit = m_commands->MakeAction(cmd::kViewZoomFit, "rbHome", "rbViewZoomFit");
    auto* zoom100 = m_commands->MakeAction(cmd::kViewZoom100, "rbHome", "rbViewZoom100");
    // Ctrl with Alt: Ctrl++ and Ctrl+- alone expand and collapse the Ad list.
    zoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Plus)});
    zoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Minus));
    zoomFit->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F));
    zoom100->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0));
    zoomIn->setIcon(RibbonIcon("zoom-in"));
    zoomOut->setIcon(RibbonIcon("zoom-out"));
    zoomFit->setIcon(RibbonIcon("zoom-fit"));
    zoom100->setIcon(RibbonIcon("zoom-original"));
    m_zoomMenu = new QMenu(this);
    m_zoomMenu->addActions({zoomIn, zoomOut, zoomFit, zoom100});
    addActions({zoomIn, zoomOut, zoomFit, zoom100});
    // The menu: in the application menu, beside Board Properties.
    m_zoomMenu->setIcon(RibbonIcon("zoom-fit"));
    m_zoomMenu->menuAction()->setData(cmd::kViewZoom);
    m_appMenu->insertMenu(m_boardPropsAnchor, m_zoomMenu);
    connect(zoomIn, &QAction::triggered, viewer, &CLumivoViewer::ZoomIn);
    connect(zoomOut, &QAction::triggered, viewer, &CLumivoViewer::ZoomOut);
    connect(zoomFit, &QAction::triggered, viewer, [viewer] { viewer->SetFit(true); });
    connect(zoom100, &QAction::triggered, viewer, [viewer] { viewer->SetZoom(100); });

    // Remembered between runs: 0 is fitting, the default.
    const int stored = common::AppProfile().GetProfileInt(kWorkspace, kZoomKey, 0);
    if (stored > 0)
        viewer->SetZoom(stored);
    else
        viewer->SetFit(true);
    connect(viewer, &CLumivoViewer::zoomChanged, this, [this](int zoom, bool fit) {
        common::AppProfile().WriteProfileInt(kWorkspace, kZoomKey, fit ? 0 : zoom);
        EmitZoom();
    });
}

QString CMainFrame::ZoomText() const
{
    const CLumivoViewer* viewer = m_preview->Viewer();
    return TrFormat("Program", viewer->Fits() ? "ZoomFitStatus" : "ZoomStatus", {QString::number(viewer->Zoom())});
}

void CMainFrame::EmitZoom() { emit zoomChanged(ZoomText()); }

void CMainFrame::BuildLanguageMenu()
{
    m_languageMenu->clear();
    delete m_languageGroup;
    m_languageGroup = new QActionGroup(this);
    const auto list = CGlobalization::GetLangList();
    for (size_t i = 0; i < list.size() && int(i) < cmd::kMaxLanguages; ++i) {
        QAction* a = m_languageMenu->addAction(FromU16(list[i]));
        a->setData(cmd::kFirstLanguage + int(i));
        a->setCheckable(true);
        m_languageGroup->addAction(a);
    }
    connect(m_languageGroup, &QActionGroup::triggered, this, [this](QAction* a) { ApplyLanguage(a->data().toInt()); });
}

void CMainFrame::ApplyLook(int command)
{
    if (!IsStyleCommand(command))
        command = kDefaultStyleCommand;
    m_look = command;
    if (auto* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    qApp->setStyleSheet(StyleSheet(command));
    if (QAction* a = m_commands ? m_commands->Action(command) : nullptr)
        a->setChecked(true);
    common::AppProfile().WriteProfileInt("Workspace", "ApplicationLook", command);
    update();
}

bool CMainFrame::ApplyLanguage(int command)
{
    const auto list = CGlobalization::GetLangList();
    const int index = command - cmd::kFirstLanguage;
    if (index < 0 || index >= int(list.size()) || index >= cmd::kMaxLanguages)
        return false;
    m_language = command;
    CGlobalization::SelectLanguage(list[size_t(index)]);
    for (QAction* a : m_languageGroup->actions())
        a->setChecked(a->data().toInt() == command);
    RelabelAll();
    common::AppProfile().WriteProfileInt("Workspace", "UI Language", command);
    return true;
}

void CMainFrame::RelabelAll()
{
    m_commands->Relabel();
    m_adActions->Relabel();
    m_boardActions->Relabel();
    m_ribbon->SetApplicationText(Tr("rbApp", "rbAppFile"), Tr("rbApp", "rbAppFileToolTip"));
    m_recentMenu->setTitle(Tr("rbApp", "rbAppRecent"));
    m_editMenu->setTitle(Tr("rbApp", "rbAppEdit"));
    m_ribbon->SetCategoryName(m_homeCategory, Tr("rbHome", "rbName"));
    const char* panelKeys[] = {"rbPanelFile", "rbPanelAdvt", "rbPanelComm", "rbPanelCtrl", "rbPanelView"};
    const QList<CRibbonPanel*> panels = m_ribbon->Panels(m_homeCategory);
    for (int i = 0; i < panels.size() && i < int(std::size(panelKeys)); ++i)
        panels[i]->SetTitle(Tr("rbHome", panelKeys[i]));
    m_zoomMenu->setTitle(Tr("rbHome", "rbViewZoom"));
    for (QAction* a : m_styleGroup->actions())
        a->setText(StyleName(a->data().toInt()));
    m_preview->setWindowTitle(Tr("Windows", "Preview"));
    m_ribbon->Relayout();
    m_view->Relabel();
    m_schedule->Relabel();
    m_fleet->Relabel();
    m_status->Relabel();
    EmitZoom();
    m_emptyHint->setText(Tr("Document", "EmptyList"));
    update();
}

void CMainFrame::ShowDocument(CLumivoDoc* doc)
{
    if (!doc) {
        m_preview->Clear();
        return;
    }
    m_preview->Viewer()->SetContent(doc->BorrowContent());
    ResizeBoard(doc->ModuleColumns(), doc->ModuleRows());
}

int CMainFrame::Play(const std::vector<CLumivo>& items)
{
    if (!m_preview)
        return 0;
    return m_preview->Viewer()->Play(items) ? 1 : 0;
}

void CMainFrame::ResizeBoard(unsigned columns, unsigned rows) { m_preview->ResizeBoard(columns, rows); }

void CMainFrame::UpdateTitle()
{
    setWindowTitle(m_doc.ShortTitle() + QStringLiteral("[*] \u2014 ") + QStringLiteral("Lumivo"));
    setWindowModified(m_doc.IsModified());
}

void CMainFrame::RebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = m_app.RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QAction* a = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]));
        a->setData(cmd::kFileMru1 + i);
        const QString path = files[i];
        connect(a, &QAction::triggered, this, [this, path] { m_app.OpenRecentFile(path); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // An exchange with the board is cancelled first; the window closes when it has ended.
    if (m_boardActions && m_boardActions->IsBusy()) {
        statusBar()->showMessage(Tr("Board", "BusyClose"), 5000);
        m_closeAfterExchange = true;
        m_boardActions->CancelExchange();
        event->ignore();
        return;
    }
    m_closeAfterExchange = false;
    if (!m_app.SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (IsProjectFile(url)) {
                event->acceptProposedAction();
                return;
            }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (m_boardActions && m_boardActions->IsBusy())
        return; // see busyChanged: the exchange's project stays open
    for (const QUrl& url : event->mimeData()->urls())
        if (IsProjectFile(url)) {
            event->acceptProposedAction();
            // One document at a time: the first project file dropped opens.
            m_app.OpenDocumentFile(url.toLocalFile());
            return;
        }
}
