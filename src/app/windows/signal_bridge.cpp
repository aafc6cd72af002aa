#include "app/signal_bridge.h"

#include "app/windows/message_window.h"
#include "platform/console_control.h"
#include "platform/system_message.h"
#include "store/trace.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>
#include <mutex>

namespace {

// The console's requests come on a thread of the system's, maybe before the bridge exists.
std::mutex bridgeMutex;
SignalBridge* liveBridge = nullptr;
bool requestWaiting = false;

void postRequest(SignalBridge* bridge) {
    QMetaObject::invokeMethod(
        bridge, [bridge] { emit bridge->terminationRequested(); }, Qt::QueuedConnection);
}

void onConsoleRequest() {
    const std::lock_guard<std::mutex> lock(bridgeMutex);
    if (liveBridge)
        postRequest(liveBridge);
    else
        requestWaiting = true;
}

// The session's end: Windows may end the process as soon as the message has been answered, so
// the shutdown runs inside it, on the window thread, before the answer.
class SessionEndFilter : public QObject, public QAbstractNativeEventFilter {
public:
    explicit SessionEndFilter(SignalBridge* bridge)
        : QObject(bridge), bridge_(bridge), window_(messageWindowId()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~SessionEndFilter() override {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        if (!ended_ && platform::classifySystemMessage(message, window_) ==
                           platform::SystemMessage::SessionEnding) {
            ended_ = true;
            traceLine("セッションが終了します。");
            emit bridge_->terminationRequested();
        }
        // Qt answers the message as well (it ends its event loop).
        return false;
    }

private:
    SignalBridge* bridge_;
    uintptr_t window_;
    bool ended_ = false;
};

} // namespace

void SignalBridge::installHandlers() {
    platform::onConsoleTermination(onConsoleRequest);
}

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    installHandlers();
    source_ = new SessionEndFilter(this);
    const std::lock_guard<std::mutex> lock(bridgeMutex);
    liveBridge = this;
    if (requestWaiting) {
        requestWaiting = false;
        postRequest(this);
    }
}

SignalBridge::~SignalBridge() {
    const std::lock_guard<std::mutex> lock(bridgeMutex);
    liveBridge = nullptr;
}

void ignoreFileSizeSignal() {
    // No file-size limit ends a Windows process.
}
