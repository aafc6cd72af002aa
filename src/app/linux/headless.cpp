#include "app/headless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char platformOption[] = "-platform";
char offscreenName[] = "offscreen";

bool named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

bool platformArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-platform") == 0 || std::strcmp(arg, "--platform") == 0 ||
            std::strncmp(arg, "-platform=", 10) == 0 || std::strncmp(arg, "--platform=", 11) == 0)
            return true;
    }
    return false;
}

} // namespace

ApplicationArguments::ApplicationArguments(int argc, char** argv) : argv_(argv, argv + argc) {
    offscreen_ = !named("QT_QPA_PLATFORM") && !named("DISPLAY") && !named("WAYLAND_DISPLAY") &&
                 !platformArgument(argc, argv);
    if (offscreen_) {
        argv_.push_back(platformOption);
        argv_.push_back(offscreenName);
        std::fputs("Chorelin: 画面（DISPLAY）がないため、画面なし（offscreen）で起動します。"
                   "タスクは実行されますが、ウィンドウとメッセージは表示されません。\n",
                   stderr);
        std::fflush(stderr);
    }
    argc_ = static_cast<int>(argv_.size());
    argv_.push_back(nullptr);
}
