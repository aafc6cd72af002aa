// Writes the task file of a latency run: one every-day task per pair, running the program
// directly at HH:MM and named after the program's file name.
//
//     chorelin_bench_tasks <task file> <program> <HH:MM> [<program> <HH:MM> ...]

#include "bench_tasks.h"

#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 2) % 2 != 0) {
        std::fprintf(stderr, "usage: %s <task file> <program> <HH:MM> [<program> <HH:MM> ...]\n",
                     argv[0]);
        return 2;
    }
    try {
        std::vector<std::pair<std::string, std::string>> programs;
        for (int i = 2; i + 1 < argc; i += 2)
            programs.emplace_back(argv[i], argv[i + 1]);
        bench::writeTaskFile(argv[1], bench::dailyTasks(programs));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
