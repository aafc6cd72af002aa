#include "cli/task_source.h"

#include "platform/text_codec.h"
#include "store/app_context.h"
#include "store/task_file.h"

#include <QCoreApplication>
#include <QFile>
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
    // The system's own path, as the file system spells it (never cp932).
    const QByteArray path = QFile::encodeName(table.path);
    auto ctx = std::make_unique<AppContext>();
    ctx->maxTaskCount = kMaxTaskCount;
    const int rc = MyTaskRead(*ctx, path.constData());
    if (rc != 0 && rc != -2) {
        problem =
            QStringLiteral("タスクファイル %1 を読み込めません（%2）。").arg(table.path).arg(rc);
        return false;
    }
    table.tasks.assign(ctx->tasks.begin(), ctx->tasks.begin() + ctx->taskCount);
    return true;
}

} // namespace cli
