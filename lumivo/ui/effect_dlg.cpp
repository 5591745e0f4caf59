// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/effect_dlg.h"

#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"

#include "core/item_text.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDemoZoom = 300;

bool IsTwistStart(int phase, unsigned code) { return phase == 0 && code >= 95 && code <= 99; }

} // namespace

CEffectDlg::CEffectDlg(const CLumivo& item, int phase, CContent* content, QWidget* parent)
    : QDialog(parent), m_item(item), m_phase(std::clamp(phase, 0, 2))
{
    using lumivo::Tr;
    setObjectName(QStringLiteral("EffectDialog"));
    const char* titles[] = {"AdCellEffectS", "AdCellEffectW", "AdCellEffectE"};
    setWindowTitle(Tr("AdCell", titles[m_phase]));

    const lumivo::EffectChoice start = lumivo::ChoiceFromItem(item, m_phase);
    m_userLoop = start.loop;

    m_family = new QListWidget(this);
    for (unsigned row = 0; row < lumivo::EffectRowCount(m_phase); ++row)
        m_family->addItem(lumivo::FromU16(
            lumivo::LangText("Effect", lumivo::EffectFamilyName(lumivo::EffectRowFamily(m_phase, row)))));
    m_family->setCurrentRow(int(start.row));
    auto* familyLabel = new QLabel(Tr("EffectDialog", "Type"), this);
    familyLabel->setBuddy(m_family);

    m_index = new QSpinBox(this);
    m_delay = new QSpinBox(this);
    m_delay->setRange(lumivo::kMinEffectDelay, lumivo::kMaxEffectDelay);
    m_delay->setValue(start.delay);
    m_repeat = new QSpinBox(this);
    m_repeat->setRange(1, 255);
    m_repeat->setValue(start.repeat);
    m_loop = new QCheckBox(Tr("EffectDialog", "Flow"), this);
    m_loop->setChecked(start.loop);

    auto* setting = new QGroupBox(Tr("EffectDialog", "Setting"), this);
    auto* form = new QFormLayout(setting);
    form->addRow(Tr("EffectDialog", "Index"), m_index);
    form->addRow(Tr("EffectDialog", "Delay"), m_delay);
    form->addRow(Tr("EffectDialog", "Repeat"), m_repeat);
    form->addRow(m_loop);

    m_demo = new CLumivoViewer(this);
    m_demo->setFocusPolicy(Qt::NoFocus);
    m_demo->SetContent(content);
    m_demo->SetSingleEffect(true, m_phase);
    m_demo->SetModuleSize(kDemoColumns, kDemoRows);
    m_demo->SetZoom(kDemoZoom);
    m_demo->setMinimumSize(int(kDemoColumns * 16 * kDemoZoom / 100) + 16, int(kDemoRows * 16 * kDemoZoom / 100) + 16);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr("DialogCommon", "btnOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr("DialogCommon", "btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* choose = new QVBoxLayout;
    choose->addWidget(familyLabel);
    choose->addWidget(m_family);
    auto* top = new QHBoxLayout;
    top->addLayout(choose);
    top->addWidget(setting);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_demo, 1);
    layout->addWidget(buttons);

    // The index range follows the family; set it before the first value.
    m_index->setRange(1, int(lumivo::EffectIndexCount(m_phase, start.row)));
    m_index->setValue(int(start.index) + 1);
    connect(m_family, &QListWidget::currentRowChanged, this, [this] {
        const unsigned row = unsigned(std::max(m_family->currentRow(), 0));
        m_index->blockSignals(true);
        m_index->setRange(1, int(lumivo::EffectIndexCount(m_phase, row)));
        m_index->setValue(1);
        m_index->blockSignals(false);
        OnChoiceChanged();
    });
    connect(m_index, &QSpinBox::valueChanged, this, &CEffectDlg::OnChoiceChanged);
    connect(m_delay, &QSpinBox::valueChanged, this, &CEffectDlg::OnChoiceChanged);
    connect(m_repeat, &QSpinBox::valueChanged, this, &CEffectDlg::OnChoiceChanged);
    connect(m_loop, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loop->isEnabled())
            m_userLoop = on;
        OnChoiceChanged();
    });
    m_family->setFocus();
    OnChoiceChanged();
}

CEffectDlg::~CEffectDlg() = default;

lumivo::EffectChoice CEffectDlg::Choice() const
{
    lumivo::EffectChoice c;
    c.phase = m_phase;
    c.row = unsigned(std::max(m_family->currentRow(), 0));
    c.index = unsigned(m_index->value() - 1);
    c.delay = m_delay->value();
    c.repeat = m_repeat->value();
    c.loop = m_loop->isChecked();
    return c;
}

CLumivo CEffectDlg::ResultItem() const
{
    return lumivo::ApplyEffectResult(m_item, m_phase, lumivo::DialogResult(Choice()));
}

CLumivo CEffectDlg::DemoItem() const
{
    // One line, so the item fits the demonstration board.
    CLumivo demo = ResultItem();
    lumivo::SetItemLines(demo, kDemoRows);
    return demo;
}

void CEffectDlg::OnChoiceChanged()
{
    const lumivo::EffectChoice c = Choice();
    m_index->setEnabled(c.row != 0);
    // A Twist start always flows and repeats its text: the box shows it.
    const bool twist = IsTwistStart(m_phase, lumivo::DialogResult(c).effect.code);
    m_repeat->setEnabled(twist);
    m_loop->blockSignals(true);
    m_loop->setEnabled(!twist);
    m_loop->setChecked(twist || m_userLoop);
    m_loop->blockSignals(false);
    m_demo->Play({DemoItem()});
}

void CEffectDlg::done(int result)
{
    m_demo->Stop();
    QDialog::done(result);
}
