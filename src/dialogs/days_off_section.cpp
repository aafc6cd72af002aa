#include "dialogs/days_off_section.h"

#include "dialogs/prompter.h"
#include "engine/days_off_csv.h"
#include "engine/holiday_install.h"
#include "engine/holiday_sources.h"
#include "platform/settings_files.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kCsvFilter = QStringLiteral("CSV ファイル (*.csv);;すべてのファイル (*)");

QPushButton* button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

DaysOffSection::DaysOffSection(std::vector<HolidayRow> days, Save save, QWidget* parent)
    : QGroupBox(QStringLiteral("独自の休日"), parent), days_(std::move(days)),
      save_(std::move(save)) {
    setObjectName(QStringLiteral("daysOff"));
    std::sort(days_.begin(), days_.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });

    table_ = new QTableWidget(0, 2, this);
    table_->setObjectName(QStringLiteral("daysOffTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("日付"), QStringLiteral("名称")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    // A handful of rows in sight; the holiday list above keeps most of the height.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->setMaximumHeight((table_->fontMetrics().height() + 4) * 7);

    date_ = new QDateEdit(QDate::currentDate(), this);
    date_->setObjectName(QStringLiteral("dayOffDate"));
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    date_->setDateRange(QDate(kCalendarFirstYear, 1, 1), QDate(kCalendarLastYear, 12, 31));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("dayOffName"));
    name_->setPlaceholderText(QStringLiteral("名称（例: 創立記念日）"));
    name_->setMinimumWidth(
        name_->fontMetrics().horizontalAdvance(QStringLiteral("名称（例: 創立記念日）")));

    auto* add = button("追加", "dayOffAdd", this);
    auto* remove = button("削除", "dayOffRemove", this);
    auto* load = button("読み込み...", "dayOffImport", this);
    auto* exportButton = button("書き出し...", "dayOffExport", this);
    connect(add, &QPushButton::clicked, this, [this] {
        const QDate d = date_->date();
        if (addDay(d.year() * 10000 + d.month() * 100 + d.day(), name_->text().toStdString()))
            name_->clear();
    });
    connect(remove, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("独自の休日の読み込み"),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), kCsvFilter);
        if (!path.isEmpty())
            importFile(path.toStdString());
    });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("独自の休日の書き出し"),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                QStringLiteral("/") + QString::fromLatin1(kDaysOffFileName),
            kCsvFilter);
        if (!path.isEmpty())
            exportFile(path.toStdString());
    });

    auto* addRow = new QHBoxLayout;
    addRow->addWidget(date_);
    addRow->addWidget(name_, 1);
    addRow->addWidget(add);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(remove);
    fileRow->addStretch();
    fileRow->addWidget(load);
    fileRow->addWidget(exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(addRow);
    layout->addLayout(fileRow);
    showDays();
}

bool DaysOffSection::addDay(int32_t date, const std::string& name) {
    const size_t first = name.find_first_not_of(" \t");
    const std::string trimmed = first == std::string::npos
                                    ? std::string()
                                    : name.substr(first, name.find_last_not_of(" \t") - first + 1);
    const HolidayRow day{date, trimmed};
    const std::string refusal = dayOffRefusal(days_, day);
    if (!refusal.empty()) {
        prompter().ask(Prompter::Kind::Refusal, refusal, this);
        return false;
    }
    std::vector<HolidayRow> days = days_;
    days.push_back(day);
    return commit(std::move(days));
}

bool DaysOffSection::removeSelected() {
    std::vector<int32_t> chosen;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        chosen.push_back(days_[static_cast<size_t>(index.row())].date);
    if (chosen.empty()) {
        prompter().ask(Prompter::Kind::Refusal, "削除する独自の休日を選んでください。", this);
        return false;
    }
    std::vector<HolidayRow> days;
    for (const HolidayRow& day : days_) {
        if (std::find(chosen.begin(), chosen.end(), day.date) == chosen.end())
            days.push_back(day);
    }
    return commit(std::move(days));
}

bool DaysOffSection::importFile(const std::string& path) {
    HolidayCsv csv = MyDaysOffCheckFile(path);
    if (!csv.accepted()) {
        prompter().ask(Prompter::Kind::Refusal, csv.refusal, this);
        return false;
    }
    if (!days_.empty() &&
        !prompter().ask(Prompter::Kind::ContinueQuestion,
                        "いまの独自の休日（" + std::to_string(days_.size()) + "日）を " + path +
                            " の内容（" + std::to_string(csv.rows.size()) +
                            "日）で置き換えますか？",
                        this))
        return false;
    return commit(std::move(csv.rows));
}

bool DaysOffSection::exportFile(const std::string& path) {
    if (!platform::writePrivateFile(path, daysOffCsvText(days_))) {
        prompter().ask(Prompter::Kind::Refusal, "独自の休日を書き出せません。\n" + path, this);
        return false;
    }
    return true;
}

bool DaysOffSection::commit(std::vector<HolidayRow> days) {
    std::sort(days.begin(), days.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });
    if (!save_ || !save_(days))
        return false;
    days_ = std::move(days);
    showDays();
    return true;
}

void DaysOffSection::showDays() {
    table_->setRowCount(static_cast<int>(days_.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const HolidayRow& day = days_[static_cast<size_t>(row)];
        const QString date = QString::asprintf("%04d/%02d/%02d", day.date / 10000,
                                               day.date / 100 % 100, day.date % 100);
        for (int column = 0; column < 2; ++column) {
            auto* item =
                new QTableWidgetItem(column == 0 ? date : QString::fromStdString(day.name));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            table_->setItem(row, column, item);
        }
    }
    table_->resizeColumnToContents(0);
}
