#pragma once
// Where there is no display, Chorelin still runs its tasks: it comes up on Qt's offscreen
// platform instead of letting Qt abort.

#include <vector>

// The arguments for the application object: the program's own, and "-platform offscreen" after
// them when neither a display nor a platform is named (environment or -platform), which is said
// once on standard error. The environment is left as it is, so started programs get it unchanged.
class ApplicationArguments {
public:
    ApplicationArguments(int argc, char** argv);
    int& argc() { return argc_; }
    char** argv() { return argv_.data(); }
    bool offscreen() const { return offscreen_; }

private:
    std::vector<char*> argv_;
    int argc_ = 0;
    bool offscreen_ = false;
};
