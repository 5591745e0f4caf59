// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/effect_dlg.h"

#include "ui/editor/choice_lists.h"
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
#include <cstring>
#include <string>

namespace {

constexpr int kDemoZoom = 300;

bool IsTwistStart(int phase, unsigned code) { return phase == 0 && code >= 95 && code <= 99; }

// Seconds between two steps at a Delay value, stored as the speed 3 x (d - 1) + 7.
QString StepSeconds(int delay) { return lumivo::SecondsPerStep(unsigned(3 * (delay - 1) + 7)); }

// What number `index` (0-based) of a family row does: its direction or variant.
std::u16string VariantText(int phase, unsigned row, unsigned index)
{
    const std::string family = lumivo::EffectFamilyName(lumivo::EffectRowFamily(phase, row));
    const long long n = static_cast<long long>(index) + 1;
    const auto tip = [](const std::string& key) { return lumivo::LangText("EditorTips", key); };
    if (phase != 1) { // the start and end tables share their families' numbers
        if (family == "Animation")
            return lumivo::FormatText(tip("TipAnimation"), {n});
        const struct {
            const char* family;
            const char* key;
            unsigned count;
        } named[] = {{"Appear", "Appear", 8}, {"Flow", "Flow", 10}, {"Wave", "Wave", 7},
                     {"Zoom", "Zoom", 12},    {"Invert", "Invert", 7}, {"3DEffect", phase == 0 ? "3DEffectS" : "3DEffectE", phase == 0 ? 5u : 2u}};
        for (const auto& f : named)
            if (family == f.family && index < f.count)
                return tip(f.key + std::to_string(n));
    }
    return lumivo::FormatText(tip("TipVariant"), {n});
}

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
    m_flowNote = new QLabel(lumivo::Tip("FlowNote", {}), this);
    m_flowNote->setWordWrap(true);
    m_flowNote->setObjectName(QStringLiteral("FlowNote"));
    m_loop->setToolTip(m_flowNote->text());
    m_family->setToolTip(lumivo::Tip("TipFamily", {}));
    m_repeat->setToolTip(lumivo::Tip("TipRepeat", {}));

    auto* setting = new QGroupBox(Tr("EffectDialog", "Setting"), this);
    auto* form = new QFormLayout(setting);
    form->addRow(Tr("EffectDialog", "Index"), m_index);
    form->addRow(Tr("EffectDialog", "Delay"), m_delay);
    form->addRow(Tr("EffectDialog", "Repeat"), m_repeat);
    form->addRow(m_loop);
    form->addRow(m_flowNote);

    m_demo = new CLumivoViewer(this);
    m_demo->setFocusPolicy(Qt::NoFocus);
    m_demo->SetContent(content);
    m_demo->SetSingleEffect(true, m_phase);
    // As high as the item, so a tall text shows whole; smaller as it grows.
    const unsigned rows = DemoRows();
    const int zoom = rows > 1 ? kDemoZoom * 2 / 3 : kDemoZoom;
    m_demo->SetModuleSize(kDemoColumns, rows);
    m_demo->SetZoom(zoom);
    m_demo->setMinimumSize(int(kDemoColumns * 16 * zoom / 100) + 16, int(rows * 16 * zoom / 100) + 16);

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
    m_untouched = ResultItem();
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
    // The controls hold the item's values only as closely as they can show
    // them (delays and counts within their ranges): unchanged, the item
    // itself is the result, so that OK on it changes nothing.
    CLumivo result = lumivo::ApplyEffectResult(m_item, m_phase, lumivo::DialogResult(Choice()));
    if (m_untouched) {
        uint8_t a[qvr::kItemBytes], b[qvr::kItemBytes];
        qvr::StoreItem(result, a);
        qvr::StoreItem(*m_untouched, b);
        if (std::memcmp(a, b, sizeof a) == 0)
            return m_item;
    }
    return result;
}

unsigned CEffectDlg::DemoRows() const
{
    return std::clamp(lumivo::ItemLines(m_item), kDemoRows, kMaxDemoRows);
}

CLumivo CEffectDlg::DemoItem() const
{
    // No higher than the demonstration board.
    CLumivo demo = ResultItem();
    lumivo::SetItemLines(demo, DemoRows());
    return demo;
}

void CEffectDlg::OnChoiceChanged()
{
    const lumivo::EffectChoice c = Choice();
    m_index->setEnabled(c.row != 0);
    const std::string family = lumivo::EffectFamilyName(lumivo::EffectRowFamily(m_phase, c.row));
    const bool automatic = family == "Auto", none = family == "None";
    m_index->setToolTip(automatic ? lumivo::Tip("TipNumberAuto", {})
                        : none    ? lumivo::Tip("TipNumberNone", {})
                                           : lumivo::FromU16(lumivo::FormatText(
                                                 lumivo::LangText("EditorTips", "TipNumber"),
                                                 {static_cast<long long>(c.index) + 1,
                                                  static_cast<long long>(lumivo::EffectIndexCount(m_phase, c.row)),
                                                  VariantText(m_phase, c.row, c.index)})));
    m_delay->setToolTip(lumivo::Tip("TipDelay", {StepSeconds(c.delay).toStdU16String(), static_cast<long long>(c.delay),
                                                 StepSeconds(lumivo::kMinEffectDelay).toStdU16String(),
                                                 StepSeconds(lumivo::kMaxEffectDelay).toStdU16String()}));
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
