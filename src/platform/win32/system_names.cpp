#include "platform/system_names.h"

#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform {

std::string errorText(int error) {
    // strerror's buffer is shared; one caller at a time copies it out.
    // The C runtime knows the numbers POSIX added to C's only by number.
    if (error == ELOOP)
        return "Too many levels of symbolic links";
    static std::mutex m;
    std::lock_guard<std::mutex> guard(m);
    const char* text = std::strerror(error);
    return text && *text ? std::string(text) : "error " + std::to_string(error);
}

std::string signalAbbreviation(int signal) {
    // Windows ends no program by a signal; the numbers come from a history that a Linux build
    // wrote, or from force-terminate, which records KILL's number on both systems.
    static constexpr const char* kNames[] = {
        nullptr,  "HUP",  "INT",    "QUIT", "ILL",   "TRAP", "ABRT", "BUS",
        "FPE",    "KILL", "USR1",   "SEGV", "USR2",  "PIPE", "ALRM", "TERM",
        "STKFLT", "CHLD", "CONT",   "STOP", "TSTP",  "TTIN", "TTOU", "URG",
        "XCPU",   "XFSZ", "VTALRM", "PROF", "WINCH", "IO",   "PWR",  "SYS"};
    if (signal <= 0 || signal >= static_cast<int>(std::size(kNames)) || !kNames[signal])
        return std::string();
    return kNames[signal];
}

} // namespace platform
