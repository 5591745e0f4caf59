// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/module_state_dlg.h"

#include "ui/content_language.h"
#include "ui/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

using lumivo::Tr;

QTime ToQTime(const lumivo::TimeOfDay& t) { return QTime(t.hour % 24, t.minute % 60, t.second % 60); }
lumivo::TimeOfDay FromQTime(const QTime& t) { return {t.hour(), t.minute(), t.second()}; }

QTimeEdit* TimeField(const QString& format)
{
    auto* edit = new QTimeEdit;
    edit->setDisplayFormat(format);
    return edit;
}

QString Setup(const char* key) { return Tr("SetupDialog", key); }

// One date format in the dialog, as the controller's clock is set.
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

CModuleStateDlg::CModuleStateDlg(const lumivo::CModuleStateModel& model, Exchange read, Exchange write,
                                 QWidget* parent)
    : QDialog(parent), m_model(model), m_readExchange(std::move(read)), m_writeExchange(std::move(write)),
      m_version(new QLabel), m_manufacture(new QLabel), m_now(new QLabel),
      m_power(new QCheckBox(Setup("Power"))), m_powerOn(TimeField(QStringLiteral("HH:mm:ss"))),
      m_powerOff(TimeField(QStringLiteral("HH:mm:ss"))), m_dayTime(TimeField(QStringLiteral("HH:mm:ss"))),
      m_nightTime(TimeField(QStringLiteral("HH:mm:ss"))), m_day(new QSpinBox), m_night(new QSpinBox),
      m_language(new QComboBox), m_color(new QComboBox), m_beep(new QCheckBox(Setup("Beep"))),
      m_columns(new QSpinBox), m_rows(new QSpinBox), m_read(new QPushButton(Setup("Read"))),
      m_write(new QPushButton(Setup("Write"))), m_ok(new QPushButton(Tr("DialogCommon", "btnOk"))),
      m_cancel(new QPushButton(Tr("DialogCommon", "btnCancel"))), m_clock(new QTimer(this))
{
    setWindowTitle(Tr("SetupDialog", "Title"));
    setObjectName(QStringLiteral("ModuleStateDlg"));
    // Facts, not fields: selectable (and reached by Tab) so they can be copied.
    for (QLabel* fact : {m_version, m_manufacture, m_now})
        fact->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    for (QSpinBox* s : {m_day, m_night})
        s->setRange(lumivo::CModuleStateModel::kMinBrightness, lumivo::CModuleStateModel::kMaxBrightness);
    m_columns->setRange(lumivo::CModuleStateModel::kMinColumns, lumivo::CModuleStateModel::kMaxColumns);
    m_rows->setRange(lumivo::CModuleStateModel::kMinRows, lumivo::CModuleStateModel::kMaxRows);
    m_color->setEnabled(false);

    auto* versionBox = new QGroupBox(Setup("Version"));
    (new QVBoxLayout(versionBox))->addWidget(m_version);
    auto* makeBox = new QGroupBox(Setup("Manufacture"));
    (new QVBoxLayout(makeBox))->addWidget(m_manufacture);
    auto* clockBox = new QGroupBox(Setup("DateTime"));
    (new QVBoxLayout(clockBox))->addWidget(m_now);
    // Every field can be reached by its own mnemonic.
    auto labelled = [](const char* key, QWidget* field) {
        auto* label = new QLabel(Setup(key));
        label->setBuddy(field);
        return label;
    };
    auto* powerRow = new QHBoxLayout;
    powerRow->addWidget(m_power);
    powerRow->addWidget(labelled("PowerOnTime", m_powerOn));
    powerRow->addWidget(m_powerOn);
    powerRow->addWidget(labelled("PowerOffTime", m_powerOff));
    powerRow->addWidget(m_powerOff);
    auto* brightBox = new QGroupBox(Setup("Brightness"));
    auto* bright = new QGridLayout(brightBox);
    auto* dayLabel = new QLabel(Setup("Day"));
    auto* nightLabel = new QLabel(Setup("Night"));
    dayLabel->setBuddy(m_dayTime);
    nightLabel->setBuddy(m_nightTime);
    bright->addWidget(dayLabel, 0, 0);
    bright->addWidget(m_dayTime, 0, 1);
    bright->addWidget(labelled("DayBrightness", m_day), 0, 2);
    bright->addWidget(m_day, 0, 3);
    bright->addWidget(nightLabel, 1, 0);
    bright->addWidget(m_nightTime, 1, 1);
    bright->addWidget(labelled("NightBrightness", m_night), 1, 2);
    bright->addWidget(m_night, 1, 3);
    auto* systemBox = new QGroupBox(Setup("System"));
    auto* system = new QFormLayout(systemBox);
    system->addRow(Setup("Language"), m_language);
    system->addRow(Setup("Color"), m_color);
    system->addRow(QString(), m_beep);
    system->addRow(Setup("Column"), m_columns);
    system->addRow(Setup("Row"), m_rows);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_read, m_write})
        buttons->addWidget(b);
    buttons->addStretch();
    m_ok->setDefault(true);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* column = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(versionBox), static_cast<QWidget*>(makeBox),
                       static_cast<QWidget*>(clockBox)})
        column->addWidget(w);
    column->addLayout(powerRow);
    column->addWidget(brightBox);
    column->addWidget(systemBox);
    column->addLayout(buttons);

    // The fields above it only show what the controller reports.
    m_power->setFocus();
    Fill();
    RefreshClock();
    m_clock->start(1000);
    connect(m_clock, &QTimer::timeout, this, &CModuleStateDlg::RefreshClock);

    // Each control writes its own bytes; filling the dialog writes nothing.
    auto user = [this] { return !m_filling; };
    connect(m_power, &QCheckBox::toggled, this, [this, user](bool on) {
        m_powerOn->setEnabled(on);
        m_powerOff->setEnabled(on);
        if (user())
            m_model.SetPowerEnabled(on);
    });
    auto time = [this, user](QTimeEdit* edit, void (lumivo::CModuleStateModel::*set)(const lumivo::TimeOfDay&)) {
        connect(edit, &QTimeEdit::timeChanged, this, [this, user, set](const QTime& t) {
            if (user())
                (m_model.*set)(FromQTime(t));
        });
    };
    time(m_powerOn, &lumivo::CModuleStateModel::SetPowerOn);
    time(m_powerOff, &lumivo::CModuleStateModel::SetPowerOff);
    time(m_dayTime, &lumivo::CModuleStateModel::SetDayTime);
    time(m_nightTime, &lumivo::CModuleStateModel::SetNightTime);
    connect(m_day, &QSpinBox::valueChanged, this, [this, user](int v) {
        if (user())
            m_model.SpinDayBrightness(v);
    });
    connect(m_night, &QSpinBox::valueChanged, this, [this, user](int v) {
        if (user())
            m_model.SpinNightBrightness(v);
    });
    connect(m_language, &QComboBox::activated, this, [this](int index) { m_model.SelectLanguage(index); });
    connect(m_beep, &QCheckBox::toggled, this, [this, user](bool on) {
        if (user())
            m_model.SetBeep(on);
    });
    connect(m_columns, &QSpinBox::valueChanged, this, [this, user](int v) {
        if (user())
            m_model.SetColumns(v);
    });
    connect(m_rows, &QSpinBox::valueChanged, this, [this, user](int v) {
        if (user())
            m_model.SetRows(v);
    });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_read, &QPushButton::clicked, this, [this] { RunExchange(m_readExchange, true); });
    connect(m_write, &QPushButton::clicked, this, [this] { RunExchange(m_writeExchange, false); });
}

CModuleStateDlg::~CModuleStateDlg() = default;

void CModuleStateDlg::Fill()
{
    m_filling = true;
    m_version->setText(QString::fromStdU16String(m_model.VersionText()));
    const lumivo::CalendarDate made = m_model.Manufacture();
    m_manufacture->setText(QDate(made.year, made.month, made.day).toString(kDateFormat));
    m_power->setChecked(m_model.PowerEnabled());
    m_powerOn->setEnabled(m_model.PowerEnabled());
    m_powerOff->setEnabled(m_model.PowerEnabled());
    m_powerOn->setTime(ToQTime(m_model.PowerOn()));
    m_powerOff->setTime(ToQTime(m_model.PowerOff()));
    m_dayTime->setTime(ToQTime(m_model.DayTime()));
    m_nightTime->setTime(ToQTime(m_model.NightTime()));
    m_day->setValue(m_model.DayBrightness());
    m_night->setValue(m_model.NightBrightness());
    m_language->clear();
    for (const lumivo::LanguageChoice& c : m_model.LanguageChoices())
        m_language->addItem(lumivo::ControllerLanguageName(int(c.value)), int(c.value));
    m_language->setCurrentIndex(m_model.LanguageIndex());
    m_beep->setChecked(m_model.Beep());
    m_columns->setValue(m_model.Columns());
    m_rows->setValue(m_model.Rows());
    m_filling = false;
}

void CModuleStateDlg::RefreshClock()
{
    m_now->setText(QDateTime::currentDateTime().toString(kDateFormat + QStringLiteral(" HH:mm:ss")));
}

void CModuleStateDlg::SetBusy(bool busy)
{
    m_busy = busy;
    for (QPushButton* b : {m_read, m_write, m_ok, m_cancel})
        b->setEnabled(!busy);
}

void CModuleStateDlg::RunExchange(const Exchange& exchange, bool takeResult)
{
    if (m_busy || !exchange)
        return;
    SetBusy(true);
    auto copy = std::make_shared<lumivo::CModuleStateModel>(m_model);
    auto ok = std::make_shared<bool>(false);
    // The exchange may ask Retry or Cancel on this thread meanwhile: the
    // dialog keeps handling events while it waits.
    QThread* worker = QThread::create([exchange, copy, ok] { *ok = exchange(*copy); });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    if (*ok && takeResult) {
        m_model = *copy;
        Fill();
    }
    SetBusy(false);
}

void CModuleStateDlg::done(int result)
{
    // Closing while an exchange runs would leave it without its dialog.
    if (m_busy)
        return;
    QDialog::done(result);
}
