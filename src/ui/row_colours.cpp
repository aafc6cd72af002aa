#include "ui/row_colours.h"

#include "store/fields.h"

#include <cstdio>

namespace {
const QColor kDisabledBackground(204, 204, 204);
const QColor kCompletedBackground(204, 255, 204);
const QColor kCompletedText(0, 0, 255);
const QColor kRunningBackground(255, 255, 128);
const QColor kFailedBackground(255, 147, 147);
const QColor kDueText(255, 0, 0);
const QColor kFailedOutcomeText(176, 0, 0);
} // namespace

RowColours rowColours(const TaskRecord& task, const platform::LocalTime& today) {
    RowColours colours;
    // A disabled or completed task is never drawn as due, whatever its next run says.
    if (task.state == StateDisabled) {
        colours.background = kDisabledBackground;
        return colours;
    }
    if (task.state == StateCompleted) {
        colours.background = kCompletedBackground;
        colours.text = kCompletedText;
        return colours;
    }
    char todayText[16];
    std::snprintf(todayText, sizeof todayText, "%04d/%02d/%02d", today.year, today.month,
                  today.day);
    if (equalsIgnoringAsciiCase(fieldView(task.nextRunText), todayText))
        colours.text = kDueText;
    if (task.processInfo.processHandle != 0) {
        colours.background = kRunningBackground;
        colours.text = kDueText;
    } else if (task.launchResult == LaunchFailed) {
        colours.background = kFailedBackground;
    }
    return colours;
}

QColor failedOutcomeText() {
    return kFailedOutcomeText;
}
