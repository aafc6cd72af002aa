#pragma once
// One task as it lives in memory and, byte for byte, in the task file.

#include <cstddef>
#include <cstdint>

// The start-up block kept for the last start of the task's process; run-time only. Its layout
// is that of the 32-bit start-up structure the task file was first written with.
struct StartupBlock {
    int32_t size;
    int32_t reserved;
    int32_t desktop;
    int32_t title;
    int32_t x, y, xSize, ySize, xCountChars, yCountChars, fillAttribute, flags;
    uint16_t showWindow;
    uint16_t reserved2Size;
    int32_t reserved2;
    int32_t stdInput, stdOutput, stdError;
};
static_assert(sizeof(StartupBlock) == 68);
static_assert(offsetof(StartupBlock, showWindow) == 48);

// The running process of a task: process handle (a process descriptor here), thread handle
// (always 0 here), process id, thread id. All zero while no process of the task is watched.
struct ProcessBlock {
    int32_t processHandle;
    int32_t threadHandle;
    int32_t processId;
    int32_t threadId;
};
static_assert(sizeof(ProcessBlock) == 16);

enum TaskState : int32_t {
    StateUnknown = 0,
    StateWaiting = 1,
    StateNoRegisteredFile = 2,
    StateNoExecutable = 3,
    StateDisabled = 4,
    StateRunning = 5,
    StateCompleted = 6,
};

enum LaunchResult : int32_t { LaunchNever = 0, LaunchStarted = 1, LaunchFailed = 2 };

struct TaskRecord {
    char name[128];
    char runTime[16];
    char scheduleText[32];
    char startDateText[16];
    char endDateText[16];
    char lastRunText[16];
    char nextRunText[16];
    char registeredFile[512];
    char executableFile[512];
    int32_t startDate;
    int32_t endDate;
    int32_t lastRunDate;
    int32_t nextRunDate;
    int32_t once;
    int32_t daily;
    int32_t weekdays;
    int32_t holidays;
    int32_t chosenDays;
    int32_t dayFlags[7]; // Sunday first
    int32_t state;
    int32_t launchResult;
    StartupBlock startupInfo;
    ProcessBlock processInfo;
};

static_assert(sizeof(TaskRecord) == 1420);
static_assert(offsetof(TaskRecord, name) == 0);
static_assert(offsetof(TaskRecord, runTime) == 128);
static_assert(offsetof(TaskRecord, scheduleText) == 144);
static_assert(offsetof(TaskRecord, startDateText) == 176);
static_assert(offsetof(TaskRecord, endDateText) == 192);
static_assert(offsetof(TaskRecord, lastRunText) == 208);
static_assert(offsetof(TaskRecord, nextRunText) == 224);
static_assert(offsetof(TaskRecord, registeredFile) == 240);
static_assert(offsetof(TaskRecord, executableFile) == 752);
static_assert(offsetof(TaskRecord, startDate) == 1264);
static_assert(offsetof(TaskRecord, endDate) == 1268);
static_assert(offsetof(TaskRecord, lastRunDate) == 1272);
static_assert(offsetof(TaskRecord, nextRunDate) == 1276);
static_assert(offsetof(TaskRecord, once) == 1280);
static_assert(offsetof(TaskRecord, daily) == 1284);
static_assert(offsetof(TaskRecord, weekdays) == 1288);
static_assert(offsetof(TaskRecord, holidays) == 1292);
static_assert(offsetof(TaskRecord, chosenDays) == 1296);
static_assert(offsetof(TaskRecord, dayFlags) == 1300);
static_assert(offsetof(TaskRecord, state) == 1328);
static_assert(offsetof(TaskRecord, launchResult) == 1332);
static_assert(offsetof(TaskRecord, startupInfo) == 1336);
static_assert(offsetof(TaskRecord, processInfo) == 1404);
static_assert(offsetof(TaskRecord, processInfo.processHandle) == 1404);
static_assert(offsetof(TaskRecord, processInfo.threadHandle) == 1408);
static_assert(offsetof(TaskRecord, processInfo.processId) == 1412);
static_assert(offsetof(TaskRecord, processInfo.threadId) == 1416);

inline constexpr size_t kTaskRecordSize = sizeof(TaskRecord);
