#include "ui/app_icon.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

QIcon applicationIcon() {
    // Fixed sizes where the build rendered them (Windows, whose package has no SVG plugin);
    // else the drawing itself.
    QIcon sizes;
    for (const int size : {16, 24, 32, 48, 64, 256}) {
        const QString png = QStringLiteral(":/icons/chorelin-%1.png").arg(size);
        if (QFile::exists(png))
            sizes.addFile(png, QSize(size, size));
    }
    if (!sizes.isNull())
        return sizes;
    const QString path = QStringLiteral(":/icons/chorelin.svg");
    if (QFile::exists(path))
        return QIcon(path);
    return QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
}
