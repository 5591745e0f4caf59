// SPDX-License-Identifier: GPL-2.0-or-later
// CModuleStateDlg ("Lumivo Setup..."): the controller's settings over a
// CModuleStateModel. Every edit writes only its own bytes of the record.
// Read fills the dialog from the controller again; Write sends the record
// at once (the dialog stays open). OK hands the record back for writing;
// Cancel changes nothing.
#pragma once

#include "core/module_state.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class QTimer;

class CModuleStateDlg : public QDialog {
    Q_OBJECT
public:
    // An exchange with the controller over a copy of the model; runs on a
    // thread of its own while the dialog waits with its buttons disabled.
    // True when it succeeded (read: the copy then holds the new record).
    using Exchange = std::function<bool(lumivo::CModuleStateModel& model)>;

    CModuleStateDlg(const lumivo::CModuleStateModel& model, Exchange read, Exchange write,
                    QWidget* parent = nullptr);
    ~CModuleStateDlg() override;

    const lumivo::CModuleStateModel& Model() const { return m_model; }
    bool IsBusy() const { return m_busy; }

    // What the controller reports, as selectable text.
    QLabel* VersionField() const { return m_version; }
    QLabel* ManufactureField() const { return m_manufacture; }
    QLabel* ClockField() const { return m_now; }
    QComboBox* LanguageList() const { return m_language; }
    QComboBox* ColorList() const { return m_color; }
    QCheckBox* PowerBox() const { return m_power; }
    QTimeEdit* PowerOnField() const { return m_powerOn; }
    QTimeEdit* PowerOffField() const { return m_powerOff; }
    QTimeEdit* DayTimeField() const { return m_dayTime; }
    QSpinBox* DayBrightnessField() const { return m_day; }
    QSpinBox* NightBrightnessField() const { return m_night; }
    QSpinBox* ColumnsField() const { return m_columns; }
    QSpinBox* RowsField() const { return m_rows; }
    QPushButton* ReadButton() const { return m_read; }
    QPushButton* WriteButton() const { return m_write; }

public slots:
    void done(int result) override;

private:
    void Fill();
    void RefreshClock();
    void RunExchange(const Exchange& exchange, bool takeResult);
    void SetBusy(bool busy);

    lumivo::CModuleStateModel m_model;
    Exchange m_readExchange;
    Exchange m_writeExchange;
    bool m_busy = false;
    bool m_filling = false;
    QLabel* m_version;
    QLabel* m_manufacture;
    QLabel* m_now;
    QCheckBox* m_power;
    QTimeEdit* m_powerOn;
    QTimeEdit* m_powerOff;
    QTimeEdit* m_dayTime;
    QTimeEdit* m_nightTime;
    QSpinBox* m_day;
    QSpinBox* m_night;
    QComboBox* m_language;
    QComboBox* m_color;
    QCheckBox* m_beep;
    QSpinBox* m_columns;
    QSpinBox* m_rows;
    QPushButton* m_read;
    QPushButton* m_write;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QTimer* m_clock;
};
