#include "ui/notice_text.h"

#include "history/run_text.h"

#include <QStringList>

Notice failureNotice(const history::RunRecord& run, const std::vector<std::string>& lastLines) {
    Notice notice;
    notice.kind = Notice::Kind::Failure;
    notice.task = run.task;
    notice.runId = run.id;
    notice.title = QStringLiteral("タスク「%1」: %2")
                       .arg(QString::fromStdString(run.task),
                            QString::fromStdString(history::outcomeText(run)));
    QStringList lines;
    for (const std::string& line : lastLines)
        lines << QString::fromUtf8(line.data(), static_cast<int>(line.size()));
    notice.body =
        lines.isEmpty() ? QStringLiteral("出力はありません。") : lines.join(QLatin1Char('\n'));
    return notice;
}

Notice welcomeNotice() {
    Notice notice;
    notice.kind = Notice::Kind::Welcome;
    notice.title = QStringLiteral("Chorelin");
    notice.body =
        QStringLiteral("Chorelinはタスクトレイで動作しています。\n"
                       "ウィンドウはトレイのアイコンのダブルクリック（トレイによってはクリック）、"
                       "または右クリックの「タスクの表示」で開きます。");
    return notice;
}
