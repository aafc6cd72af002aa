#include "app/task_file_refusal.h"

#include "dialogs/prompter.h"

#include <QGuiApplication>
#include <string>
#include <utility>

void reportTaskFileRefusal(AppContext& ctx) {
    if (ctx.taskFileRefusal.empty())
        return;
    const std::string message = std::exchange(ctx.taskFileRefusal, std::string());
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    prompter().ask(Prompter::Kind::Refusal, message);
}
