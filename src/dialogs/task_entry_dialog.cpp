#include "dialogs/task_entry_dialog.h"

#include "dialogs/dialog_font.h"
#include "dialogs/exec_file_messages.h"
#include "dialogs/path_text_edit.h"
#include "dialogs/picker_dialogs.h"
#include "dialogs/prompter.h"
#include "dialogs/registered_file_dialog.h"
#include "dialogs/schedule_group.h"
#include "dialogs/typing_limit.h"
#include "engine/launch.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "store/trace.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

template <size_t N> QString recordText(const char (&field)[N]) {
    return QString::fromStdString(platform::cp932ToUtf8Lossy(fieldView(field)));
}

// Scratch copies of the form's texts; a text that has no cp932 form or does not fit is left
// out (the checks refuse it with their own message).
template <size_t N> void storeScratch(char (&field)[N], const std::string& text) {
    clearField(field);
    if (auto bytes = platform::utf8ToCp932(text))
        setField(field, *bytes);
}

} // namespace

CDialogTaskEntry::CDialogTaskEntry(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("taskEntry"));
    setFont(dialogFont());
    buildForm();
    chooseRegisteredFile = [this] {
        return runRegisteredFileDialog(this, registeredFile_->path());
    };
    pickTime = [this]() -> std::optional<QString> {
        CDialogTimePicker picker(this);
        if (picker.exec() != QDialog::Accepted)
            return std::nullopt;
        return picker.resultText();
    };
    pickDate = [this]() -> std::optional<QString> {
        CDialogDatePicker picker(this);
        if (picker.exec() != QDialog::Accepted)
            return std::nullopt;
        return picker.resultText();
    };
}

void CDialogTaskEntry::buildForm() {
    const QFont f = font();
    auto makeButton = [this, &f](const QString& text, const char* name, int width) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(dluX(f, width), dluY(f, 14));
        // Return presses the button that has the focus, and the default one (OK) elsewhere.
        button->setAutoDefault(true);
        return button;
    };
    // A short field is as wide as its template says, and never too narrow for its longest
    // value in this font.
    auto makeLine = [this, &f](const char* name, int width, const QString& longest = {}) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        if (width > 0) {
            const int needed = QFontMetrics(f).horizontalAdvance(longest) + 14;
            edit->setFixedWidth(std::max(dluX(f, width), needed));
        }
        edit->setFixedHeight(dluY(f, 14));
        return edit;
    };
    auto makePath = [this, &f](const char* name) {
        auto* edit = new PathTextEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setFixedHeight(std::max(dluY(f, 27), 2 * QFontMetrics(f).lineSpacing() + 10));
        return edit;
    };
    auto makeLabel = [this](const QString& text) {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        return label;
    };

    name_ = makeLine("name", 0);
    name_->setMinimumWidth(dluX(f, 190));
    browse_ = makeButton(QStringLiteral("参照"), "browse", 19);
    registeredFile_ = makePath("registeredFile");
    executableFile_ = makePath("executableFile");
    executableFile_->setReadOnly(true);
    executableFile_->setFocusPolicy(Qt::StrongFocus);
    auto* pickTimeButton = makeButton(QStringLiteral("実行時刻"), "pickTime", 32);
    runTime_ = makeLine("runTime", 21, QStringLiteral("00:00"));
    auto* pickStartButton = makeButton(QStringLiteral("開始日"), "pickStart", 32);
    startDate_ = makeLine("startDate", 40, QStringLiteral("0000/00/00"));
    auto* pickEndButton = makeButton(QStringLiteral("終了日"), "pickEnd", 32);
    endDate_ = makeLine("endDate", 40, QStringLiteral("0000/00/00"));
    TypingLimit::install(name_, 512);
    TypingLimit::install(runTime_, 5);
    TypingLimit::install(startDate_, 10);
    TypingLimit::install(endDate_, 10);
    schedule_ = new ScheduleGroup(record, this);
    auto* ok = makeButton(QStringLiteral("OK"), "ok", 50);
    ok->setDefault(true);
    auto* cancel = makeButton(QStringLiteral("ｷｬﾝｾﾙ"), "cancel", 50);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(dluX(f, 4));
    grid->setVerticalSpacing(dluY(f, 3));
    grid->addWidget(makeLabel(QStringLiteral("名前")), 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(name_, 0, 1, 1, 6);
    auto* fileLabels = new QVBoxLayout;
    fileLabels->setSpacing(dluY(f, 3));
    fileLabels->addWidget(makeLabel(QStringLiteral("登録ファイル")), 0, Qt::AlignRight);
    fileLabels->addWidget(browse_, 0, Qt::AlignRight);
    fileLabels->addStretch();
    grid->addLayout(fileLabels, 1, 0);
    grid->addWidget(registeredFile_, 1, 1, 1, 6);
    grid->addWidget(makeLabel(QStringLiteral("実行ファイル")), 2, 0);
    grid->addWidget(executableFile_, 2, 1, 1, 6);
    grid->addWidget(pickTimeButton, 3, 0, Qt::AlignRight);
    grid->addWidget(runTime_, 3, 1);
    grid->addWidget(pickStartButton, 3, 2, Qt::AlignRight);
    grid->addWidget(startDate_, 3, 3);
    grid->addWidget(pickEndButton, 3, 4, Qt::AlignRight);
    grid->addWidget(endDate_, 3, 5, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(6, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addSpacing(dluX(f, 23));
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(dluX(f, 7), dluY(f, 7), dluX(f, 7), dluY(f, 7));
    page->setSpacing(dluY(f, 4));
    page->addLayout(grid);
    page->addWidget(schedule_);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    // The tab order of the form; the kind buttons are not tab stops.
    QList<QWidget*> order = {name_,           browse_,    registeredFile_, pickTimeButton, runTime_,
                             pickStartButton, startDate_, pickEndButton,   endDate_};
    for (int day = 0; day < 7; ++day)
        order.append(schedule_->dayBox(day));
    order.append({ok, cancel, executableFile_});
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    connect(ok, &QPushButton::clicked, this, &CDialogTaskEntry::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse_, &QPushButton::clicked, this, &CDialogTaskEntry::OnBrowse);
    connect(pickTimeButton, &QPushButton::clicked, this, &CDialogTaskEntry::OnPickTime);
    connect(pickStartButton, &QPushButton::clicked, this, &CDialogTaskEntry::OnPickStartDate);
    connect(pickEndButton, &QPushButton::clicked, this, &CDialogTaskEntry::OnPickEndDate);
}

void CDialogTaskEntry::clearResults() {
    for (auto& list : textResults)
        list.clear();
    for (auto& list : flagResults)
        list.clear();
}

void CDialogTaskEntry::OnInitDialog() {
    if (mode == ModeAdd) {
        setWindowTitle(QStringLiteral("タスクの追加"));
        record = TaskRecord{};
        clearResults();
        const std::string_view defaultSchedule = fieldView(ctx_.defaultSchedule);
        // The longest schedule text fits; anything longer is left for the caller, which writes
        // the schedule text from the flags anyway.
        setField(record.scheduleText, defaultSchedule);
        applyScheduleText(record, defaultSchedule);
        record.state = StateWaiting;
    } else {
        setWindowTitle(mode == ModeChange ? QStringLiteral("タスクの変更")
                                          : QStringLiteral("タスクの追加"));
    }
    schedule_->showFlags();

    if (mode == ModeAdd) {
        for (QLineEdit* edit : {name_, runTime_, startDate_, endDate_})
            edit->clear();
        registeredFile_->clear();
        executableFile_->clear();
    } else {
        // A record's text is shown whole even where it is longer than may be typed; the checks
        // of OK refuse it with their own message instead of it being cut silently.
        TypingLimit::setWholeText(name_, recordText(record.name));
        registeredFile_->setReadOnly(false);
        registeredFile_->setPath(recordText(record.registeredFile));
        executableFile_->setPath(recordText(record.executableFile));
        TypingLimit::setWholeText(runTime_, recordText(record.runTime));
        TypingLimit::setWholeText(startDate_, recordText(record.startDateText));
        TypingLimit::setWholeText(endDate_, recordText(record.endDateText));
    }
    executableFile_->setReadOnly(true);
    browse_->setEnabled(true);
    name_->setFocus();
}

int CDialogTaskEntry::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CDialogTaskEntry::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeAtOwnerOrigin(this);
}

void CDialogTaskEntry::focusField(EntryField field) {
    QLineEdit* line = nullptr;
    PathTextEdit* path = nullptr;
    switch (field) {
    case EntryField::None:
        return;
    case EntryField::Name:
        line = name_;
        break;
    case EntryField::RegisteredFile:
        path = registeredFile_;
        break;
    case EntryField::RunTime:
        line = runTime_;
        break;
    case EntryField::StartDate:
        line = startDate_;
        break;
    case EntryField::EndDate:
        line = endDate_;
        break;
    }
    if (line) {
        line->setFocus();
        line->selectAll();
    } else {
        path->setFocus();
        path->selectAll();
        path->ensureCursorVisible();
    }
}

void CDialogTaskEntry::storeScratchTexts(const EntryTexts& texts) {
    storeScratch(ctx_.entryName, texts.name);
    storeScratch(ctx_.entryRegisteredFile, texts.registeredFile);
    storeScratch(ctx_.entryRunTime, texts.runTime);
    storeScratch(ctx_.entryStartDate, texts.startDate);
    storeScratch(ctx_.entryEndDate, texts.endDate);
}

void CDialogTaskEntry::appendResults() {
    textResults[ResultName].push_back(fieldString(record.name));
    textResults[ResultRegisteredFile].push_back(fieldString(record.registeredFile));
    textResults[ResultExecutableFile].push_back(fieldString(record.executableFile));
    textResults[ResultRunTime].push_back(fieldString(record.runTime));
    textResults[ResultStartDate].push_back(fieldString(record.startDateText));
    textResults[ResultEndDate].push_back(fieldString(record.endDateText));
    const int32_t flags[5] = {record.once, record.daily, record.weekdays, record.holidays,
                              record.chosenDays};
    for (int i = 0; i < 5; ++i)
        flagResults[ResultOnce + i].push_back(flags[i] ? 1 : 0);
    for (int day = 0; day < 7; ++day)
        flagResults[ResultSunday + day].push_back(record.dayFlags[day] ? 1 : 0);
}

void CDialogTaskEntry::OnOK() {
    traceLine("CDialogTaskEntry::OnOK() Start");
    const EntryTexts texts{utf8(name_->text()), utf8(registeredFile_->path()),
                           utf8(runTime_->text()), utf8(startDate_->text()),
                           utf8(endDate_->text())};
    storeScratchTexts(texts);

    const size_t count =
        std::min(ctx_.tasks.size(), static_cast<size_t>(std::max(0, ctx_.taskCount)));
    const EntryCheck check = checkTaskEntry(
        texts, record, mode, ctx_.editIndex, std::span<const TaskRecord>(ctx_.tasks.data(), count),
        [this](const std::string& question) {
            return prompter().ask(Prompter::Kind::Question, question, this);
        });
    if (!check.accepted) {
        prompter().ask(Prompter::Kind::Refusal, check.message, this);
        focusField(check.focus);
        if (check.traced)
            traceLine(check.message);
        traceLine("CDialogTaskEntry::OnOK() End");
        return;
    }
    record = check.record;
    appendResults();
    traceLine("CDialogTaskEntry::OnOK() End");
    accept();
}

void CDialogTaskEntry::OnBrowse() {
    // Held across the file dialog and the resolution; the commands that open this dialog may
    // hold it already, which the recursive lock allows.
    TaskLockGuard lock(ctx_.taskLock);
    const std::optional<QString> chosen =
        chooseRegisteredFile ? chooseRegisteredFile() : std::nullopt;
    if (!chosen)
        return;
    const std::string chosenUtf8 = utf8(*chosen);
    const auto path = platform::utf8ToCp932(chosenUtf8);
    if (!path) {
        prompter().ask(Prompter::Kind::Refusal, kRegisteredFileUnrepresentable, this);
        focusField(EntryField::RegisteredFile);
        return;
    }
    char program[1024] = {};
    const int result = MyGetExecFile(path->c_str(), program, sizeof program);
    if (result != 0) {
        const std::string message = execFileFailureMessage(result, chosenUtf8);
        prompter().ask(Prompter::Kind::Refusal, message, this);
        focusField(EntryField::RegisteredFile);
        traceLine(message);
        return;
    }
    registeredFile_->setPath(*chosen);
    executableFile_->setPath(recordText(program));
}

void CDialogTaskEntry::OnPickTime() {
    if (auto text = pickTime ? pickTime() : std::nullopt)
        runTime_->setText(*text);
}

void CDialogTaskEntry::OnPickStartDate() {
    if (auto text = pickDate ? pickDate() : std::nullopt)
        startDate_->setText(*text);
}

void CDialogTaskEntry::OnPickEndDate() {
    if (auto text = pickDate ? pickDate() : std::nullopt)
        endDate_->setText(*text);
}
