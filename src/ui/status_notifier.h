#pragma once
// Which kind of tray shows this process's icon. A StatusNotifierItem host (KDE Plasma, GNOME
// with the AppIndicator extension, most desktops today) talks to the icon over D-Bus: it reports
// a click as activation and never as a double click, and shows the menu the icon exports. An
// XEmbed tray (trayer, older panels) passes the mouse buttons on as they are.

// True when the desktop's tray is of the StatusNotifierItem kind, so that Qt shows the icon
// through it.
bool trayIsStatusNotifierItem();
