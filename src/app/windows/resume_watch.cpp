#include "app/resume_watch.h"

#include "app/windows/message_window.h"
#include "engine/catch_up.h"
#include "platform/system_message.h"
#include "store/trace.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QObject>

namespace {

class ResumeFilter : public QObject, public QAbstractNativeEventFilter {
public:
    ResumeFilter(AppContext& ctx, QObject* owner)
        : QObject(owner), ctx_(ctx), window_(messageWindowId()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~ResumeFilter() override {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        if (platform::classifySystemMessage(message, window_) == platform::SystemMessage::Resumed) {
            traceLine("スリープから復帰しました。");
            MyCatchUpAfterResume(ctx_);
        }
        // The system's own handling goes on.
        return false;
    }

private:
    AppContext& ctx_;
    uintptr_t window_;
};

} // namespace

void watchForResume(AppContext& ctx, QObject* owner) {
    new ResumeFilter(ctx, owner);
}
