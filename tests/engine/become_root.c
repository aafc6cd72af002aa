/* A set-user-ID helper for the force-terminate test: it becomes root for real (as su and sudo
 * do), so that the user who started it may no longer signal it, then waits. */
#define _GNU_SOURCE
#include <unistd.h>

int main(void) {
    if (setresgid(0, 0, 0) != 0 || setresuid(0, 0, 0) != 0)
        return 1;
    sleep(30);
    return 0;
}
