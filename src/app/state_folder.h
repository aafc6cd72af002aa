#pragma once
// The user's state folder (where the run history lives), opened and trusted once at start-up,
// and the lock in it that lets one user run one Chorelin whatever the program file is called.

#include "platform/trusted_folder.h"

#include <memory>
#include <string>

struct StateFolder {
    std::unique_ptr<platform::TrustedFolder> folder; // null: no history this session
    std::string refusal; // why not, for the window (standard error has it already)
};

// Opens the state folder and takes "Chorelin.Mutex" in it. Ends the program through fatalStop
// with the "already running" message when another instance of this user holds that lock. A
// folder that is refused leaves the data folder's lock alone to keep one instance.
StateFolder openStateFolder();

// Shows the refusal once in a refusal message box (not on the offscreen platform).
void reportStateFolderRefusal(std::string& refusal);
