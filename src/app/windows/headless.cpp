#include "app/headless.h"

ApplicationArguments::ApplicationArguments(int argc, char** argv) : argv_(argv, argv + argc) {
    // A Windows session always has its desktop; the arguments are passed on as they are.
    argc_ = static_cast<int>(argv_.size());
    argv_.push_back(nullptr);
}
