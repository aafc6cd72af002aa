#include "app/resume_watch.h"

#include "app/linux/resume_watcher.h"

void watchForResume(AppContext& ctx, QObject* owner) {
    new ResumeWatcher(ctx, owner);
}
