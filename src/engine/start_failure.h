#pragma once
// Why a task's program could not be started, in the interface's words: one table by error
// number, shared by everything that shows a failed start (the history and its dialog, the
// notices, the command line), so each says the same.

#include <string>

struct StartFailure {
    std::string text; // UTF-8, naming what is missing or wrong
    std::string code; // the symbolic error name ("ENOENT"); "E<n>" for a number without one
};

// The failure of starting `executable` (the record's cp932 path) with the error number `error`.
// A missing program is told apart from a missing interpreter named on a script's "#!" line,
// which is then named instead of the script.
StartFailure describeStartFailure(int error, const std::string& executable);
