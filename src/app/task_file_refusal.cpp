#include "app/task_file_refusal.h"

#include "dialogs/prompter.h"

#include <QGuiApplication>
#include <string>
#include <utility>

void reportTaskFileRefusal(AppContext& ctx) {
    reportTaskFileRefusal(ctx, QGuiApplication::platformName() != QLatin1String("offscreen"));
}

void reportTaskFileRefusal(AppContext& ctx, bool showBox) {
    if (ctx.taskFileRefusal.empty())
        return;
    const std::string message = std::exchange(ctx.taskFileRefusal, std::string());
    if (showBox)
        prompter().ask(Prompter::Kind::Refusal, message);
}
