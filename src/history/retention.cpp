#include "history/retention.h"

#include <set>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace history {

const char* const kOutputRemovedNote = "保存する出力の上限を超えたため、出力を削除しました。";

namespace {

struct Victim {
    int64_t id;
    std::string outputName; // empty: no file
};

std::vector<Victim> beyondCount(Database& db, int runsPerTask) {
    std::vector<Victim> victims;
    Statement query = db.prepare(
        "SELECT id, output FROM (SELECT id, output, ending, ROW_NUMBER() OVER "
        "(PARTITION BY task ORDER BY id DESC) AS n FROM runs) WHERE n > ?1 AND ending <> "
        "'running'");
    if (!query.valid())
        return victims;
    query.bind(1, static_cast<int64_t>(runsPerTask));
    while (query.step() == SQLITE_ROW)
        victims.push_back({query.integer(0), query.text(1)});
    return victims;
}

// Files of finished runs, newest first, past the size limit. Sizes are taken from the files
// themselves, as a process the run left behind may still have written after its end.
std::vector<Victim> beyondSize(Database& db, const HistoryFiles& files, int64_t limit,
                               const std::set<int64_t>& goingAnyway) {
    std::vector<Victim> victims;
    Statement query = db.prepare("SELECT id, output, output_bytes FROM runs WHERE output IS NOT "
                                 "NULL AND ending <> 'running' ORDER BY id DESC");
    if (!query.valid())
        return victims;
    int64_t total = 0;
    while (query.step() == SQLITE_ROW) {
        const int64_t id = query.integer(0);
        if (goingAnyway.count(id))
            continue;
        const std::string name = query.text(1);
        int64_t size = files.outputSize(name);
        if (size < 0)
            size = 0;
        total += size;
        if (total > limit)
            victims.push_back({id, name});
    }
    return victims;
}

int removeOrphans(Database& db, const HistoryFiles& files) {
    std::set<std::string> named;
    Statement query = db.prepare("SELECT output FROM runs WHERE output IS NOT NULL");
    if (!query.valid())
        return 0;
    while (query.step() == SQLITE_ROW)
        named.insert(query.text(0));
    int removed = 0;
    for (const int64_t id : files.outputIds()) {
        const std::string name = HistoryPaths::outputName(id);
        if (!named.count(name) && files.removeOutput(name))
            ++removed;
    }
    return removed;
}

} // namespace

PruneResult prune(Database& db, const HistoryFiles& files, const RetentionLimits& limits,
                  bool orphans) {
    PruneResult result;
    const std::vector<Victim> rows = beyondCount(db, std::max(limits.runsPerTask, 1));
    std::set<int64_t> rowIds;
    for (const Victim& v : rows)
        rowIds.insert(v.id);
    const std::vector<Victim> outputs =
        beyondSize(db, files, std::max<int64_t>(limits.outputBytes, 0), rowIds);

    if (!rows.empty() || !outputs.empty()) {
        db.exec("BEGIN IMMEDIATE");
        Statement drop = db.prepare("DELETE FROM runs WHERE id = ?1");
        Statement clear = db.prepare(
            "UPDATE runs SET output = NULL, output_note = ?2, output_bytes = 0 WHERE id = ?1");
        int rc = drop.valid() && clear.valid() ? SQLITE_OK : db.lastCode();
        for (size_t i = 0; rc == SQLITE_OK && i < rows.size(); ++i) {
            drop.bind(1, rows[i].id);
            rc = drop.step() == SQLITE_DONE ? SQLITE_OK : db.lastCode();
            drop.reset();
        }
        for (size_t i = 0; rc == SQLITE_OK && i < outputs.size(); ++i) {
            clear.bind(1, outputs[i].id);
            clear.bind(2, std::string_view(kOutputRemovedNote));
            rc = clear.step() == SQLITE_DONE ? SQLITE_OK : db.lastCode();
            clear.reset();
        }
        drop = Statement();
        clear = Statement();
        if (rc == SQLITE_OK)
            rc = db.exec("COMMIT");
        if (rc != SQLITE_OK) {
            db.exec("ROLLBACK");
            result.ok = false;
            result.code = rc;
            return result;
        }
        // Files go only once their rows no longer name them; a crash in between leaves files
        // that the next start-up finds unnamed and removes.
        for (const std::vector<Victim>* list : {&rows, &outputs}) {
            for (const Victim& v : *list) {
                if (!v.outputName.empty() && files.removeOutput(v.outputName))
                    ++result.filesRemoved;
            }
        }
        result.rowsRemoved = static_cast<int>(rows.size());
    }
    if (orphans)
        result.filesRemoved += removeOrphans(db, files);
    return result;
}

} // namespace history
