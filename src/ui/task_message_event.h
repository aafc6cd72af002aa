#pragma once
// The workers' two messages, carried to the list window as a posted Qt event.

#include <QEvent>

class TaskMessageEvent : public QEvent {
public:
    TaskMessageEvent(int message, int row) : QEvent(eventType()), message_(message), row_(row) {}

    int message() const { return message_; }
    int row() const { return row_; }

    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

private:
    int message_;
    int row_;
};
