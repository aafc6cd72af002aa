// Wall-clock stamps on the lines of the trace file, asked for with CHORELIN_TRACE_TIMES=1.

#include "store/trace.h"
#include "support/temp_home.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::vector<std::string> traceWith(const char* times, const std::string& path) {
    setenv("CHORELIN_TRACE", path.c_str(), 1);
    if (times)
        setenv("CHORELIN_TRACE_TIMES", times, 1);
    else
        unsetenv("CHORELIN_TRACE_TIMES");
    resetTraceSink();
    traceLine("MyTaskRead() Start");
    tracef("MyTaskRead() End Ret=%d", 0);
    unsetenv("CHORELIN_TRACE");
    unsetenv("CHORELIN_TRACE_TIMES");
    resetTraceSink();
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

TEST(TraceTimesTest, LinesCarryTheWallClockOnlyWhenAskedFor) {
    TempHome home;
    const struct {
        const char* times;
        bool stamped;
    } cases[] = {{nullptr, false}, {"0", false}, {"yes", false}, {"1", true}};
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = home.scratch() + "/trace" + std::to_string(n++) + ".log";
        const double before = nowSeconds();
        const std::vector<std::string> lines = traceWith(c.times, path);
        const double after = nowSeconds();
        ASSERT_EQ(lines.size(), 2u) << path;
        const std::regex stamped(R"(^\[(\d+\.\d{9})\] (.*)$)");
        std::smatch m;
        if (!c.stamped) {
            EXPECT_EQ(lines[0], "MyTaskRead() Start");
            EXPECT_EQ(lines[1], "MyTaskRead() End Ret=0");
            continue;
        }
        ASSERT_TRUE(std::regex_match(lines[0], m, stamped)) << lines[0];
        EXPECT_EQ(m[2].str(), "MyTaskRead() Start");
        const double at = std::stod(m[1].str());
        EXPECT_GE(at, before - 0.001);
        EXPECT_LE(at, after + 0.001);
        ASSERT_TRUE(std::regex_match(lines[1], m, stamped)) << lines[1];
        EXPECT_EQ(m[2].str(), "MyTaskRead() End Ret=0");
    }
}

} // namespace
