#include "dialogs/picker_dialogs.h"

#include "dialogs/dialog_font.h"
#include "platform/clock.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QPushButton>
#include <QTimeEdit>

namespace {

// The two buttons and the picker above them; the pop-ups have no caption of their own.
void layOut(QDialog* dialog, QWidget* picker) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
    dialog->setFont(dialogFont());
    picker->setObjectName(QStringLiteral("picker"));
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), dialog);
    cancel->setObjectName(QStringLiteral("cancel"));
    auto* grid = new QGridLayout(dialog);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setSpacing(2);
    grid->addWidget(picker, 0, 0, 1, 2);
    grid->addWidget(ok, 1, 0);
    grid->addWidget(cancel, 1, 1);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QWidget::setTabOrder(picker, ok);
    QWidget::setTabOrder(ok, cancel);
    picker->setFocus();
}

} // namespace

CDialogTimePicker::CDialogTimePicker(QWidget* parent) : QDialog(parent) {
    const platform::LocalTime now = platform::localTime();
    picker_ = new QTimeEdit(QTime(now.hour, now.minute, now.second), this);
    picker_->setDisplayFormat(QStringLiteral("HH:mm"));
    picker_->setAlignment(Qt::AlignRight);
    layOut(this, picker_);
    connect(findChild<QPushButton*>(QStringLiteral("ok")), &QPushButton::clicked, this,
            &CDialogTimePicker::OnOK);
}

void CDialogTimePicker::OnOK() {
    const QTime time = picker_->time();
    result_ = QString::asprintf("%02d:%02d", time.hour(), time.minute());
    accept();
}

void CDialogTimePicker::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeAtOwnerOrigin(this);
}

CDialogDatePicker::CDialogDatePicker(QWidget* parent) : QDialog(parent) {
    const platform::LocalTime now = platform::localTime();
    picker_ = new QDateEdit(QDate(now.year, now.month, now.day), this);
    picker_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    picker_->setCalendarPopup(true);
    picker_->setAlignment(Qt::AlignRight);
    layOut(this, picker_);
    connect(findChild<QPushButton*>(QStringLiteral("ok")), &QPushButton::clicked, this,
            &CDialogDatePicker::OnOK);
}

void CDialogDatePicker::OnOK() {
    const QDate date = picker_->date();
    result_ = QString::asprintf("%04d/%02d/%02d", date.year(), date.month(), date.day());
    accept();
}

void CDialogDatePicker::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeAtOwnerOrigin(this);
}
