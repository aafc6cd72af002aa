#pragma once
// A hidden top-level window of Chorelin's own, so that the messages the system broadcasts to
// top-level windows (the wake from sleep, the session's end) reach the native event filters
// also while the main window has never been shown and so has no window of the system yet.

#include <cstdint>

// The native id of that window, made on the first call; needs the application object.
uintptr_t messageWindowId();
