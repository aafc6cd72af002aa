#include "dialogs/holiday_list_dialog.h"

#include "dialogs/dialog_font.h"
#include "dialogs/holiday_date_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

CDialogHolidayList::CDialogHolidayList(HolidaySources sources, const std::string& note, int year,
                                       QWidget* parent)
    : QDialog(parent), sources_(std::move(sources)) {
    setObjectName(QStringLiteral("holidayList"));
    setFont(dialogFont());
    setWindowTitle(QStringLiteral("祝日の一覧"));

    QString summary;
    if (!note.empty())
        summary = QString::fromStdString(note) + QStringLiteral("\n\n");
    summary += QStringLiteral("祝日データの出典:");
    for (const YearRange& range : sources_.ranges())
        summary += QString::asprintf("\n%d年～%d年: ", range.first, range.last) +
                   QString::fromUtf8(holidaySourceLabel(range.source));
    auto* sourcesLabel = new QLabel(summary, this);
    sourcesLabel->setObjectName(QStringLiteral("holidaySources"));
    sourcesLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    year_ = new QSpinBox(this);
    year_->setObjectName(QStringLiteral("holidayYear"));
    year_->setRange(kCalendarFirstYear, kCalendarLastYear);
    year_->setSuffix(QStringLiteral("年"));
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("表示する年:"), this));
    yearRow->addWidget(year_);
    year_->installEventFilter(this);
    yearRow->addStretch();

    table_ = new QTableWidget(0, 3, this);
    table_->setObjectName(QStringLiteral("holidayTable"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("日付"), QStringLiteral("名称"), QStringLiteral("出典")});
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->setMinimumSize(dluX(font(), 260), dluY(font(), 160));
    none_ = new QLabel(this);
    none_->setObjectName(QStringLiteral("holidayNone"));
    none_->setAlignment(Qt::AlignCenter);
    none_->setMinimumSize(table_->minimumSize());
    none_->hide();

    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);

    auto* page = new QVBoxLayout(this);
    page->addWidget(sourcesLabel);
    page->addLayout(yearRow);
    page->addWidget(table_);
    page->addWidget(none_);
    page->addLayout(buttons);
    page_ = page;

    connect(year_, &QSpinBox::valueChanged, this, &CDialogHolidayList::showYear);
    year_->setValue(year);
    showYear(year_->value());
}

void CDialogHolidayList::showYear(int year) {
    if (year_->value() != year) {
        year_->setValue(year); // comes back here through valueChanged
        return;
    }
    const std::vector<Holiday> holidays = sources_.holidaysOf(year);
    table_->setRowCount(static_cast<int>(holidays.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const Holiday& holiday = holidays[static_cast<size_t>(row)];
        table_->setItem(row, 0, cell(holidayDateText(holiday.date)));
        table_->setItem(row, 1, cell(QString::fromStdString(holiday.name)));
        table_->setItem(row, 2, cell(QString::fromUtf8(holidaySourceLabel(holiday.source))));
    }
    table_->resizeColumnToContents(0);
    table_->resizeColumnToContents(2);
    table_->setVisible(!holidays.empty());
    none_->setVisible(holidays.empty());
    none_->setText(
        QStringLiteral("%1年の祝日はありません（休日は土曜・日曜だけです）。").arg(year));
}

bool CDialogHolidayList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == year_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            year_->interpretText();
            showYear(year_->value());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDialogHolidayList::addSection(QWidget* section) {
    section->setParent(this);
    // Side by side in one row above the close button, which stays last: stacked, they would
    // make the dialog taller than a laptop's screen.
    if (!sections_) {
        table_->setMinimumHeight(dluY(font(), 100));
        sections_ = new QHBoxLayout;
        page_->insertLayout(page_->count() - 1, sections_);
    }
    sections_->addWidget(section, 1);
}

void CDialogHolidayList::setSources(HolidaySources sources) {
    sources_ = std::move(sources);
    // The years' sources may have changed too (the official data put in force).
    if (auto* label = findChild<QLabel*>(QStringLiteral("holidaySources"))) {
        const QString head = QStringLiteral("祝日データの出典:");
        QString summary = label->text().left(label->text().indexOf(head)) + head;
        for (const YearRange& range : sources_.ranges())
            summary += QString::asprintf("\n%d年～%d年: ", range.first, range.last) +
                       QString::fromUtf8(holidaySourceLabel(range.source));
        label->setText(summary);
    }
    showYear(year_->value());
}
