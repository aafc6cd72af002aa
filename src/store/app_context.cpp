#include "store/app_context.h"

#include <atomic>

namespace {
std::atomic<AppContext*> current{nullptr};
}

AppContext* theContext() {
    return current.load();
}
void setTheContext(AppContext* context) {
    current.store(context);
}
