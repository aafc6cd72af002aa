#include "dialogs/config_dialog.h"

#include "dialogs/dialog_font.h"
#include "dialogs/prompter.h"
#include "dialogs/schedule_group.h"
#include "dialogs/typing_limit.h"
#include "platform/text_codec.h"
#include "store/catch_up_setting.h"
#include "store/fields.h"
#include "store/history_settings.h"
#include "store/schedule_text.h"
#include "store/settings_store.h"
#include "store/trace.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <limits>

CDialogConfig::CDialogConfig(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("config"));
    setFont(dialogFont());
    setWindowTitle(QStringLiteral("環境設定"));
    const QFont f = font();

    auto* interval = new QGroupBox(QStringLiteral("実行時刻"), this);
    minutes_ = new QLineEdit(interval);
    minutes_->setObjectName(QStringLiteral("minutes"));
    minutes_->setFixedSize(
        std::max(dluX(f, 21), QFontMetrics(f).horizontalAdvance(QStringLiteral("000")) + 14),
        dluY(f, 14));
    TypingLimit::install(minutes_, 3);
    auto* note = new QLabel(
        QStringLiteral("※０を指定すると追加登録するタスクの次回実行日は翌日以降になります。"),
        interval);
    note->setObjectName(QStringLiteral("note"));
    QPalette red = note->palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    note->setPalette(red);
    auto* minutesRow = new QHBoxLayout;
    minutesRow->addWidget(
        new QLabel(QStringLiteral("ドラッグアンドドロップしたときから"), interval));
    minutesRow->addWidget(minutes_);
    minutesRow->addWidget(new QLabel(QStringLiteral("分後に設定します。"), interval));
    minutesRow->addStretch();
    auto* intervalLayout = new QVBoxLayout(interval);
    intervalLayout->addLayout(minutesRow);
    intervalLayout->addWidget(note);

    schedule_ = new ScheduleGroup(record, this);
    notifyOnFailure_ = new QCheckBox(QStringLiteral("失敗したときに通知する"), this);
    notifyOnFailure_->setObjectName(QStringLiteral("notifyOnFailure"));

    auto makeButton = [this, &f](const QString& text, const char* name) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(dluX(f, 50), dluY(f, 14));
        // Return presses the button that has the focus, and the default one (OK) elsewhere.
        button->setAutoDefault(true);
        return button;
    };
    auto* ok = makeButton(QStringLiteral("OK"), "ok");
    ok->setDefault(true);
    auto* cancel = makeButton(QStringLiteral("ｷｬﾝｾﾙ"), "cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addSpacing(dluX(f, 12));
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(dluX(f, 7), dluY(f, 7), dluX(f, 7), dluY(f, 7));
    page->setSpacing(dluY(f, 4));
    page->addWidget(interval);
    page->addWidget(schedule_);
    page->addWidget(notifyOnFailure_);
    catchUp_ = new QCheckBox(
        QStringLiteral(
            "電源オフ・スリープ中や Chorelin の停止中に過ぎた実行を、あとで 1 回だけ行う"),
        this);
    catchUp_->setObjectName(QStringLiteral("catchUpMissedRuns"));
    page->addWidget(catchUp_);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* previous = minutes_;
    for (int day = 0; day < 7; ++day) {
        QWidget::setTabOrder(previous, schedule_->dayBox(day));
        previous = schedule_->dayBox(day);
    }
    QWidget::setTabOrder(previous, notifyOnFailure_);
    QWidget::setTabOrder(notifyOnFailure_, catchUp_);
    QWidget::setTabOrder(catchUp_, ok);
    QWidget::setTabOrder(ok, cancel);

    connect(ok, &QPushButton::clicked, this, &CDialogConfig::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDialogConfig::OnInitDialog() {
    record = TaskRecord{};
    // Three digits is what may be typed; a larger stored value is shown and kept whole.
    TypingLimit::setWholeText(minutes_, QString::asprintf("%d", ctx_.defaultInterval));
    applyScheduleText(record, fieldView(ctx_.defaultSchedule));
    schedule_->showFlags();
    notifyOnFailure_->setChecked(readHistorySettings().notifyOnFailure);
    catchUp_->setChecked(ctx_.catchUp.enabled);
    setWindowTitle(QStringLiteral("環境設定"));
    minutes_->setFocus();
}

int CDialogConfig::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CDialogConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeAtOwnerOrigin(this);
}

void CDialogConfig::OnOK() {
    const QString minutes = minutes_->text().left(127);
    auto refuseMinutes = [this](const char* message) {
        prompter().ask(Prompter::Kind::Refusal, message, this);
        minutes_->setFocus();
        minutes_->selectAll();
    };
    if (minutes.isEmpty())
        return refuseMinutes("実行時刻（初期値）を入力してください。");
    int64_t interval = 0;
    for (QChar c : minutes) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return refuseMinutes("開始時刻（初期値）は数値を入力してください。");
        // Only a stored value can be longer than three digits; the cap keeps it in range.
        interval = std::min<int64_t>(interval * 10 + (c.unicode() - '0'),
                                     std::numeric_limits<int32_t>::max());
    }
    if (record.chosenDays) {
        bool anyDay = false;
        for (int32_t flag : record.dayFlags)
            anyDay = anyDay || flag != 0;
        if (!anyDay) {
            prompter().ask(Prompter::Kind::Refusal, "月 ～ 金 のいずれかを選択してください。",
                           this);
            schedule_->dayBox(0)->setFocus();
            return;
        }
    }
    const std::string schedule = scheduleTextFromFlags(record);
    ctx_.defaultInterval = static_cast<int32_t>(interval);
    setField(ctx_.defaultSchedule, schedule);
    MyConfigWrite(ctx_, ctx_.defaultInterval, schedule.c_str());
    writeNotifyOnFailure(notifyOnFailure_->isChecked());
    MyCatchUpSettingWrite(ctx_, catchUp_->isChecked());
    accept();
}

void runConfigCommand(AppContext& ctx, QWidget* parent) {
    traceLine("CChorelinView::OnConfig() Start");
    CDialogConfig dialog(ctx, parent);
    dialog.exec();
    tracef("実行時刻（初期値）=%d", ctx.defaultInterval);
    tracef("スケジュール（初期値）=%s",
           platform::cp932ToUtf8Lossy(fieldView(ctx.defaultSchedule)).c_str());
    traceLine("CChorelinView::OnConfig() End");
}
