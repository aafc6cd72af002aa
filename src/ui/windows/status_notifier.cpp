#include "ui/status_notifier.h"

bool trayIsStatusNotifierItem() {
    // The notification area reports clicks, double clicks and the right button as they are.
    return false;
}
