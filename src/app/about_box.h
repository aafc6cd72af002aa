#pragma once
// The about box of the help menu: the application icon, the product and version, the maker.

#include <QDialog>

class CDialogAbout : public QDialog {
    Q_OBJECT
  public:
    explicit CDialogAbout(QWidget* parent = nullptr);
};
