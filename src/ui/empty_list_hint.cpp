#include "ui/empty_list_hint.h"

#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QWidget>

QString emptyListHint() {
    return QStringLiteral("タスクが登録されていません。\n"
                          "メニューの「タスク(T)」→「タスクの追加」で追加するか、\n"
                          "実行するファイルをここにドラッグ＆ドロップしてください。");
}

void paintEmptyListHint(QPainter& painter, const QRect& area, const QWidget& widget) {
    const int margin = widget.fontMetrics().averageCharWidth() * 2;
    painter.save();
    painter.setFont(widget.font());
    painter.setPen(widget.palette().color(QPalette::PlaceholderText));
    painter.drawText(area.adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, emptyListHint());
    painter.restore();
}
