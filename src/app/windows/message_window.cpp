#include "app/windows/message_window.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWindow>

uintptr_t messageWindowId() {
    static QPointer<QWindow> window;
    if (!window) {
        window = new QWindow();
        // Owned by the application, so that it goes before the window system does.
        static_cast<QObject*>(window)->setParent(QCoreApplication::instance());
        window->setObjectName(QStringLiteral("systemMessages"));
        window->create();
    }
    return static_cast<uintptr_t>(window->winId());
}
