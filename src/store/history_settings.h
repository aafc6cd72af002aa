#pragma once
// The settings of the run history and its notices, beside the two task defaults in the same
// settings store: NotifyOnFailure (true), HistoryRunsPerTask (100), HistoryOutputMiB (200).
// A value that is missing, unreadable or out of range counts as its default.

inline constexpr int kDefaultHistoryRunsPerTask = 100;
inline constexpr int kDefaultHistoryOutputMiB = 200;

struct HistorySettings {
    bool notifyOnFailure = true;
    int runsPerTask = kDefaultHistoryRunsPerTask; // 1 .. 100000
    int outputMiB = kDefaultHistoryOutputMiB;     // 0 .. 1048576
};

HistorySettings readHistorySettings();

// Stores NotifyOnFailure; false when the store could not be written.
bool writeNotifyOnFailure(bool on);
