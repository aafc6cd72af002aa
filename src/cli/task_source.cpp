#include "cli/task_source.h"

#include "platform/text_codec.h"
#include "store/app_context.h"
#include "store/task_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>

namespace cli {

std::string recordText(std::string_view cp932) {
    return platform::cp932ToUtf8Lossy(cp932);
}

bool readTaskTable(TaskTable& table, QString& problem) {
    // The same place the window instance uses: <documents>/<program>/<program>.tsk, where the
    // program's name is this executable's.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    table.path = documents + QLatin1Char('/') + program + QLatin1Char('/') + program +
                 QStringLiteral(".tsk");
    if (!QFileInfo::exists(table.path))
        return true;
    const std::optional<std::string> path = platform::utf8ToCp932(table.path.toStdString());
    if (!path) {
        problem = QStringLiteral("the task file's path %1 cannot be read.").arg(table.path);
        return false;
    }
    auto ctx = std::make_unique<AppContext>();
    ctx->maxTaskCount = kMaxTaskCount;
    const int rc = MyTaskRead(*ctx, path->c_str());
    if (rc != 0 && rc != -2) {
        problem = QStringLiteral("cannot read the task file %1 (%2).").arg(table.path).arg(rc);
        return false;
    }
    table.tasks.assign(ctx->tasks.begin(), ctx->tasks.begin() + ctx->taskCount);
    return true;
}

} // namespace cli
