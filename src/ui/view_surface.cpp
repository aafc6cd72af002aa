// What the list adds to the control's own drawing and keys: the hint of the empty list, and
// copy keys that do nothing.

#include "ui/chorelin_view.h"

#include "ui/empty_list_hint.h"

#include <QKeyEvent>
#include <QPainter>

void CChorelinView::keyPressEvent(QKeyEvent* event) {
    // The copy keys are accelerators of commands nothing handles; the list must not copy its
    // current cell behind them.
    if (event->matches(QKeySequence::Copy) ||
        (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier)) {
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CChorelinView::paintEvent(QPaintEvent* event) {
    QTableWidget::paintEvent(event);
    if (rowCount() != 0)
        return;
    QPainter painter(viewport());
    paintEmptyListHint(painter, viewport()->rect(), *this);
}
