#pragma once
// The face and size every dialog of the system is drawn in.

#include <QFont>

class QWidget;

// "ＭＳ Ｐゴシック" 9 point where it is installed, else its metric twin IPAPGothic, else the
// application's own font at 9 point.
QFont dialogFont();

// Places a dialog at the top-left corner of its owner's client area (below a main window's
// menu bar), as the dialogs have always opened, instead of centring it. Does nothing without
// an owner.
void placeAtOwnerOrigin(QWidget* dialog);

// Pixels of a length in dialog units of the font: horizontal units are a quarter of the average
// character width, vertical ones an eighth of the character height.
int dluX(const QFont& font, int units);
int dluY(const QFont& font, int units);
