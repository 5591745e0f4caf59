// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/schedule_entry_dlg.h"

#include "ui/lumivo_view.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>

using lumivo::Tr;

namespace {

QDate ToQDate(const lumivo::Date& d) { return QDate(d.year, d.month, d.day); }
lumivo::Date FromQDate(const QDate& d) { return {d.year(), d.month(), d.day()}; }
QTime ToQTime(int minute) { return QTime(minute / 60 % 24, minute % 60); }

QDateEdit* DateField(const std::optional<lumivo::Date>& date)
{
    auto* edit = new QDateEdit;
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setDateRange(QDate(lumivo::kFirstScheduleYear, 1, 1), QDate(lumivo::kLastScheduleYear, 12, 31));
    edit->setDate(date ? ToQDate(*date) : QDate::currentDate());
    edit->setEnabled(bool(date));
    return edit;
}

} // namespace

CScheduleEntryDlg::CScheduleEntryDlg(const lumivo::ScheduleEntry& entry, unsigned pageCount, QWidget* parent)
    : QDialog(parent), m_entry(entry), m_name(new QLineEdit(QString::fromStdString(entry.name))),
      m_ads(new QListWidget), m_start(new QTimeEdit(ToQTime(entry.start))), m_end(new QTimeEdit(ToQTime(entry.end))),
      m_hasFirst(new QCheckBox(Tr("Schedule", "EntryFirst"))), m_first(DateField(entry.first)),
      m_hasLast(new QCheckBox(Tr("Schedule", "EntryLast"))), m_last(DateField(entry.last)), m_except(new QLineEdit),
      m_priority(new QSpinBox), m_problem(new QLabel)
{
    setObjectName(QStringLiteral("ScheduleEntryDlg"));
    setWindowTitle(Tr("Schedule", "EntryTitle"));
    m_name->setObjectName(QStringLiteral("EntryName"));
    m_ads->setObjectName(QStringLiteral("EntryAds"));
    for (unsigned p = 0; p < pageCount; ++p) {
        auto* item = new QListWidgetItem(CLumivoView::PageText(p), m_ads);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool named = std::find(entry.pages.begin(), entry.pages.end(), p) != entry.pages.end();
        item->setCheckState(named ? Qt::Checked : Qt::Unchecked);
    }
    if (m_ads->count() > 0)
        m_ads->setCurrentRow(0);
    if (m_ads->count() > 0)
        m_ads->setMaximumHeight(m_ads->sizeHintForRow(0) * 5 + 2 * m_ads->frameWidth() + 4);
    for (QTimeEdit* t : {m_start, m_end})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    m_start->setObjectName(QStringLiteral("EntryStart"));
    m_end->setObjectName(QStringLiteral("EntryEnd"));

    // Monday first, as the week grid shows the week.
    auto* days = new QHBoxLayout;
    static const char* const dayKeys[7] = {"Day0", "Day1", "Day2", "Day3", "Day4", "Day5", "Day6"};
    for (int i = 0; i < 7; ++i) {
        const int d = (i + 1) % 7;
        m_days[d] = new QCheckBox(Tr("Schedule", dayKeys[d]), this); // owned, shown or not
        m_days[d]->setChecked(entry.days & (1u << d));
        days->addWidget(m_days[d]);
    }
    days->addStretch();
    m_hasFirst->setChecked(bool(entry.first));
    m_hasLast->setChecked(bool(entry.last));
    connect(m_hasFirst, &QCheckBox::toggled, m_first, &QWidget::setEnabled);
    connect(m_hasLast, &QCheckBox::toggled, m_last, &QWidget::setEnabled);
    QStringList except;
    for (const lumivo::Date& d : entry.except)
        except.append(QString::fromStdString(lumivo::FormatDate(d)));
    m_except->setText(except.join(QStringLiteral(", ")));
    m_except->setPlaceholderText(Tr("Schedule", "EntryExceptHint"));
    m_priority->setRange(1, 9);
    m_priority->setValue(entry.priority);
    m_priority->setSuffix(QStringLiteral("  ") + Tr("Schedule", "EntryPriorityHint"));
    m_problem->setObjectName(QStringLiteral("EntryProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00020"));

    auto* form = new QFormLayout;
    auto keyRow = [form](const char* key, QWidget* field) {
        auto* label = new QLabel(Tr("Schedule", key));
        label->setBuddy(field);
        form->addRow(label, field);
    };
    auto keyLayoutRow = [form](const char* key, QLayout* fields, QWidget* buddy) {
        auto* label = new QLabel(Tr("Schedule", key));
        label->setBuddy(buddy);
        form->addRow(label, fields);
    };
    keyRow("EntryName", m_name);
    keyRow("EntryAds", m_ads);
    keyRow("EntryStart", m_start);
    keyRow("EntryEnd", m_end);
    if (entry.rule.empty()) {
        keyLayoutRow("EntryDays", days, m_days[1]);
    } else {
        // A calendar's rule the days cannot say: shown, kept as it is.
        for (QCheckBox* c : m_days)
            c->hide();
        delete days;
        auto* rule = new QLineEdit(QString::fromStdString(entry.rule));
        rule->setReadOnly(true);
        keyRow("EntryRule", rule);
    }
    auto* first = new QHBoxLayout;
    first->addWidget(m_hasFirst);
    first->addWidget(m_first, 1);
    auto* last = new QHBoxLayout;
    last->addWidget(m_hasLast);
    last->addWidget(m_last, 1);
    form->addRow(QString(), first);
    form->addRow(QString(), last);
    keyRow("EntryExcept", m_except);
    keyRow("EntryPriority", m_priority);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr("DialogCommon", "btnOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr("DialogCommon", "btnCancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(m_problem);
    column->addWidget(buttons);
    m_problem->hide();
    m_name->setFocus();
    m_name->selectAll();
}

QString CScheduleEntryDlg::Problem() const { return m_problem->isVisible() ? m_problem->text() : QString(); }

std::optional<lumivo::ScheduleEntry> CScheduleEntryDlg::Entry()
{
    lumivo::ScheduleEntry e = m_entry;
    QStringList problems;
    e.name = m_name->text().trimmed().toStdString();
    if (e.name.empty())
        problems.append(Tr("Schedule", "NeedName"));
    e.pages.clear();
    for (int i = 0; i < m_ads->count(); ++i)
        if (m_ads->item(i)->checkState() == Qt::Checked)
            e.pages.push_back(unsigned(i));
    // Only Ads that exist can be chosen; an entry must name one.
    if (e.pages.empty())
        problems.append(Tr("Schedule", "NeedAds"));
    e.start = m_start->time().hour() * 60 + m_start->time().minute();
    e.end = m_end->time().hour() * 60 + m_end->time().minute();
    if (e.end == 0)
        e.end = 1440; // an end of 00:00 is the midnight that ends the day (00:00–00:00 is all day)
    if (e.end == e.start)
        problems.append(Tr("Schedule", "NeedWindow"));
    if (e.rule.empty()) {
        e.days = 0;
        for (int d = 0; d < 7; ++d)
            if (m_days[d]->isChecked())
                e.days |= uint8_t(1u << d);
        if (e.days == 0)
            problems.append(Tr("Schedule", "NeedDays"));
    }
    e.first = m_hasFirst->isChecked() ? std::optional(FromQDate(m_first->date())) : std::nullopt;
    e.last = m_hasLast->isChecked() ? std::optional(FromQDate(m_last->date())) : std::nullopt;
    if (e.first && e.last && *e.last < *e.first)
        problems.append(Tr("Schedule", "LastBeforeFirst"));
    e.except.clear();
    for (const QString& part : m_except->text().split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts)) {
        const std::optional<lumivo::Date> d = lumivo::ParseDate(part.toStdString());
        if (!d || d->year < lumivo::kFirstScheduleYear || d->year > lumivo::kLastScheduleYear)
            problems.append(lumivo::TrFormat("Schedule", "BadDate", {part}));
        else if (std::find(e.except.begin(), e.except.end(), *d) == e.except.end())
            e.except.push_back(*d);
    }
    std::sort(e.except.begin(), e.except.end());
    e.priority = m_priority->value();
    // Whatever else the model refuses (an imported rule libical cannot read).
    if (problems.isEmpty())
        if (const lumivo::Result r = lumivo::CheckEntry(e); !r)
            problems.append(QString::fromStdString(r.FirstError()));
    m_problem->setText(problems.join(QLatin1Char('\n')));
    m_problem->setVisible(!problems.isEmpty());
    if (!problems.isEmpty())
        return std::nullopt;
    return e;
}

void CScheduleEntryDlg::accept()
{
    if (Entry())
        QDialog::accept();
}
