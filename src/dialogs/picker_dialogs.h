#pragma once
// The two small pop-ups that pick a run time or a date for the task entry dialog. Each opens on
// the current local time or date and, on OK, yields its value in exactly the form the entry
// fields accept; on cancel the result stays empty.

#include <QDialog>
#include <QString>

class QDateEdit;
class QTimeEdit;

class CDialogTimePicker : public QDialog {
    Q_OBJECT
  public:
    explicit CDialogTimePicker(QWidget* parent = nullptr);
    // "hh:mm" after OK, empty otherwise.
    const QString& resultText() const { return result_; }
    QTimeEdit* picker() const { return picker_; }
  public slots:
    void OnOK();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QString result_;
    QTimeEdit* picker_;
};

class CDialogDatePicker : public QDialog {
    Q_OBJECT
  public:
    explicit CDialogDatePicker(QWidget* parent = nullptr);
    // "yyyy/mm/dd" after OK, empty otherwise.
    const QString& resultText() const { return result_; }
    QDateEdit* picker() const { return picker_; }
  public slots:
    void OnOK();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QString result_;
    QDateEdit* picker_;
};
