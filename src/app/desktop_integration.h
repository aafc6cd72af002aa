#pragma once
// Joins the running program to the desktop it runs on.

class QApplication;
class QTranslator;

// Names the program's desktop entry (so that a Wayland compositor matches the window to
// chorelin.desktop, its name and its icon), gives every window the program's icon, and puts
// Qt's own texts (standard buttons, the file dialog) into Japanese, the language of the whole
// interface, whatever the user's locale.
void joinDesktop(QApplication& application);

// Installs Qt's Japanese translations (owned by the application); null when they are not
// installed on this system, and Qt's texts stay English.
QTranslator* installQtJapanese(QApplication& application);
