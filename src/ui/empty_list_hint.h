#pragma once
// What the list shows while there is no task: how to add one.

#include <QString>

class QPainter;
class QRect;
class QWidget;

QString emptyListHint();

// Draws the hint in the middle of `area` of `widget`, in the widget's font and its palette's
// colour for placeholder text.
void paintEmptyListHint(QPainter& painter, const QRect& area, const QWidget& widget);
