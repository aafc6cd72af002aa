#include "app/signal_bridge.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

void closeActiveModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}
