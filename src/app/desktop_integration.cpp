#include "app/desktop_integration.h"

#include "ui/app_icon.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void joinDesktop(QApplication& application) {
    QGuiApplication::setDesktopFileName(QStringLiteral("chorelin"));
    QApplication::setWindowIcon(applicationIcon());
    // The locale Qt formats its own texts in: the file dialog's dates, sizes and file types
    // read as the rest of the interface does. The program's own texts are fixed and formatted
    // without it.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installQtJapanese(application);
}

QTranslator* installQtJapanese(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
