// SPDX-License-Identifier: GPL-2.0-or-later
// CEffectDlg: chooses the start, wait or end effect of one item by family,
// number and delay (and, for a Twist start, the repeat count), with the
// item's flowing (loop) flag. While the user chooses, an embedded preview
// 6 modules wide and as high as the item (up to 4) plays the chosen effect
// on the item's own text, starting over at once whenever the choice
// changes. Every choice says in its tooltip what it does. The rules live in
// core/effect_choice.h; the dialog only shows and collects them.
#pragma once

#include "core/effect_choice.h"

#include <qvr/records.h>

#include <QDialog>

#include <optional>

class CContent;
class CLumivoViewer;
class QCheckBox;
class QLabel;
class QListWidget;
class QSpinBox;

class CEffectDlg : public QDialog {
    Q_OBJECT
public:
    // The demonstration board of the dialog, in modules.
    static constexpr unsigned kDemoColumns = 6;
    static constexpr unsigned kDemoRows = 1;
    static constexpr unsigned kMaxDemoRows = 4;

    // phase: 0 start, 1 wait, 2 end. content is borrowed for the preview.
    CEffectDlg(const CLumivo& item, int phase, CContent* content, QWidget* parent = nullptr);
    ~CEffectDlg() override;

    lumivo::EffectChoice Choice() const;
    // The item as OK leaves it.
    CLumivo ResultItem() const;
    // What the demonstration plays, and the control that plays it.
    CLumivo DemoItem() const;
    CLumivoViewer* Demo() const { return m_demo; }
    // The demonstration board's height in modules: the item's lines, 1 to 4.
    unsigned DemoRows() const;
    QSpinBox* IndexSpin() const { return m_index; }
    QSpinBox* DelaySpin() const { return m_delay; }
    QListWidget* FamilyList() const { return m_family; }

    void done(int result) override;

private:
    void OnChoiceChanged();

    CLumivo m_item;
    int m_phase;
    bool m_userLoop;
    // What the dialog shows before any change: an OK on it gives m_item
    // back as it came, byte for byte.
    std::optional<CLumivo> m_untouched;
    QListWidget* m_family;
    QSpinBox* m_index;
    QSpinBox* m_delay;
    QSpinBox* m_repeat;
    QCheckBox* m_loop;
    QLabel* m_flowNote;
    CLumivoViewer* m_demo;
};
