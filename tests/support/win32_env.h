#pragma once
// The environment calls of POSIX that tests use to point the trace and the home elsewhere,
// for the Windows C runtime (whose getenv sees what _putenv_s set).

extern "C" int setenv(const char* name, const char* value, int overwrite);
extern "C" int unsetenv(const char* name);
