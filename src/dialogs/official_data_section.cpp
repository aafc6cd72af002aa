#include "dialogs/official_data_section.h"

#include "dialogs/holiday_date_text.h"
#include "engine/official_holidays.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString builtinDifferenceLine(const BuiltinDifference& difference) {
    const QString day = holidayDateText(difference.date) + QStringLiteral(" ");
    if (difference.inBuiltin)
        return day + QStringLiteral("組み込みの祝日表では祝日、公式では平日");
    return day + QString::fromStdString(difference.name) +
           QStringLiteral("（組み込みの祝日表にはありません）");
}

QString builtinDifferencesText(int firstYear) {
    QString text;
    for (const BuiltinDifference& difference : builtinDifferences(firstYear)) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += builtinDifferenceLine(difference);
    }
    return text;
}

OfficialDataSection::OfficialDataSection(Use use, QWidget* parent)
    : QGroupBox(QStringLiteral("内閣府の公式データ"), parent), use_(std::move(use)) {
    setObjectName(QStringLiteral("officialData"));
    auto* intro = new QLabel(
        QStringLiteral("組み込みの祝日表は次の日が内閣府の公式の祝日と違います。同梱の公式データ"
                       "を使うと、公式の祝日表に切り替わります（独自の休日はそのまま残ります）。"),
        this);
    intro->setWordWrap(true);
    auto* list = new QPlainTextEdit(builtinDifferencesText(0), this);
    list->setObjectName(QStringLiteral("builtinDifferences"));
    list->setReadOnly(true);
    list->setMaximumHeight(list->fontMetrics().height() * 5 + 12);
    auto* button = new QPushButton(QStringLiteral("同梱の公式データを使う"), this);
    button->setObjectName(QStringLiteral("useOfficialData"));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this] {
        if (use_)
            use_();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list);
    layout->addWidget(button, 0, Qt::AlignLeft);
}
