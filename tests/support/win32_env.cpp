#include "support/win32_env.h"

#include <cstdlib>

extern "C" int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name))
        return 0;
    return ::_putenv_s(name, value) == 0 ? 0 : -1;
}

extern "C" int unsetenv(const char* name) {
    // An empty value removes the variable from the C runtime's environment.
    return ::_putenv_s(name, "") == 0 ? 0 : -1;
}
