// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/board_setup_ui.h"

#include "ui/board_qtext.h"
#include "ui/simulated_board.h"

#include <serio/widgets/serial_dialogs.h>

#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>

namespace {


QString SimulatedEntry() { return lumivo::BoardQText("SimBoard", "Simulated board"); }

} // namespace

bool CBoardSetupUi::EditSerialSettings(serio::SerialSettings& settings, bool portOnly)
{
    const QString simulated = QString::fromLatin1(CSimulatedBoard::kDevice);
    if (portOnly) {
        CSerialPortDlg dlg(settings, m_parent);
        dlg.AddPortEntry(SimulatedEntry(), simulated);
        if (dlg.exec() != QDialog::Accepted)
            return false;
        settings = dlg.Settings();
        return true;
    }
    CSerialSetupDlg dlg(settings, m_parent);
    dlg.AddPortEntry(SimulatedEntry(), simulated);
    CSimulatedBoard::Options sim = CSimulatedBoard::Stored(m_board ? m_board() : lumivo::BoardValues{});
    auto* rows = new QSpinBox;
    rows->setObjectName(QStringLiteral("SimRows"));
    rows->setRange(1, 4);
    rows->setValue(sim.moduleRows);
    auto* columns = new QSpinBox;
    columns->setObjectName(QStringLiteral("SimColumns"));
    columns->setRange(2, 20);
    columns->setValue(sim.moduleColumns);
    auto* language = new QComboBox;
    language->setObjectName(QStringLiteral("SimLanguage"));
    language->addItem(lumivo::BoardQText("SimLanguageA", "Korean (A)"), QStringLiteral("A"));
    language->addItem(lumivo::BoardQText("SimLanguageE", "Latin and Chinese (E)"), QStringLiteral("E"));
    language->setCurrentIndex(sim.language == 'A' ? 0 : 1);
    dlg.Form()->addRow(lumivo::BoardQText("SimRows", "Simulated board &rows :"), rows);
    dlg.Form()->addRow(lumivo::BoardQText("SimColumns", "Simulated board co&lumns :"), columns);
    dlg.Form()->addRow(lumivo::BoardQText("SimLanguage", "Simulated board lan&guage :"), language);
    // The simulator's values matter only while it is the chosen port.
    auto follow = [&] {
        const bool on = dlg.PortList()->currentData().toString() == simulated;
        for (QWidget* w : {static_cast<QWidget*>(rows), static_cast<QWidget*>(columns),
                           static_cast<QWidget*>(language)})
            w->setEnabled(on);
    };
    QObject::connect(dlg.PortList(), &QComboBox::currentIndexChanged, &dlg, follow);
    follow();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    settings = dlg.Settings();
    sim.moduleRows = rows->value();
    sim.moduleColumns = columns->value();
    sim.language = language->currentData().toString() == QLatin1String("A") ? 'A' : 'E';
    CSimulatedBoard::Store(sim);
    return true;
}
