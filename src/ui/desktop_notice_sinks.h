#pragma once
// The places this system offers for notices, best first.

#include "ui/notice.h"

#include <functional>
#include <memory>
#include <vector>

class QSystemTrayIcon;

// `tray` gives the tray icon in use now, or nullptr.
std::vector<std::unique_ptr<NoticeSink>> desktopNoticeSinks(std::function<QSystemTrayIcon*()> tray);
