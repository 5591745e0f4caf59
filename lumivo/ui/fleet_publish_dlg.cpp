// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/fleet_publish_dlg.h"

#include "ui/fleet_jobs.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include "mqtt_client.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using lumivo::Tr;
using lumivo::TrFormat;

namespace {

// A file field with a button that browses for it.
QWidget* WithBrowse(QLineEdit* edit, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(edit, 1);
    auto* browse = new QToolButton(row);
    browse->setText(QStringLiteral("…"));
    browse->setToolTip(Tr("Fleet", "Browse"));
    QObject::connect(browse, &QToolButton::clicked, edit, [edit] {
        const QString f = QFileDialog::getOpenFileName(edit->window(), QString(), edit->text());
        if (!f.isEmpty())
            edit->setText(f);
    });
    h->addWidget(browse);
    return row;
}

QString Short(const QString& hash) { return hash.mid(hash.indexOf(':') + 1, 12); }

} // namespace

CFleetPublishDlg::CFleetPublishDlg(std::vector<uint8_t> project, nlohmann::json schedule, QWidget* parent)
    : QDialog(parent), m_project(std::move(project)), m_schedule(std::move(schedule)), m_host(new QLineEdit), m_port(new QSpinBox),
      m_user(new QLineEdit), m_password(new QLineEdit), m_ca(new QLineEdit), m_prefix(new QLineEdit),
      m_group(new QLineEdit), m_signs(new QLineEdit), m_canary(new QSpinBox), m_rows(new QTreeWidget),
      m_status(new QLabel), m_buttons(new QDialogButtonBox(QDialogButtonBox::Cancel))
{
    setObjectName(QStringLiteral("FleetPublishDlg"));
    setWindowTitle(Tr("Fleet", "PublishTitle"));
    const FleetBroker b = FleetBroker::Load();
    m_host->setText(b.host);
    m_port->setRange(0, 65535);
    m_port->setSpecialValueText(Tr("Fleet", "PortDefault"));
    m_port->setValue(b.port);
    m_user->setText(b.user);
    m_password->setText(b.passwordFile);
    m_ca->setText(b.caFile);
    m_prefix->setText(b.prefix);
    m_canary->setRange(0, 100000);
    m_canary->setSpecialValueText(Tr("Fleet", "CanaryNone"));
    m_group->setObjectName(QStringLiteral("FleetGroup"));
    m_signs->setObjectName(QStringLiteral("FleetSigns"));
    m_signs->setPlaceholderText(Tr("Fleet", "SignsHint"));

    auto* form = new QFormLayout;
    auto add = [&](const char* key, QWidget* field, QWidget* buddy) {
        auto* label = new QLabel(Tr("Fleet", key));
        label->setBuddy(buddy);
        form->addRow(label, field);
    };
    add("Host", m_host, m_host);
    add("Port", m_port, m_port);
    add("User", m_user, m_user);
    add("PasswordFile", WithBrowse(m_password, this), m_password);
    add("CaFile", WithBrowse(m_ca, this), m_ca);
    add("TopicPrefix", m_prefix, m_prefix);
    add("Group", m_group, m_group);
    add("Signs", m_signs, m_signs);
    add("Canary", m_canary, m_canary);

    m_rows->setObjectName(QStringLiteral("FleetPublishRows"));
    m_rows->setRootIsDecorated(false);
    m_rows->setHeaderLabels({Tr("Fleet", "ColSign"), Tr("Fleet", "ColProgress")});
    m_rows->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_publish = m_buttons->addButton(Tr("Fleet", "Publish"), QDialogButtonBox::ActionRole);
    m_publish->setDefault(true);
    connect(m_publish, &QPushButton::clicked, this, &CFleetPublishDlg::StartPublish);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CFleetPublishDlg::reject);

    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(m_rows, 1);
    v->addWidget(m_status);
    v->addWidget(m_buttons);
    resize(520, 480);
}

CFleetPublishDlg::~CFleetPublishDlg() { delete m_job; }

QString CFleetPublishDlg::StatusText() const { return m_status->text(); }

QString CFleetPublishDlg::SignText(const QString& sign) const
{
    const auto found = m_rows->findItems(sign, Qt::MatchExactly, 0);
    return found.isEmpty() ? QString() : found.front()->text(1);
}

void CFleetPublishDlg::reject()
{
    // Cancel while publishing stops following; the dialog stays to say so.
    if (m_job) {
        m_job->Cancel();
        SetStatus(Tr("Fleet", "Cancelling"));
        return;
    }
    QDialog::reject();
}

void CFleetPublishDlg::SetStatus(const QString& text) { m_status->setText(text); }

QTreeWidgetItem* CFleetPublishDlg::Row(const QString& sign)
{
    const auto found = m_rows->findItems(sign, Qt::MatchExactly, 0);
    if (!found.isEmpty())
        return found.front();
    auto* item = new QTreeWidgetItem(m_rows, {sign, Tr("Fleet", "Waiting")});
    m_rows->sortItems(0, Qt::AscendingOrder);
    return item;
}

void CFleetPublishDlg::StartPublish()
{
    if (m_job)
        return;
    fleet::PublishRequest req;
    req.project = m_project;
    req.schedule = m_schedule;
    if (m_schedule.dump().size() > fleet::kMaxScheduleBytes)
        return SetStatus(TrFormat("Fleet", "ErrSchedule", {QString::number(fleet::kMaxScheduleBytes)}));
    const QString group = m_group->text().trimmed();
    const QStringList signs = m_signs->text().split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
    if (group.isEmpty() == signs.isEmpty())
        return SetStatus(Tr("Fleet", "ErrTarget"));
    if (!group.isEmpty() && !agent::IsTopicLevel(group.toStdString()))
        return SetStatus(TrFormat("Fleet", "ErrGroup", {group}));
    for (const QString& s : signs) {
        if (!fleet::IsSignName(s.toStdString()))
            return SetStatus(TrFormat("Fleet", "ErrSign", {s}));
        req.signs.push_back(s.toStdString());
    }
    if (m_canary->value() && group.isEmpty())
        return SetStatus(Tr("Fleet", "ErrCanary"));
    req.group = group.toStdString();
    req.canary = size_t(m_canary->value());
    FleetBroker b;
    b.host = m_host->text().trimmed();
    b.port = m_port->value();
    b.user = m_user->text().trimmed();
    b.passwordFile = m_password->text().trimmed();
    b.caFile = m_ca->text().trimmed();
    b.prefix = m_prefix->text().trimmed();
    if (!agent::IsTopicLevel(b.Options().prefix))
        return SetStatus(TrFormat("Fleet", "ErrGroup", {b.prefix}));
    b.Save();

    m_target = group.isEmpty() ? signs.join(QStringLiteral(", ")) : group;
    m_rows->clear();
    for (const QString& s : signs)
        Row(s);
    m_job = new CFleetPublishJob(b.Options(), std::move(req), nullptr);
    connect(m_job, &CFleetPublishJob::progress, this, &CFleetPublishDlg::OnProgress);
    connect(m_job, &CFleetPublishJob::finished, this, &CFleetPublishDlg::OnFinished);
    connect(m_job, &CFleetPublishJob::connectFailed, this,
            [this](int, const QString& text) { OnConnectFailed(text); });
    for (QWidget* w : std::initializer_list<QWidget*>{m_host, m_port, m_user, m_password, m_ca, m_prefix, m_group,
                                                      m_signs, m_canary, m_publish})
        w->setEnabled(false);
    SetStatus(TrFormat("Fleet", "Connecting", {b.host}));
    m_rows->setFocus();
    m_job->Start();
}

void CFleetPublishDlg::OnProgress(int kind, const QString& sign, const QString& detail)
{
    using E = fleet::PublishEvent;
    switch (kind) {
    case E::kWaiting: Row(sign); break;
    case E::kCanary: SetStatus(TrFormat("Fleet", "CanaryStage", {detail})); break;
    case E::kPublished: SetStatus(TrFormat("Fleet", "Following", {m_target})); break;
    case E::kApplied: Row(sign)->setText(1, TrFormat("Fleet", "Applied", {Short(detail)})); break;
    case E::kVerified: Row(sign)->setText(1, Tr("Fleet", "Verified")); break;
    case E::kRefused: Row(sign)->setText(1, TrFormat("Fleet", "Refused", {detail})); break;
    case E::kNotVerified: Row(sign)->setText(1, TrFormat("Fleet", "NotVerified", {detail})); break;
    }
}

void CFleetPublishDlg::OnFinished(int result, quint64 revision, int signs, const QString& detail)
{
    using R = fleet::PublishResult;
    const QString rev = QString::number(revision);
    switch (result) {
    case R::kAllVerified:
        SetStatus(signs ? TrFormat("Fleet", "AllVerified", {QString::number(signs), rev})
                        : TrFormat("Fleet", "NoSigns", {m_target, rev}));
        break;
    case R::kNotAllVerified: {
        int verified = 0;
        for (int i = 0; i < m_rows->topLevelItemCount(); ++i)
            verified += m_rows->topLevelItem(i)->text(1) == Tr("Fleet", "Verified");
        SetStatus(TrFormat("Fleet", "SomeNotVerified", {QString::number(signs - verified), QString::number(signs)}));
        break;
    }
    case R::kCanaryFailed: SetStatus(Tr("Fleet", "CanaryFailed")); break;
    case R::kCancelled: SetStatus(Tr("Fleet", "Cancelled")); break;
    case R::kPublishFailed: SetStatus(TrFormat("Fleet", "PublishFailed", {detail})); break;
    }
    EndJob();
}

void CFleetPublishDlg::OnConnectFailed(const QString& text)
{
    SetStatus(text);
    EndJob();
}

void CFleetPublishDlg::EndJob()
{
    m_job->deleteLater();
    m_job = nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{m_host, m_port, m_user, m_password, m_ca, m_prefix, m_group,
                                                      m_signs, m_canary, m_publish})
        w->setEnabled(true);
    m_buttons->button(QDialogButtonBox::Cancel)->setText(Tr("Fleet", "Close"));
    m_buttons->button(QDialogButtonBox::Cancel)->setFocus();
}
