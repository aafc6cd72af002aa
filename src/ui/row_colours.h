#pragma once
// The colours of a list row, decided from its record and today's date. Every column of the row
// takes the same colours; an empty optional keeps the list's default.

#include "platform/clock.h"
#include "store/task_record.h"

#include <QColor>
#include <optional>

struct RowColours {
    std::optional<QColor> background;
    std::optional<QColor> text;
};

RowColours rowColours(const TaskRecord& task, const platform::LocalTime& today);

// The text of a "前回の結果" cell whose run failed: a darker red than a run due today, readable
// on every background of the rows.
QColor failedOutcomeText();
