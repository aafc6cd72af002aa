#pragma once
// The settings dialog "環境設定": the default interval of dropped tasks and the default schedule
// of new tasks, whether a failed run is told in a notice, and whether missed runs are made
// up. OK stores them in the context and the settings store; cancel keeps them.

#include "store/app_context.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class ScheduleGroup;

class CDialogConfig : public QDialog {
    Q_OBJECT
public:
    explicit CDialogConfig(AppContext& ctx, QWidget* parent = nullptr);

    // Prepares the form from the settings in force; exec() does it itself.
    void OnInitDialog();
    int exec() override;

    // The dialog's schedule state; only its schedule flags are used.
    TaskRecord record{};

public slots:
    void OnOK();

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppContext& ctx_;
    QLineEdit* minutes_ = nullptr;
    ScheduleGroup* schedule_ = nullptr;
    QCheckBox* notifyOnFailure_ = nullptr;
    QCheckBox* catchUp_ = nullptr;
};

// The body of the view's settings command: opens the dialog modally, whatever its outcome, and
// traces the settings in force afterwards.
void runConfigCommand(AppContext& ctx, QWidget* parent = nullptr);
