#include "history/run_rows.h"

#include <sqlite3.h>

namespace history {

const char* const kRunColumns =
    "id, task, registered_file, program, trigger, due_ms, start_ms, launch, error, pid, end_ms, "
    "exit_code, signal, ending, output, output_note, output_bytes, error_code";

RunRecord runFromRow(const Statement& row, const HistoryPaths& paths) {
    RunRecord run;
    run.id = row.integer(0);
    run.task = row.text(1);
    run.registeredFile = row.text(2);
    run.program = row.text(3);
    run.trigger = triggerFromWord(row.text(4)).value_or(RunTrigger::Scheduled);
    run.dueMs = row.optionalInteger(5);
    run.startMs = row.integer(6);
    run.launched = row.text(7) != "failed";
    run.error = row.text(8);
    run.pid = static_cast<int>(row.integer(9));
    run.endMs = row.optionalInteger(10);
    if (const std::optional<int64_t> code = row.optionalInteger(11))
        run.exitCode = static_cast<int>(*code);
    if (const std::optional<int64_t> sig = row.optionalInteger(12))
        run.signal = static_cast<int>(*sig);
    // A word this program does not know (a newer one wrote it) reads as an unknown end.
    run.ending = endingFromWord(row.text(13)).value_or(RunEnding::Lost);
    run.outputPath = paths.resolve(row.text(14));
    run.outputNote = row.text(15);
    run.outputBytes = row.integer(16);
    run.errorCode = row.text(17);
    return run;
}

int storeRun(Database& db, const RunRecord& run, const std::string& outputName) {
    Statement insert = db.prepare(
        "INSERT OR REPLACE INTO runs (id, task, registered_file, program, trigger, due_ms, "
        "start_ms, launch, error, pid, end_ms, exit_code, signal, ending, output, output_note, "
        "output_bytes, error_code) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, "
        "?14, ?15, ?16, ?17, ?18)");
    if (!insert.valid())
        return db.lastCode();
    insert.bind(1, run.id);
    insert.bind(2, run.task);
    insert.bind(3, run.registeredFile);
    insert.bind(4, run.program);
    insert.bind(5, triggerWord(run.trigger));
    insert.bind(6, run.dueMs);
    insert.bind(7, run.startMs);
    insert.bind(8, std::string_view(run.launched ? "started" : "failed"));
    if (run.error.empty())
        insert.bindNull(9);
    else
        insert.bind(9, run.error);
    if (run.pid > 0)
        insert.bind(10, static_cast<int64_t>(run.pid));
    else
        insert.bindNull(10);
    insert.bind(11, run.endMs);
    insert.bind(12, run.exitCode);
    insert.bind(13, run.signal);
    insert.bind(14, endingWord(run.ending));
    if (outputName.empty())
        insert.bindNull(15);
    else
        insert.bind(15, outputName);
    if (run.outputNote.empty())
        insert.bindNull(16);
    else
        insert.bind(16, run.outputNote);
    insert.bind(17, run.outputBytes);
    if (run.errorCode.empty())
        insert.bindNull(18);
    else
        insert.bind(18, run.errorCode);
    const int rc = insert.step();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

} // namespace history
