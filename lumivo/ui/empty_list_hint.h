// SPDX-License-Identifier: GPL-2.0-or-later
// CEmptyListHint: a line centred over an empty list that says how to begin.
// It follows the list's size; the owner says when the list is empty.
#pragma once

#include <QLabel>

class QAbstractScrollArea;

class CEmptyListHint : public QLabel {
    Q_OBJECT
public:
    explicit CEmptyListHint(QAbstractScrollArea* list);
    void SetEmpty(bool empty);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();
};
