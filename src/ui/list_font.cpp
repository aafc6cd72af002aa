#include "ui/list_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
QString chooseFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const char* preferred : {"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "IPAゴシック"}) {
        const QString name = QString::fromUtf8(preferred);
        if (installed.contains(name, Qt::CaseInsensitive))
            return name;
    }
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& family : japanese) {
        if (QFontDatabase::isFixedPitch(family))
            return family;
    }
    return japanese.isEmpty() ? QString() : japanese.front();
}
} // namespace

QFont listFont() {
    QFont font;
    const QString family = chooseFamily();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(14);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}
