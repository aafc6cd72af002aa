#pragma once
// The scheduler's warm-up before a minute in which tasks are due. A start after the machine has
// been quiet for a while is slow for want of memory, not of work: the kernel has dropped the
// file pages nobody touched (the programs' files, the folders' bookkeeping) and a virtual
// machine's host has taken back the memory its guest left alone, so the minute's pass would
// wait for the disk and fault its way through its own code and table, several times its usual
// time. A moment before the minute the scheduler does that reading and touching ahead: one
// pass more, each due program's file read ahead, and a creation rehearsed where the task file
// and the runs' output files are about to be written.

#include "platform/clock.h"
#include "store/app_context.h"

#include <chrono>
#include <string>
#include <vector>

// How long before the minute: enough for the reads, short enough that what they touched is
// still in memory at second 00.
inline constexpr std::chrono::milliseconds kWarmUpLead{30};

// The programs (cp932 paths, each once) of the tasks that will be due at second 00 of the
// minute after `now`. Takes taskLock.
std::vector<std::string> MyProgramsDueNextMinute(AppContext& ctx, const platform::LocalTime& now);

enum class WarmUp {
    None,    // no minute with due tasks begins before the next pass: wait as usual
    Ready,   // warmed up and waited for the minute: its pass is due now
    Stopped, // the scheduler was asked to stop meanwhile
};

// After each pass: when a minute begins before the next pass and tasks are due in it, waits
// until kWarmUpLead before it, warms up, and waits for the minute itself.
WarmUp MyWarmUpBeforeMinute(AppContext& ctx);
