#pragma once
// The font of the task list: a Japanese monospace face, 14 pixels high.

#include <QFont>

// "ＭＳ ゴシック" where installed, else IPAGothic (same metrics), else any fixed-pitch Japanese
// face, else the default font at that size.
QFont listFont();
