// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/fleet_dock.h"

#include "ui/command_group.h"
#include "ui/fleet_broker.h"
#include "ui/fleet_jobs.h"
#include "ui/fleet_publish_dlg.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include "fleet_rows.h"
#include "lumivo_doc.h"

#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <ctime>

using lumivo::Tr;
using lumivo::TrFormat;

namespace {

enum Column { kSign, kOnline, kBoard, kDesired, kApplied, kVerified, kAge, kDrift, kError, kColumns };

QString YesNo(bool b) { return Tr("Fleet", b ? "Yes" : "No"); }

QString Text(const nlohmann::json& v)
{
    return v.is_string() ? QString::fromStdString(v.get<std::string>()) : v.is_number() ? QString::fromStdString(v.dump()) : QString();
}

QString DesiredText(const nlohmann::json& d)
{
    if (!d.is_object())
        return QStringLiteral("-");
    QStringList parts;
    if (auto g = d.find("group"); g != d.end() && !g->is_null())
        parts << TrFormat("Fleet", "DesiredGroup", {Text(*g)});
    if (auto s = d.find("sign"); s != d.end() && !s->is_null())
        parts << TrFormat("Fleet", "DesiredSign", {Text(*s)});
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QStringLiteral(", "));
}

QString AgeText(double age)
{
    if (age < 0)
        return QStringLiteral("-");
    const long s = long(age);
    return s < 120 ? TrFormat("Fleet", "AgeSeconds", {QString::number(s)})
                   : TrFormat("Fleet", "AgeMinutes", {QString::number(s / 60)});
}

} // namespace

CFleetDock::CFleetDock(CLumivoDoc& doc, QMainWindow& frame)
    : QDockWidget(&frame), m_doc(doc), m_frame(frame), m_commands(new CCommandGroup(this)), m_rows(new QTreeWidget),
      m_status(new QLabel), m_ages(new QTimer(this))
{
    setObjectName(QStringLiteral("FleetDock"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    using namespace lumivo::cmd;
    auto* publish = m_commands->MakeAction(kFilePublishSigns, "Fleet", "PublishCommand");
    publish->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    auto* view = m_commands->MakeAction(kViewFleet, "Fleet", "ViewFleet", true, true);
    view->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(publish, &QAction::triggered, this, &CFleetDock::OpenPublish);
    connect(view, &QAction::toggled, this, [this](bool on) {
        setVisible(on);
        if (on) {
            raise();
            m_rows->setFocus();
        }
    });
    // Watched while shown only: a hidden view keeps no connection.
    connect(this, &QDockWidget::visibilityChanged, this, [this, view](bool) {
        view->setChecked(!isHidden());
        if (isHidden()) {
            m_watch.reset();
            m_ages->stop();
        } else if (!m_watch) {
            Reconnect();
        }
    });
    m_ages->setInterval(1000);
    connect(m_ages, &QTimer::timeout, this, &CFleetDock::Refresh);

    m_rows->setObjectName(QStringLiteral("FleetRows"));
    m_rows->setRootIsDecorated(false);
    m_rows->setSortingEnabled(true);
    m_rows->sortByColumn(kSign, Qt::AscendingOrder);
    m_rows->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_status->setWordWrap(true);
    auto* body = new QWidget;
    auto* v = new QVBoxLayout(body);
    v->setContentsMargins(4, 4, 4, 4);
    v->addWidget(m_rows, 1);
    v->addWidget(m_status);
    setWidget(body);
}

CFleetDock::~CFleetDock() = default;

void CFleetDock::Install(QMenu* menu, QAction* before)
{
    m_frame.addDockWidget(Qt::RightDockWidgetArea, this);
    hide();
    using namespace lumivo::cmd;
    for (int c : {kFilePublishSigns, kViewFleet}) {
        menu->insertAction(before, m_commands->Action(c));
        m_frame.addAction(m_commands->Action(c));
    }
    Relabel();
}

void CFleetDock::Relabel()
{
    m_commands->Relabel();
    setWindowTitle(Tr("Fleet", "Title"));
    m_rows->setHeaderLabels({Tr("Fleet", "ColSign"), Tr("Fleet", "ColOnline"), Tr("Fleet", "ColBoard"),
                             Tr("Fleet", "ColDesired"), Tr("Fleet", "ColApplied"), Tr("Fleet", "ColVerified"),
                             Tr("Fleet", "ColAge"), Tr("Fleet", "ColDrift"), Tr("Fleet", "ColError")});
    Refresh();
}

QString CFleetDock::StatusText() const { return m_status->text(); }

void CFleetDock::Reconnect()
{
    m_watch.reset();
    if (isHidden())
        return;
    m_watch = std::make_unique<CFleetWatch>(FleetBroker::Load().Options(), nullptr);
    connect(m_watch.get(), &CFleetWatch::changed, this, &CFleetDock::Refresh);
    m_ages->start();
    Refresh();
}

void CFleetDock::OpenPublish()
{
    // The schedule goes with the Ads it names.
    auto* dlg = new CFleetPublishDlg(m_doc.Core().Serialize(), fleet::ProjectSchedule(m_doc.Core()), &m_frame);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    // The broker may have been changed in the dialog.
    connect(dlg, &QDialog::finished, this, [this] {
        if (m_watch)
            Reconnect();
    });
    dlg->open();
}

void CFleetDock::Refresh()
{
    if (!m_watch) {
        m_rows->clear();
        m_status->clear();
        return;
    }
    std::string detail;
    const fleet::ConnectError e = m_watch->Status(detail);
    const fleet::Signs signs = m_watch->Signs();
    m_status->setText(e == fleet::ConnectError::kNone
                          ? TrFormat("Fleet", "SignCount", {QString::number(signs.size()), m_watch->Describe()})
                          : FleetConnectText(e, detail, m_watch->Describe()));
    // Rows are kept by sign, so that the selection stays where it was.
    QMap<QString, QTreeWidgetItem*> old;
    for (int i = 0; i < m_rows->topLevelItemCount(); ++i)
        old.insert(m_rows->topLevelItem(i)->text(kSign), m_rows->topLevelItem(i));
    const std::time_t now = std::time(nullptr);
    m_rows->setSortingEnabled(false);
    for (const auto& [name, sign] : signs) {
        const fleet::Row r = fleet::RowOf(name, sign, now);
        const QString key = QString::fromStdString(name);
        QTreeWidgetItem* item = old.take(key);
        if (!item)
            item = new QTreeWidgetItem(m_rows, {key});
        const QString applied = Text(r.applied);
        item->setText(kOnline, YesNo(r.online));
        item->setText(kBoard, r.reported ? YesNo(r.boardAnswering) : QStringLiteral("-"));
        item->setText(kDesired, DesiredText(r.desired));
        item->setText(kApplied, applied.isEmpty() ? QStringLiteral("-") : applied.mid(applied.indexOf(':') + 1, 12));
        item->setToolTip(kApplied, applied);
        item->setText(kVerified, r.reported ? YesNo(r.verified) : QStringLiteral("-"));
        item->setText(kAge, AgeText(r.age));
        item->setText(kDrift, r.reported ? YesNo(r.drift) : QStringLiteral("-"));
        item->setText(kError, Text(r.refused));
        item->setToolTip(kError, Text(r.refused));
    }
    qDeleteAll(old);
    m_rows->setSortingEnabled(true);
}
