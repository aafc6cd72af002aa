#include "ui/last_outcome.h"

#include "history/history_reader.h"
#include "history/run_text.h"

void LastOutcomes::loadFromHistory() {
    if (const std::optional<history::HistoryPaths> paths = history::userHistoryPaths())
        runs_ = history::HistoryReader(*paths).lastRunPerTask();
}

void LastOutcomes::note(const history::RunRecord& run) {
    const auto known = runs_.find(run.task);
    if (known == runs_.end())
        runs_.emplace(run.task, run);
    else if (known->second.id <= run.id)
        known->second = run;
}

LastOutcomeCell LastOutcomes::cellOf(const std::string& task, bool running) const {
    if (running)
        return {QStringLiteral("実行中"), false};
    const auto known = runs_.find(task);
    if (known == runs_.end())
        return {};
    return {lastOutcomeText(known->second), known->second.isFailure()};
}

QString lastOutcomeText(const history::RunRecord& run) {
    if (run.ending == history::RunEnding::Failed)
        return QStringLiteral("起動失敗");
    return QString::fromStdString(history::outcomeText(run));
}
