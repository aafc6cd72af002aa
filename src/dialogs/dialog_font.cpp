#include "dialogs/dialog_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMainWindow>
#include <QStringList>
#include <QWidget>

QFont dialogFont() {
    const QStringList families = QFontDatabase::families();
    QFont font;
    for (const QString& face : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")}) {
        if (families.contains(face)) {
            font.setFamily(face);
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

void placeAtOwnerOrigin(QWidget* dialog) {
    QWidget* owner = dialog->parentWidget();
    if (!owner)
        return;
    QWidget* top = owner->window();
    // The origin is that of the owner's client area, which in a main window begins below its
    // menu bar.
    QPoint origin(0, 0);
    if (auto* main = qobject_cast<QMainWindow*>(top)) {
        if (const QWidget* menu = main->menuWidget(); menu && menu->isVisible())
            origin.setY(menu->geometry().bottom() + 1);
    }
    dialog->move(top->mapToGlobal(origin));
}

namespace {
// The average width of the Latin letters, as dialog units are defined.
double averageCharWidth(const QFont& font) {
    const QFontMetricsF metrics(font);
    return metrics.horizontalAdvance(
               QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
           52.0;
}
} // namespace

int dluX(const QFont& font, int units) {
    return static_cast<int>(units * averageCharWidth(font) / 4.0 + 0.5);
}

int dluY(const QFont& font, int units) {
    return static_cast<int>(units * QFontMetricsF(font).height() / 8.0 + 0.5);
}
