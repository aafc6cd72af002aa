#pragma once
// How the task entry dialog is opened.

#include <cstdint>

enum EntryMode : int32_t {
    ModeChange = 0,     // the change command edits an existing task
    ModeAdd = 1,        // the add command starts from an empty form
    ModeAddDropped = 2, // a dropped file, prepared by the drop handler
};
