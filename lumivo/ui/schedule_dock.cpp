// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/schedule_dock.h"

#include "core/schedule_apply.h"
#include "lumivo_doc.h"
#include "ui/command_group.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"
#include "ui/main_frame.h"
#include "ui/qt_text.h"
#include "ui/schedule_entry_dlg.h"
#include "ui/schedule_text.h"
#include "ui/schedule_week_grid.h"
#include "ui/tr_format.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

using lumivo::Tr;

namespace {

enum Column { kColName, kColWhen, kColAds, kColPriority, kColumns };

// The entry list takes Insert, Return, F2 and Delete while it has the focus,
// before the Ad list's window-wide keys of the same name.
class CEntryList : public QTreeWidget {
public:
    std::function<void()> add, edit, remove;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::ShortcutOverride && Handler(static_cast<QKeyEvent*>(e))) {
            e->accept();
            return true;
        }
        return QTreeWidget::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (const std::function<void()>* h = Handler(e)) {
            if (*h)
                (*h)();
            e->accept();
            return;
        }
        QTreeWidget::keyPressEvent(e);
    }

private:
    const std::function<void()>* Handler(const QKeyEvent* e) const
    {
        if (e->modifiers() & ~Qt::KeypadModifier)
            return nullptr;
        switch (e->key()) {
        case Qt::Key_Insert: return &add;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2: return currentItem() ? &edit : nullptr;
        case Qt::Key_Delete: return currentItem() ? &remove : nullptr;
        default: return nullptr;
        }
    }
};

QIcon Swatch(size_t entry)
{
    QPixmap p(12, 12);
    p.fill(CScheduleWeekGrid::EntryColour(entry));
    return QIcon(p);
}

lumivo::Date MondayOf(const lumivo::Date& d)
{
    const int weekday = lumivo::Weekday(d); // 0 Sunday
    return lumivo::FromDayNumber(lumivo::DayNumber(d) - (weekday + 6) % 7);
}

// Now, to the minute: the field shows no seconds, so it must hold none, or a
// typed 07:30 would show the board at 07:30 and some seconds.
QDateTime ThisMinute()
{
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
}

} // namespace

CScheduleDock::CScheduleDock(CLumivoDoc& doc, CMainFrame& frame)
    : QDockWidget(&frame), m_doc(doc), m_frame(frame), m_commands(new CCommandGroup(this)), m_list(new CEntryList),
      m_week(new CScheduleWeekGrid), m_weekLabel(new QLabel), m_problems(new QLabel), m_showAt(new QCheckBox),
      m_at(new QDateTimeEdit(ThisMinute())), m_state(new QLabel)
{
    setObjectName(QStringLiteral("ScheduleDock"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    using namespace lumivo::cmd;
    auto* view = m_commands->MakeAction(kViewSchedule, "Schedule", "ViewSchedule", true, true);
    view->setShortcut(QKeySequence(Qt::Key_F9));
    auto* add = m_commands->MakeAction(kScheduleAdd, "Schedule", "AddEntry");
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    auto* edit = m_commands->MakeAction(kScheduleEdit, "Schedule", "EditEntry", false);
    edit->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    auto* remove = m_commands->MakeAction(kScheduleDelete, "Schedule", "DeleteEntry", false);
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));
    auto* showAt = m_commands->MakeAction(kScheduleShowAt, "Schedule", "ShowAtCommand", true, true);
    showAt->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    connect(view, &QAction::toggled, this, [this](bool on) {
        setVisible(on);
        if (on) {
            raise();
            m_list->setFocus();
        }
    });
    connect(this, &QDockWidget::visibilityChanged, this, [this, view](bool) { view->setChecked(!isHidden()); });
    connect(add, &QAction::triggered, this, &CScheduleDock::AddEntry);
    connect(edit, &QAction::triggered, this, &CScheduleDock::EditEntry);
    connect(remove, &QAction::triggered, this, &CScheduleDock::DeleteEntry);
    // The command and the box beside the field are one switch.
    connect(showAt, &QAction::toggled, this, [this](bool on) {
        if (on) {
            show();
            m_at->setFocus();
        }
        if (m_showAt->isChecked() != on)
            m_showAt->setChecked(on); // its handler applies it
        else
            ApplyShowAt(on);
    });

    auto* list = static_cast<CEntryList*>(m_list);
    list->add = [this] { AddEntry(); };
    list->edit = [this] { EditEntry(); };
    list->remove = [this] { DeleteEntry(); };
    m_list->setObjectName(QStringLiteral("ScheduleEntries"));
    m_list->setColumnCount(kColumns);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(kColWhen, QHeaderView::Stretch);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CScheduleDock::UpdateEnabling);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CScheduleDock::EditEntry);

    auto* buttons = new QHBoxLayout;
    for (QAction* a : {add, edit, remove}) {
        auto* b = new QToolButton;
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        buttons->addWidget(b);
    }
    buttons->addStretch();

    m_at->setObjectName(QStringLiteral("ScheduleShowAt"));
    m_at->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_at->setDateTimeRange(QDateTime(QDate(lumivo::kFirstScheduleYear, 1, 2), QTime(0, 0)),
                           QDateTime(QDate(lumivo::kLastScheduleYear, 12, 30), QTime(23, 59)));
    m_at->setCalendarPopup(true);
    m_showAt->setObjectName(QStringLiteral("ScheduleShowAtBox"));
    connect(m_showAt, &QCheckBox::toggled, this, [this, showAt](bool on) {
        if (showAt->isChecked() != on)
            showAt->setChecked(on); // its handler applies it
        else
            ApplyShowAt(on);
    });
    connect(m_at, &QDateTimeEdit::dateTimeChanged, this, [this] {
        ShowWeek();
        PlayShownState();
    });
    auto* at = new QHBoxLayout;
    at->addWidget(m_showAt);
    at->addWidget(m_at);
    at->addWidget(m_state, 1);
    m_state->setObjectName(QStringLiteral("ScheduleState"));
    m_problems->setObjectName(QStringLiteral("ScheduleProblems"));
    m_problems->setWordWrap(true);
    m_problems->setStyleSheet(QStringLiteral("color: #b00020"));

    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->addWidget(m_list, 1);
    column->addLayout(buttons);
    column->addWidget(m_problems);
    column->addWidget(m_weekLabel);
    column->addWidget(m_week, 1);
    column->addLayout(at);
    setWidget(body);

    connect(&doc, &CLumivoDoc::scheduleChanged, this, &CScheduleDock::Rebuild);
    connect(&doc, &CLumivoDoc::listChanged, this, &CScheduleDock::Rebuild);
    // While it is on, the board at that instant keeps the preview, whatever
    // the Ad list's focus plays; queued so it comes after the list's own play.
    connect(frame.View(), &CLumivoView::pageSelected, this, [this] {
        if (!m_shown || m_replayQueued)
            return;
        m_replayQueued = true;
        QMetaObject::invokeMethod(this, [this] {
            m_replayQueued = false;
            PlayShownState();
        }, Qt::QueuedConnection);
    });
    Relabel();
}

CScheduleDock::~CScheduleDock() = default;

void CScheduleDock::Install(QMenu* menu, QAction* before)
{
    m_frame.addDockWidget(Qt::RightDockWidgetArea, this);
    hide();
    m_menu = new QMenu(menu);
    using namespace lumivo::cmd;
    for (int c : {kViewSchedule, kScheduleAdd, kScheduleEdit, kScheduleDelete, kScheduleShowAt}) {
        if (c == kScheduleAdd || c == kScheduleShowAt)
            m_menu->addSeparator();
        m_menu->addAction(m_commands->Action(c));
        m_frame.addAction(m_commands->Action(c));
    }
    menu->insertMenu(before, m_menu);
    Relabel();
}

void CScheduleDock::Relabel()
{
    m_commands->Relabel();
    setWindowTitle(Tr("Schedule", "Title"));
    if (m_menu)
        m_menu->setTitle(Tr("Schedule", "Menu"));
    m_list->setHeaderLabels({Tr("Schedule", "ColName"), Tr("Schedule", "ColWhen"), Tr("Schedule", "ColAds"),
                             Tr("Schedule", "ColPriority")});
    m_showAt->setText(Tr("Schedule", "ShowAt"));
    m_at->setToolTip(Tr("Schedule", "ShowAtToolTip"));
    Rebuild();
}

bool CScheduleDock::ShowsBoardAt() const { return m_showAt->isChecked(); }

void CScheduleDock::Rebuild()
{
    const lumivo::CProjectCore& core = m_doc.Core();
    const lumivo::Schedule& schedule = core.GetSchedule();
    m_eval.reset();
    m_unprioritised.reset();
    QStringList problems;
    lumivo::Result r = lumivo::CScheduleEvaluator::Make(schedule, core.UsedPages(), core.PageCount(), m_eval);
    if (r) {
        lumivo::Schedule flat = schedule;
        for (lumivo::ScheduleEntry& e : flat.entries)
            e.priority = lumivo::kDefaultPriority;
        r = lumivo::CScheduleEvaluator::Make(flat, core.UsedPages(), core.PageCount(), m_unprioritised);
    }
    if (!r)
        problems.append(QString::fromStdString(r.FirstError()));
    if (m_eval && !schedule.empty()) {
        const lumivo::ScheduleProblems found =
            lumivo::FindScheduleProblems(schedule, *m_eval, core.PageCount(), AtInstant());
        QStringList names;
        for (size_t i : found.entriesWithoutAds)
            names.append(QString::fromStdString(schedule.entries[i].name));
        if (!names.isEmpty())
            problems.append(lumivo::TrFormat("Schedule", "EntriesWithoutAds", {names.join(QStringLiteral(", "))}));
        if (!found.unusedPages.empty())
            problems.append(lumivo::TrFormat("Schedule", "UnusedAds", {lumivo::PagesText(found.unusedPages)}));
    }
    m_problems->setText(problems.join(QLatin1Char('\n')));
    m_problems->setVisible(!problems.isEmpty());
    FillList();
    ShowWeek();
    PlayShownState();
}

void CScheduleDock::FillList()
{
    const lumivo::Schedule& schedule = m_doc.Core().GetSchedule();
    const int current = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : 0;
    m_list->clear();
    const unsigned pageCount = m_doc.Core().PageCount();
    for (size_t i = 0; i < schedule.entries.size(); ++i) {
        const lumivo::ScheduleEntry& e = schedule.entries[i];
        std::vector<unsigned> existing;
        for (unsigned p : e.pages)
            if (p < pageCount)
                existing.push_back(p);
        auto* item = new QTreeWidgetItem(m_list);
        item->setIcon(kColName, Swatch(i));
        item->setText(kColName, QString::fromStdString(e.name));
        item->setText(kColWhen, lumivo::WhenText(e));
        item->setText(kColAds, existing.empty() ? Tr("Schedule", "NoAds") : lumivo::PagesText(existing));
        item->setText(kColPriority, QString::number(e.priority));
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(std::clamp(current, 0, m_list->topLevelItemCount() - 1)));
    for (int c : {kColName, kColAds, kColPriority})
        m_list->resizeColumnToContents(c);
    UpdateEnabling();
}

void CScheduleDock::ShowWeek()
{
    const QDate d = m_at->date();
    const lumivo::Date monday = MondayOf({d.year(), d.month(), d.day()});
    m_week->Show(m_doc.Core().GetSchedule(), m_eval.get(), m_unprioritised.get(), monday);
    m_weekLabel->setText(lumivo::TrFormat("Schedule", "WeekOf", {QString::fromStdString(lumivo::FormatDate(monday))}));
}

std::time_t CScheduleDock::AtInstant() const
{
    const QDate d = m_at->date();
    const QTime t = m_at->time();
    if (m_eval)
        return m_eval->ToInstant({d.year(), d.month(), d.day()}, t.hour() * 60 + t.minute());
    return m_at->dateTime().toSecsSinceEpoch();
}

void CScheduleDock::SetShowAt(bool on) { m_commands->Action(lumivo::cmd::kScheduleShowAt)->setChecked(on); }

void CScheduleDock::ApplyShowAt(bool on)
{
    if (on) {
        PlayShownState();
        return;
    }
    if (!m_shown)
        return;
    m_shown.reset();
    m_state->clear();
    // The normal preview: the Ad list's Ad, or a dark board without one.
    m_frame.Preview()->Viewer()->setBoardImage(QImage());
    m_frame.View()->ReplayPreview();
}

void CScheduleDock::PlayShownState()
{
    if (!m_showAt->isChecked())
        return;
    const lumivo::CProjectCore& core = m_doc.Core();
    lumivo::ScheduleState state;
    if (m_eval) {
        state = m_eval->At(AtInstant());
    } else {
        state.pages = core.UsedPages();
    }
    m_shown = state;
    m_state->setText(lumivo::StateText(core.GetSchedule(), state));
    const std::vector<CLumivo> items = lumivo::StateItems(core, state);
    m_frame.ShowDocument(&m_doc);
    if (items.empty())
        m_frame.Preview()->Viewer()->setBoardImage(QImage());
    else
        m_frame.Play(items);
}

std::optional<size_t> CScheduleDock::CurrentEntry() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return std::nullopt;
    const int i = m_list->indexOfTopLevelItem(item);
    return i >= 0 ? std::optional<size_t>(size_t(i)) : std::nullopt;
}

void CScheduleDock::UpdateEnabling()
{
    const bool has = CurrentEntry().has_value();
    m_commands->Action(lumivo::cmd::kScheduleEdit)->setEnabled(has);
    m_commands->Action(lumivo::cmd::kScheduleDelete)->setEnabled(has);
}

void CScheduleDock::AddEntry() { OpenEntryDialog(std::nullopt); }

void CScheduleDock::EditEntry()
{
    if (const auto i = CurrentEntry())
        OpenEntryDialog(*i);
}

void CScheduleDock::DeleteEntry()
{
    const auto i = CurrentEntry();
    if (!i)
        return;
    lumivo::Schedule s = m_doc.Core().GetSchedule();
    const QString name = QString::fromStdString(s.entries[*i].name);
    s.entries.erase(s.entries.begin() + std::ptrdiff_t(*i));
    m_doc.SetSchedule(s, lumivo::TrFormat("Schedule", "UndoDelete", {name}));
}

void CScheduleDock::OpenEntryDialog(std::optional<size_t> index)
{
    show();
    const lumivo::Schedule& schedule = m_doc.Core().GetSchedule();
    lumivo::ScheduleEntry entry;
    if (index) {
        entry = schedule.entries[*index];
    } else {
        // A new entry: the Ad in view on weekdays' working hours.
        entry.name = lumivo::TrFormat("Schedule", "NewEntryName", {QString::number(schedule.entries.size() + 1)})
                         .toStdString();
        if (const auto page = m_frame.View()->FocusedPage())
            entry.pages = {*page};
        entry.start = 9 * 60;
        entry.end = 17 * 60;
        entry.days = lumivo::kWeekdays;
    }
    auto* dlg = new CScheduleEntryDlg(entry, m_doc.Core().PageCount(), &m_frame);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(dlg, &QDialog::finished, this, [this, dlg, index](int result) {
        const std::optional<lumivo::ScheduleEntry> e = result == QDialog::Accepted ? dlg->Entry() : std::nullopt;
        if (e) {
            lumivo::Schedule s = m_doc.Core().GetSchedule();
            const QString name = QString::fromStdString(e->name);
            size_t at = s.entries.size();
            if (index && *index < s.entries.size()) {
                s.entries[*index] = *e;
                at = *index;
                m_doc.SetSchedule(s, lumivo::TrFormat("Schedule", "UndoEdit", {name}));
            } else {
                s.entries.push_back(*e);
                m_doc.SetSchedule(s, lumivo::TrFormat("Schedule", "UndoAdd", {name}));
            }
            if (int(at) < m_list->topLevelItemCount())
                m_list->setCurrentItem(m_list->topLevelItem(int(at)));
        }
        m_list->setFocus();
    });
    dlg->open();
}
