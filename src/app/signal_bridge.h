#pragma once
// Turns SIGTERM and SIGINT into a Qt signal on the window thread, so that a logout or a kill
// runs the same shutdown as the exit command.

#include <QObject>

class QSocketNotifier;

class SignalBridge : public QObject {
    Q_OBJECT
  public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

  signals:
    void terminationRequested();

  private:
    void drain();
    QSocketNotifier* notifier_ = nullptr;
};
