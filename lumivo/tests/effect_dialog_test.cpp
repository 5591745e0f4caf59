// SPDX-License-Identifier: GPL-2.0-or-later
// The effect dialog on its own, by keyboard: a Twist start (95 to 99)
// always flows and takes its repeat count, the start before it does not;
// the demonstration plays the phase being edited at that phase's speed.
#include "gui_test_util.h"

#include "ui/effect_dlg.h"
#include "ui/lumivo_viewer.h"

#include <QCheckBox>
#include <QSpinBox>

namespace {

TEST(EffectDialog, TwistStartsFlowAndKeepTheirRepeatCount)
{
    for (const uint16_t code : {94, 95, 96, 97, 98, 99}) {
        CLumivo item = TextItem(u"Twist");
        item.effectS = CEFF{code, 50};
        item.option = 0;
        CEffectDlg dlg(item, 0, nullptr);
        dlg.show();
        // Index, Delay and Repeat, in the order the form shows them.
        const QList<QSpinBox*> spins = dlg.findChildren<QSpinBox*>();
        ASSERT_EQ(spins.size(), 3);
        QSpinBox* repeat = spins[2];
        auto* flow = dlg.findChild<QCheckBox*>();
        ASSERT_TRUE(repeat && flow);
        const bool twist = code >= 95;
        EXPECT_EQ(dlg.ResultItem().effectS.code, code);
        EXPECT_EQ(flow->isChecked(), twist) << code;
        EXPECT_EQ(flow->isEnabled(), !twist) << code;
        EXPECT_EQ(repeat->isEnabled(), twist) << code;
        if (!twist) {
            EXPECT_EQ(dlg.ResultItem().option, 0);
            continue;
        }
        repeat->setFocus();
        QTest::keyClick(repeat, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(repeat, "7");
        const CLumivo result = dlg.ResultItem();
        EXPECT_EQ(result.option, 7) << code;
        EXPECT_EQ(result.effectS.code, code);
        EXPECT_NE(result.effectLoop, 0) << code;
    }
}

// Three phases at three speeds: the demonstration steps at the speed of the
// phase the dialog edits, not the start's.
TEST(EffectDialog, TheDemonstrationPlaysItsOwnPhaseAtItsOwnSpeed)
{
    CLumivo item = TextItem(u"Demo");
    item.effectS = CEFF{3, 7};   // a step every tick
    item.effectW = CEFF{60, 49}; // every 7 ticks
    item.effectE = CEFF{97, 37}; // every 5
    lumivo::CProjectCore project; // the program's containers: a real demonstration
    for (const auto& [phase, delay] : {std::pair{0, 1u}, std::pair{1, 7u}, std::pair{2, 5u}}) {
        CEffectDlg dlg(item, phase, &project.Content());
        dlg.show();
        const CLumivoViewer* demo = dlg.Demo();
        ASSERT_TRUE(WaitFor([demo] { return demo->PaintCount() > 4; })) << phase;
        EXPECT_EQ(demo->Player().Entry(0).phase, unsigned(phase));
        // Steps at ticks 0, d, 2d ...: the last one made lies on or past (n - 1) d.
        const unsigned long steps = demo->PaintCount();
        const uint64_t ticks = demo->PlayedTicks();
        EXPECT_GE(ticks, (steps - 1) * delay) << phase << ": " << steps << " steps";
        EXPECT_LT(ticks, steps * delay + delay) << phase << ": " << steps << " steps";
    }
}

} // namespace
