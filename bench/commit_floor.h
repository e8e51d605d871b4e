#pragma once

// What SQLite alone takes to write a run's lines one transaction per line: the same backup rows,
// the same new values and the same journal rows as the row loop wrote, replayed on a copy of the
// account as it was before the run, through bound statements prepared once, with no check, no
// arithmetic and no translation. No per-line conversion can take less on this engine.

#include <filesystem>
#include <map>
#include <string>

#include "host/db/sqlite_handles.h"

namespace q9::bench {

class CommitFloor {
  public:
    // `converted`: the account after the run; `untouched`: a copy of it from before the run, with
    // the backup and journal tables created.
    CommitFloor(const std::filesystem::path& converted, const std::filesystem::path& untouched);

    // Seconds to replay the lines the run journaled for one document kind (`kindText` as the
    // journal names it), whose backup rows are in `backupTable`; kinds sharing a backup table
    // are replayed in the order the run wrote them. Sets `lines` to the lines replayed.
    double Replay(const std::string& kindText, const std::string& backupTable, int& lines);

    // Rows of `table` in one account and not in the other, both ways.
    long long RowsDiffering(const std::string& table);

  private:
    sqlite3_stmt* Statement(const std::string& sql);

    std::filesystem::path converted_;
    bool attached_ = false;
    sqlite::ConnectionPtr from_;
    sqlite::ConnectionPtr to_;
    std::map<std::string, sqlite::StatementPtr> statements_;
    std::map<std::string, long long> backupRowsTaken_;
};

}  // namespace q9::bench
