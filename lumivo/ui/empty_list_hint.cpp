// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/empty_list_hint.h"

#include <QAbstractScrollArea>
#include <QEvent>

CEmptyListHint::CEmptyListHint(QAbstractScrollArea* list) : QLabel(list->viewport())
{
    setObjectName(QStringLiteral("EmptyListHint"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setEnabled(false); // drawn as a hint, not as content
    // Clicks go to the list below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    list->viewport()->installEventFilter(this);
    Place();
}

void CEmptyListHint::SetEmpty(bool empty)
{
    setVisible(empty);
    Place();
}

bool CEmptyListHint::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        Place();
    return QLabel::eventFilter(watched, event);
}

void CEmptyListHint::Place()
{
    if (auto* viewport = parentWidget())
        setGeometry(viewport->rect().adjusted(12, 12, -12, -12));
}
