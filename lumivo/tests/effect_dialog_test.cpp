// SPDX-License-Identifier: GPL-2.0-or-later
// The effect dialog on its own, by keyboard: a Twist start (95 to 99)
// always flows and takes its repeat count, the start before it does not.
#include "gui_test_util.h"

#include "ui/effect_dlg.h"

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

} // namespace
