#pragma once
// The file dialog of the entry dialog's "参照" button.

#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

// Where the dialog opens: the folder of the registered file already entered (or that folder
// itself when a folder was entered), else the user's documents folder.
QString registeredFileStartFolder(const QString& entered);

// Widens a file dialog so that its detail columns read whole. A native dialog sizes itself.
void fitFileDialog(QFileDialog& dialog);

// Shows the dialog, owned by `owner`; the chosen file's path, or nothing when cancelled.
std::optional<QString> runRegisteredFileDialog(QWidget* owner, const QString& entered);
