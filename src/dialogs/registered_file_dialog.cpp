#include "dialogs/registered_file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeView>
#include <algorithm>

QString registeredFileStartFolder(const QString& entered) {
    const QString path = entered.trimmed();
    if (!path.isEmpty() && QDir::isAbsolutePath(path)) {
        const QFileInfo file(path);
        const QString folder = file.isDir() ? file.absoluteFilePath() : file.absolutePath();
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void fitFileDialog(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details)
        return;
    // Every column as wide as its widest entry, and the dialog wide enough for all of them
    // (within the screen): names, sizes, types and dates read whole. The entries of a folder
    // arrive after the dialog opens, so the dialog widens whenever a column does.
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto widen = [&dialog, details, header] {
        const int shortBy = header->length() - details->viewport()->width();
        if (shortBy <= 0)
            return;
        const QRect screen = dialog.screen()->availableGeometry();
        const int width = std::min(dialog.width() + shortBy, screen.width());
        dialog.resize(width, dialog.height());
        if (dialog.isVisible() && dialog.frameGeometry().right() > screen.right())
            dialog.move(std::max(screen.left(), screen.right() - dialog.frameGeometry().width()),
                        dialog.y());
    };
    QObject::connect(header, &QHeaderView::sectionResized, &dialog, widen, Qt::QueuedConnection);
    // A first width for the usual entries, before any has arrived.
    const QFontMetrics metrics(details->font());
    dialog.resize(std::max(dialog.sizeHint().width(), metrics.averageCharWidth() * 110),
                  std::max(dialog.sizeHint().height(), metrics.height() * 24));
}

std::optional<QString> runRegisteredFileDialog(QWidget* owner, const QString& entered) {
    QFileDialog dialog(owner, QStringLiteral("登録ファイルを指定してください"),
                       registeredFileStartFolder(entered));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // One entry that lists every file, named as the user knows it; the pattern in the last
    // parentheses is the one matched, and it is hidden from the user.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(QStringLiteral("すべてのファイル(*.*) (*)"));
    fitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
