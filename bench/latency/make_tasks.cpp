// Writes the task file of a latency run: `count` every-day tasks at run time HH:MM, task i running
// <folder>/bench-<i> directly (hard links of the stamp program, made by the caller).
//
//     chorelin_bench_tasks <task file> <count> <HH:MM> <folder>

#include "bench_tasks.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <task file> <count> <HH:MM> <folder>\n", argv[0]);
        return 2;
    }
    try {
        const int count = std::stoi(argv[2]);
        std::vector<std::string> programs;
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/bench-%03d", i);
            programs.push_back(std::string(argv[4]) + name);
        }
        bench::writeTaskFile(argv[1], bench::dailyTasks(programs, argv[3]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
