#include "ui/app_icon.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

QIcon applicationIcon() {
    const QString path = QStringLiteral(":/icons/chorelin.svg");
    if (QFile::exists(path))
        return QIcon(path);
    return QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
}
