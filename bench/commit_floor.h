#pragma once

// What SQLite alone takes to write a run's lines one transaction per line: the same backup rows,
// the same new values and the same journal rows as the row loop wrote, replayed on a copy of the
// account as it was before the run, through bound statements prepared once, with no check, no
// arithmetic and no translation. No per-line conversion can take less on this engine.

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "host/db/sqlite_handles.h"

namespace q9::bench {

class CommitFloor {
  public:
    // `converted`: the account after the run; `untouched`: a copy of it from before the run, with
    // the backup and journal tables created.
    CommitFloor(const std::filesystem::path& converted, const std::filesystem::path& untouched);

    // Seconds to replay the lines the run journaled for one document kind (`kindText` as the
    // journal names it). Sets `lines` to the lines replayed.
    double Replay(const std::string& kindText, int& lines);

    struct Difference {
        std::string table;
        long long rows = 0;  // in one account and not in the other, both ways
    };
    // The first table, the run's own row aside, whose rows differ between the two accounts.
    std::optional<Difference> FirstDifference();

  private:
    sqlite3_stmt* Statement(const std::string& sql);
    // The next backup row of `backupTable`, in the order the run wrote them.
    sqlite3_stmt* NextBackup(const std::string& backupTable);

    std::filesystem::path converted_;
    sqlite::ConnectionPtr from_;
    sqlite::ConnectionPtr to_;
    std::map<std::string, sqlite::StatementPtr> statements_;
    std::map<std::string, sqlite::StatementPtr> backupCursors_;
};

}  // namespace q9::bench
