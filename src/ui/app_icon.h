#pragma once
// The application icon, for the window and the tray.

#include <QIcon>

// The bundled icon; a stock icon when the resource is not linked in, so the tray never shows
// an empty slot.
QIcon applicationIcon();
