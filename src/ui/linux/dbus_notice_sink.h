#pragma once
// Notices through the desktop's notification service (org.freedesktop.Notifications on the
// session bus).

#include "ui/notice.h"

#include <QDBusConnection>
#include <QObject>
#include <map>

class DBusNoticeSink : public QObject, public NoticeSink {
    Q_OBJECT
public:
    // On the session bus unless another connection is given.
    explicit DBusNoticeSink(QDBusConnection bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);
    bool available() override;
    void show(const Notice& notice) override;
    // Whether bodies are escaped as markup: until the service has told what it draws, and
    // after it said it draws markup.
    bool escapesMarkup() const { return markup_; }

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    std::map<uint, Notice> shown_;
    bool markup_ = true; // until the service says otherwise, texts are escaped for markup
    bool connected_ = false;
};
