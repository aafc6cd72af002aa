#pragma once
// Keyboard accelerators of the main window (key in QKeySequence's portable text form).
// Only Delete and F5 reach the system's own commands; the framework ones have no handler
// and so do nothing.

#include "resources/command_ids.h"

namespace accelerators {

struct Accelerator {
    const char* key;
    int id;
};

inline constexpr Accelerator kMainAccelerators[] = {
    {"Del", cmd::ListDelete},         {"F5", cmd::Refresh},          {"Ctrl+N", cmd::FileNew},
    {"Ctrl+O", cmd::FileOpen},        {"Ctrl+S", cmd::FileSave},     {"Ctrl+C", cmd::EditCopy},
    {"Ctrl+Ins", cmd::EditCopy},      {"Ctrl+X", cmd::EditCut},      {"Shift+Del", cmd::EditCut},
    {"Ctrl+V", cmd::EditPaste},       {"Shift+Ins", cmd::EditPaste}, {"Ctrl+Z", cmd::EditUndo},
    {"Alt+Backspace", cmd::EditUndo}, {"F6", cmd::NextPane},         {"Shift+F6", cmd::PrevPane},
};

} // namespace accelerators
