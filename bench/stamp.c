/* The program that the latency benchmark's tasks run. It notes the wall-clock time at which it
 * began, waits CHORELIN_BENCH_HOLD_MS milliseconds (0 when unset), notes the time at which it is
 * about to exit, and exits. Both notes are appended, one line each, to the file named by
 * CHORELIN_BENCH_STAMPS:
 *     <name> start <seconds.nanoseconds>
 *     <name> exit <seconds.nanoseconds>
 * where <name> is the last part of the path it was started by, so that many hard links of one
 * program tell the tasks apart; a name ending in "-quick" exits at once, without the wait. It is
 * linked statically so that its own start costs little. */

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static void note(int fd, const char* name, const char* what, const struct timespec* at) {
    char line[512];
    const int n = snprintf(line, sizeof line, "%s %s %lld.%09ld\n", name, what,
                           (long long)at->tv_sec, at->tv_nsec);
    if (n > 0 && (size_t)n < sizeof line) {
        /* One write of a short line to an O_APPEND file is never interleaved with another. */
        if (write(fd, line, (size_t)n) != n)
            _exit(2);
    }
}

int main(int argc, char** argv) {
    struct timespec started;
    clock_gettime(CLOCK_REALTIME, &started);
    (void)argc;
    const char* path = getenv("CHORELIN_BENCH_STAMPS");
    if (path == NULL || path[0] == '\0')
        return 1;
    const char* slash = strrchr(argv[0], '/');
    const char* name = slash ? slash + 1 : argv[0];
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return 1;
    note(fd, name, "start", &started);

    const char* hold = getenv("CHORELIN_BENCH_HOLD_MS");
    const size_t length = strlen(name);
    const int quick = length >= 6 && strcmp(name + length - 6, "-quick") == 0;
    const long holdMs = hold && !quick ? strtol(hold, NULL, 10) : 0;
    if (holdMs > 0) {
        struct timespec pause = {holdMs / 1000, (holdMs % 1000) * 1000000L};
        while (nanosleep(&pause, &pause) != 0) {
        }
    }
    struct timespec ending;
    clock_gettime(CLOCK_REALTIME, &ending);
    note(fd, name, "exit", &ending);
    _exit(0);
}
