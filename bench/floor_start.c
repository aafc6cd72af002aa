/* The leanest start this machine allows, to compare a single due task's start with: for each
 * of the minutes given, reads the program's file 30 ms before second 00 (as the scheduler's
 * warm-up does), sleeps until second 00 on the wall clock and starts the program with vfork and
 * exec, under the name "<prefix>-<n>" (a hard link the caller made), and waits for it.
 *     floor_start <folder> <prefix> <first minute, seconds since the epoch> <minutes>
 * The program notes its own start (the benchmark's stamp program). */

#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static void sleep_until(time_t seconds, long ns) {
    const struct timespec at = {seconds, ns};
    while (clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &at, NULL) != 0) {
    }
}

static void read_file(const char* path) {
    static char buffer[1 << 16];
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
}

static void start_and_wait(char* path) {
    const pid_t child = vfork();
    if (child == 0) {
        char* const args[] = {path, NULL};
        execv(path, args);
        _exit(127);
    }
    if (child > 0)
        waitpid(child, NULL, 0);
}

int main(int argc, char** argv) {
    if (argc != 5)
        return 2;
    const time_t first = (time_t)atoll(argv[3]);
    const int minutes = atoi(argv[4]);
    for (int m = 0; m < minutes; ++m) {
        char path[4096];
        snprintf(path, sizeof path, "%s/%s-%03d", argv[1], argv[2], m);
        const time_t minute = first + 60 * m;
        sleep_until(minute - 1, 970000000L);
        read_file(path);
        sleep_until(minute, 0);
        start_and_wait(path);
    }
    return 0;
}
